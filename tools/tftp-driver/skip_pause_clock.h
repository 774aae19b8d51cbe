// A clock that runs in real time but skips the program's own pauses: Sleep returns at
// once and moves this clock forward instead. Socket waits still block in the kernel
// for real, so it suits runs against a real UDP peer (the emulator, a TFTP server)
// where the router's restart pause would only slow a test or a measurement down.
#pragma once

#include <atomic>
#include <cstdint>

#include "platform/system/clock.h"

namespace qx {

class SkipPauseClock final : public Clock {
public:
    std::uint64_t NowMs() override { return real_.NowMs() + skipped_.load(); }
    void SleepMs(std::uint32_t ms) override { skipped_ += ms; }
    std::uint64_t SkippedMs() const { return skipped_.load(); }

private:
    RealClock real_;
    std::atomic<std::uint64_t> skipped_{0};
};

}  // namespace qx
