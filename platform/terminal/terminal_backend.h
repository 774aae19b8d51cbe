// The real screen: a Backend drawn with ncursesw on the controlling terminal.
//
// Open() takes over the terminal (UTF-8 locale, no echo, keypad, mouse, short escape
// delay) or returns nothing with a one-line reason when there is no usable terminal,
// so the program can say so and exit before it does anything else. The terminal is
// given back exactly as it was (ncurses ended, the saved tty attributes restored) when
// the backend is destroyed, at exit(), and from the termination cleanups that run on
// SIGINT, SIGTERM and SIGHUP. Only one TerminalBackend exists at a time.
//
// Wait() sleeps in poll() on the terminal, a wake-up pipe and the termination pipe,
// until the deadline on CurrentClock(); it uses no CPU while idle. Wake() is safe from
// any thread and from signal handlers.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>

#include "platform/terminal/color_map.h"
#include "platform/terminal/key_decoder.h"
#include "platform/windows/backend.h"

namespace qx {

class TerminalBackend final : public Backend {
public:
    // The terminal backend, or nullptr with `reason` set (e.g. "standard input is not
    // a terminal") when standard input or output is not a tty or TERM is unusable.
    static std::unique_ptr<TerminalBackend> Open(std::string& reason);

    ~TerminalBackend() override;
    TerminalBackend(const TerminalBackend&) = delete;
    TerminalBackend& operator=(const TerminalBackend&) = delete;

    int Columns() const override { return columns_; }
    int Rows() const override { return rows_; }
    void Present(const ScreenBuffer& screen, Cursor cursor) override;
    InputEvent Wait(std::optional<std::uint64_t> deadline_ms) override;
    void Wake() override;
    void Beep() override;

    ColorDepth Depth() const { return depth_; }

    // Ends ncurses and restores the tty as it was at Open. Idempotent; safe to call
    // from a termination cleanup. Later calls to Present draw nothing.
    void Restore();

private:
    struct Impl;
    explicit TerminalBackend(std::unique_ptr<Impl> impl);

    void ReadWakePipe();
    int DrainTerminal();  // the number of codes read
    void OnTerminalHangup();
    short PairFor(Color fg, Color bg);

    std::unique_ptr<Impl> impl_;
    int columns_ = 0;
    int rows_ = 0;
    ColorDepth depth_ = ColorDepth::Mono;
    KeyDecoder decoder_;
    std::deque<InputEvent> queue_;
};

}  // namespace qx
