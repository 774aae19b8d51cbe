// A name service of a test's own: fixed answers, and an answer that can be held back
// until the test releases it (for lookups that complete late, after an abort or after
// their window has gone). Install it with ScopedResolver.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "platform/sockets/resolver.h"

namespace qx {

class HeldResolver final : public HostResolver {
public:
    // Set before any lookup starts.
    int error = 0;
    std::vector<std::uint32_t> addresses;  // network byte order
    std::string official;
    bool hold = false;

    int Resolve(const std::string& name, std::string& officialName, std::vector<std::uint32_t>& out) override {
        std::unique_lock lock(mutex_);
        asked_.push_back(name);
        released_cv_.wait(lock, [this] { return !hold || released_; });
        officialName = official;
        out = addresses;
        return error;
    }
    // Lets every held lookup, and every later one, answer.
    void Release() {
        {
            std::lock_guard lock(mutex_);
            released_ = true;
        }
        released_cv_.notify_all();
    }
    std::vector<std::string> Asked() {
        std::lock_guard lock(mutex_);
        return asked_;
    }

private:
    std::mutex mutex_;
    std::condition_variable released_cv_;
    bool released_ = false;
    std::vector<std::string> asked_;
};

}  // namespace qx
