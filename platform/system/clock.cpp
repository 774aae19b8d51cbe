#include "platform/system/clock.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace qx {

std::uint64_t RealClock::NowMs() {
    using namespace std::chrono;
    return static_cast<std::uint64_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void RealClock::SleepMs(std::uint32_t ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

std::uint64_t VirtualClock::NowMs() {
    std::lock_guard lock(mutex_);
    return now_;
}

void VirtualClock::SleepMs(std::uint32_t ms) { Advance(ms); }

void VirtualClock::AdvanceTo(std::uint64_t ms) {
    std::lock_guard lock(mutex_);
    if (ms > now_) now_ = ms;
}

void VirtualClock::Advance(std::uint64_t ms) {
    std::lock_guard lock(mutex_);
    now_ += ms;
}

namespace {
RealClock g_real_clock;
std::atomic<Clock*> g_clock{&g_real_clock};
}  // namespace

Clock& CurrentClock() { return *g_clock.load(); }

ScopedClock::ScopedClock(Clock& clock) : previous_(g_clock.exchange(&clock)) {}
ScopedClock::~ScopedClock() { g_clock.store(previous_); }

std::uint32_t GetTickCount() { return static_cast<std::uint32_t>(CurrentClock().NowMs()); }
void Sleep(std::uint32_t ms) { CurrentClock().SleepMs(ms); }

}  // namespace qx
