// The clock seam. Every wait in the program (Sleep, timers, socket timeouts, the UI
// loop's idle wait) asks the current clock what time it is; nothing reads the system
// time directly. The real clock is the monotonic clock; tests install a VirtualClock
// whose time moves only when the code under test would otherwise wait, so a
// 30-second timeout case runs in microseconds and boundaries can be hit exactly.
#pragma once

#include <cstdint>
#include <mutex>

namespace qx {

class Clock {
public:
    virtual ~Clock() = default;
    // Milliseconds since an arbitrary origin; never goes backwards.
    virtual std::uint64_t NowMs() = 0;
    // Blocks the calling thread for `ms` milliseconds (the virtual clock just advances).
    virtual void SleepMs(std::uint32_t ms) = 0;
    // True for a clock whose time is moved by the program itself. Backends that would
    // otherwise block in the kernel advance such a clock to their deadline instead.
    virtual bool IsVirtual() const { return false; }
};

class RealClock final : public Clock {
public:
    std::uint64_t NowMs() override;
    void SleepMs(std::uint32_t ms) override;
};

// Starts at `start_ms` (tests of the 32-bit tick wrap-around start just below 2^32).
class VirtualClock final : public Clock {
public:
    explicit VirtualClock(std::uint64_t start_ms = 0) : now_(start_ms) {}
    std::uint64_t NowMs() override;
    void SleepMs(std::uint32_t ms) override;
    bool IsVirtual() const override { return true; }
    // Moves time forward to `ms`; a time in the past leaves the clock as it is.
    void AdvanceTo(std::uint64_t ms);
    void Advance(std::uint64_t ms);

private:
    std::mutex mutex_;
    std::uint64_t now_;
};

// The clock that GetTickCount, Sleep, timers and socket waits use. Defaults to a
// process-wide RealClock.
Clock& CurrentClock();

// Installs `clock` as the current clock for the life of the object (tests).
class ScopedClock {
public:
    explicit ScopedClock(Clock& clock);
    ~ScopedClock();
    ScopedClock(const ScopedClock&) = delete;
    ScopedClock& operator=(const ScopedClock&) = delete;

private:
    Clock* previous_;
};

// The system services of the program, through the current clock.
std::uint32_t GetTickCount();  // milliseconds, wraps around every 2^32 ms
void Sleep(std::uint32_t ms);

}  // namespace qx
