#define NCURSES_WIDECHAR 1

#include "platform/terminal/terminal_backend.h"

#include <curses.h>
#include <term.h>

#include <array>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <fcntl.h>
#include <langinfo.h>
#include <locale.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include "platform/system/clock.h"
#include "platform/system/termination.h"

namespace qx {

namespace {

// The escape delay: long enough for a terminal's ESC sequence to arrive whole, short
// enough that Esc on its own feels immediate.
constexpr int kEscDelayMs = static_cast<int>(KeyDecoder::kEscTimeoutMs);

// Bytes in the wake-up pipe: a posted message, or a terminal resize seen by the
// SIGWINCH handler.
constexpr char kWakeByte = 'w';
constexpr char kResizeByte = 'r';

// A partial UTF-8 or escape sequence can leave one read empty; this many in a row
// only happen at an end of file.
constexpr int kMaxEmptyReads = 16;

// The single open backend, for the signal handler, the termination cleanup and exit().
TerminalBackend* g_active = nullptr;
volatile int g_wake_write_fd = -1;
struct sigaction g_previous_winch {};

extern "C" void OnWindowChange(int signal, siginfo_t* info, void* context) {
    const int saved = errno;
    const int fd = g_wake_write_fd;
    if (fd >= 0) {
        [[maybe_unused]] ssize_t ignored = write(fd, &kResizeByte, 1);
    }
    // ncurses' own handler notes the change, so its next read returns KEY_RESIZE.
    if (g_previous_winch.sa_flags & SA_SIGINFO) {
        if (g_previous_winch.sa_sigaction) g_previous_winch.sa_sigaction(signal, info, context);
    } else if (g_previous_winch.sa_handler != SIG_DFL && g_previous_winch.sa_handler != SIG_IGN &&
               g_previous_winch.sa_handler != nullptr) {
        g_previous_winch.sa_handler(signal);
    }
    errno = saved;
}

extern "C" void RestoreAtExit() {
    if (g_active) g_active->Restore();
}

bool IsUtf8Codeset() {
    const char* codeset = nl_langinfo(CODESET);
    return codeset && (std::strcmp(codeset, "UTF-8") == 0 || std::strcmp(codeset, "utf8") == 0);
}

bool HasCapability(const char* name) {
    char* value = tigetstr(const_cast<char*>(name));
    return value != nullptr && value != reinterpret_cast<char*>(-1);
}

std::optional<TermKey> TermKeyFor(int code) {
    switch (code) {
        case KEY_ENTER: return TermKey::Enter;
        case KEY_BTAB: return TermKey::BackTab;
        case KEY_BACKSPACE: return TermKey::Backspace;
        case KEY_DC: return TermKey::Delete;
        case KEY_IC: return TermKey::Insert;
        case KEY_LEFT: return TermKey::Left;
        case KEY_RIGHT: return TermKey::Right;
        case KEY_UP: return TermKey::Up;
        case KEY_DOWN: return TermKey::Down;
        case KEY_HOME: return TermKey::Home;
        case KEY_END: return TermKey::End;
        case KEY_PPAGE: return TermKey::PageUp;
        case KEY_NPAGE: return TermKey::PageDown;
        case KEY_F(4): return TermKey::F4;
        case KEY_F(52): return TermKey::AltF4;  // F49-F60 are F1-F12 with Alt
        default: return std::nullopt;
    }
}

// What one ncurses mouse report holds, as presses and releases per button.
void FeedMouse(const MEVENT& event, std::uint64_t now, KeyDecoder& decoder,
               std::vector<InputEvent>& out) {
    struct ButtonBits {
        MouseButton button;
        mmask_t pressed, released, clicked, double_clicked;
    };
    static const ButtonBits kButtons[] = {
        {MouseButton::Left, BUTTON1_PRESSED, BUTTON1_RELEASED, BUTTON1_CLICKED, BUTTON1_DOUBLE_CLICKED},
        {MouseButton::Middle, BUTTON2_PRESSED, BUTTON2_RELEASED, BUTTON2_CLICKED, BUTTON2_DOUBLE_CLICKED},
        {MouseButton::Right, BUTTON3_PRESSED, BUTTON3_RELEASED, BUTTON3_CLICKED, BUTTON3_DOUBLE_CLICKED},
    };
    const auto feed = [&](MouseButton button, bool release) {
        decoder.Feed(TermInput::Mouse({event.x, event.y, button, release}), now, out);
    };
    for (const ButtonBits& b : kButtons) {
        // Clicks the library composed itself are unfolded into presses and releases;
        // the decoder makes the second press of a pair a double click.
        int presses = 0;
        if (event.bstate & b.double_clicked) presses = 2;
        else if (event.bstate & b.clicked) presses = 1;
        for (int i = 0; i < presses; ++i) {
            feed(b.button, false);
            feed(b.button, true);
        }
        if (event.bstate & b.pressed) feed(b.button, false);
        if (event.bstate & b.released) feed(b.button, true);
    }
    if (event.bstate & BUTTON4_PRESSED) feed(MouseButton::WheelUp, false);
#ifdef BUTTON5_PRESSED
    if (event.bstate & BUTTON5_PRESSED) feed(MouseButton::WheelDown, false);
#endif
}

}  // namespace

struct TerminalBackend::Impl {
    SCREEN* screen = nullptr;
    termios saved_tty{};
    bool have_saved_tty = false;
    bool restored = false;
    int wake_pipe[2] = {-1, -1};
    int cleanup_token = 0;
    bool ncurses_handles_winch = false;
    bool terminal_open = true;    // false after a hangup: stdin is no longer watched
    int cursor_state = -1;        // the last curs_set value
    int empty_reads = 0;          // readable terminal with nothing read, in a row
    int pair_limit = 0;            // pairs we may allocate (1..pair_limit)
    int next_pair = 1;
    std::array<short, 256> pairs{};  // fg * 16 + bg -> pair, 0 = not allocated

    ~Impl() {
        for (int fd : wake_pipe) {
            if (fd >= 0) close(fd);
        }
    }
};

TerminalBackend::TerminalBackend(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

std::unique_ptr<TerminalBackend> TerminalBackend::Open(std::string& reason) {
    if (g_active) {
        reason = "the terminal is already in use";
        return nullptr;
    }
    if (!isatty(STDIN_FILENO)) {
        reason = "standard input is not a terminal";
        return nullptr;
    }
    if (!isatty(STDOUT_FILENO)) {
        reason = "standard output is not a terminal";
        return nullptr;
    }

    // ncursesw draws blanks for Japanese text unless the character type is UTF-8.
    setlocale(LC_ALL, "");
    if (!IsUtf8Codeset()) setlocale(LC_CTYPE, "C.UTF-8");

    const char* term = std::getenv("TERM");
    if (!term || !*term) {
        reason = "TERM is not set";
        return nullptr;
    }
    // Asked first with an error return, so an unknown TERM never makes ncurses end
    // the process.
    int setup_error = 0;
    if (setupterm(nullptr, STDOUT_FILENO, &setup_error) != OK || setup_error != 1) {
        reason = std::string("unknown terminal type \"") + term + "\"";
        return nullptr;
    }
    const bool addressable = HasCapability("cup");
    del_curterm(cur_term);
    if (!addressable) {
        reason = std::string("terminal \"") + term + "\" cannot position the cursor";
        return nullptr;
    }

    auto impl = std::make_unique<Impl>();
    if (pipe2(impl->wake_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        reason = std::string("cannot create a pipe: ") + std::strerror(errno);
        return nullptr;
    }
    if (!InstallTerminationHandlers()) {
        reason = "cannot install the termination handlers";
        return nullptr;
    }
    impl->have_saved_tty = tcgetattr(STDIN_FILENO, &impl->saved_tty) == 0;

    set_escdelay(kEscDelayMs);
    impl->screen = newterm(nullptr, stdout, stdin);
    if (!impl->screen) {
        reason = std::string("cannot start the terminal \"") + term + "\"";
        if (impl->have_saved_tty) tcsetattr(STDIN_FILENO, TCSADRAIN, &impl->saved_tty);
        return nullptr;
    }
    set_term(impl->screen);

    std::unique_ptr<TerminalBackend> backend(new TerminalBackend(std::move(impl)));
    Impl& self = *backend->impl_;
    g_active = backend.get();
    static bool at_exit_registered = false;
    if (!at_exit_registered) at_exit_registered = std::atexit(RestoreAtExit) == 0;
    self.cleanup_token = AddTerminationCleanup([] {
        if (g_active) g_active->Restore();
    });

    // cbreak keeps ISIG, so Ctrl+C still arrives as SIGINT.
    cbreak();
    noecho();
    nonl();
    intrflush(stdscr, FALSE);
    keypad(stdscr, TRUE);
    meta(stdscr, TRUE);
    nodelay(stdscr, TRUE);
    set_escdelay(kEscDelayMs);
    // No XON/XOFF flow control: Ctrl+S would otherwise freeze the screen until Ctrl+Q,
    // and an ending program would block writing to it. No quit character either:
    // SIGQUIT would end the program without giving the terminal back.
    termios mode{};
    if (tcgetattr(STDIN_FILENO, &mode) == 0) {
        mode.c_iflag &= ~static_cast<tcflag_t>(IXON);
        mode.c_cc[VQUIT] = _POSIX_VDISABLE;
        tcsetattr(STDIN_FILENO, TCSANOW, &mode);
        def_prog_mode();
    }
    mousemask(ALL_MOUSE_EVENTS, nullptr);
    mouseinterval(0);  // presses and releases as they come; double clicks are ours

    if (has_colors() && start_color() == OK) {
        backend->depth_ = ColorDepthFor(COLORS);
        // Pair 0 is the terminal's default and cannot be changed.
        self.pair_limit = std::min(COLOR_PAIRS - 1, 256);
        if (self.pair_limit <= 0) backend->depth_ = ColorDepth::Mono;
    }

    // Resizes must wake the poll below even when the signal arrives just before it.
    g_wake_write_fd = self.wake_pipe[1];
    struct sigaction previous {};
    sigaction(SIGWINCH, nullptr, &previous);
    self.ncurses_handles_winch = (previous.sa_flags & SA_SIGINFO)
                                     ? previous.sa_sigaction != nullptr
                                     : (previous.sa_handler != SIG_DFL && previous.sa_handler != SIG_IGN);
    g_previous_winch = previous;
    struct sigaction action {};
    action.sa_sigaction = OnWindowChange;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_SIGINFO | SA_RESTART;
    sigaction(SIGWINCH, &action, nullptr);

    self.cursor_state = 0;
    curs_set(0);
    backend->columns_ = getmaxx(stdscr);
    backend->rows_ = getmaxy(stdscr);
    return backend;
}

TerminalBackend::~TerminalBackend() {
    Restore();
    if (impl_->screen) {
        delscreen(impl_->screen);
        impl_->screen = nullptr;
    }
    sigaction(SIGWINCH, &g_previous_winch, nullptr);
    g_wake_write_fd = -1;
    RemoveTerminationCleanup(impl_->cleanup_token);
    if (g_active == this) g_active = nullptr;
}

void TerminalBackend::Restore() {
    if (impl_->restored) return;
    impl_->restored = true;
    if (impl_->cursor_state != 1) curs_set(1);
    endwin();
    if (impl_->have_saved_tty) tcsetattr(STDIN_FILENO, TCSADRAIN, &impl_->saved_tty);
}

short TerminalBackend::PairFor(Color fg, Color bg) {
    const int key = static_cast<int>(fg) * 16 + static_cast<int>(bg);
    short& pair = impl_->pairs[static_cast<std::size_t>(key)];
    if (pair == 0 && impl_->next_pair <= impl_->pair_limit) {
        const short number = static_cast<short>(impl_->next_pair++);
        if (init_pair(number, static_cast<short>(fg), static_cast<short>(bg)) == OK) pair = number;
    }
    return pair;  // 0 (the default colours) when the terminal has run out of pairs
}

void TerminalBackend::Present(const ScreenBuffer& screen, Cursor cursor) {
    if (impl_->restored) return;
    static const Cell kBlank{};
    for (int y = 0; y < rows_; ++y) {
        // Every cell of every row is written each time, so a wide character that a
        // narrow one replaced can never leave half of itself on the screen.
        for (int x = 0; x < columns_;) {
            const Cell& cell = screen.Contains(x, y) ? screen.At(x, y) : kBlank;
            wchar_t text[2] = {static_cast<wchar_t>(cell.ch), L'\0'};
            int advance = 1;
            if (cell.ch == U'\0') {
                text[0] = L' ';  // a right half without its left half
            } else if (cell.ch < 0x20 || (cell.ch >= 0x7F && cell.ch < 0xA0)) {
                text[0] = L' ';
            } else {
                const int width = cell.ch <= 0x10FFFF ? wcwidth(static_cast<wchar_t>(cell.ch)) : -1;
                if (width == 2) {
                    // Drawn only when its right half is in the buffer and on the screen;
                    // otherwise it does not fit and a blank takes its place.
                    if (x + 1 < columns_ && screen.Contains(x + 1, y) && screen.At(x + 1, y).ch == U'\0') {
                        advance = 2;
                    } else {
                        text[0] = L' ';
                    }
                } else if (width != 1) {
                    text[0] = L'?';
                }
            }
            const DrawStyle style = MapCellStyle(cell, depth_);
            attr_t attrs = A_NORMAL;
            if (style.bold) attrs |= A_BOLD;
            if (style.underline) attrs |= A_UNDERLINE;
            if (style.reverse) attrs |= A_REVERSE;
            const short pair = depth_ == ColorDepth::Mono ? 0 : PairFor(style.fg, style.bg);
            cchar_t cc;
            setcchar(&cc, text, attrs, pair, nullptr);
            mvwadd_wch(stdscr, y, x, &cc);  // ERR in the bottom-right corner is expected
            x += advance;
        }
    }
    const bool show = cursor.visible && cursor.x >= 0 && cursor.y >= 0 && cursor.x < columns_ &&
                      cursor.y < rows_;
    if (show) wmove(stdscr, cursor.y, cursor.x);
    const int state = show ? 1 : 0;
    if (state != impl_->cursor_state) {
        curs_set(state);
        impl_->cursor_state = state;
    }
    wrefresh(stdscr);
}

void TerminalBackend::Wake() {
    if (impl_->wake_pipe[1] >= 0) {
        [[maybe_unused]] ssize_t ignored = write(impl_->wake_pipe[1], &kWakeByte, 1);
    }
}

void TerminalBackend::Beep() {
    if (!impl_->restored) beep();
}

void TerminalBackend::ReadWakePipe() {
    char bytes[64];
    bool woken = false;
    bool resized = false;
    for (;;) {
        const ssize_t got = read(impl_->wake_pipe[0], bytes, sizeof bytes);
        if (got <= 0) break;
        for (ssize_t i = 0; i < got; ++i) {
            woken |= bytes[i] == kWakeByte;
            resized |= bytes[i] == kResizeByte;
        }
    }
    if (woken) {
        InputEvent event;
        event.kind = InputEvent::Kind::Wake;
        queue_.push_back(event);
    }
    if (resized) {
        if (impl_->ncurses_handles_winch) {
            DrainTerminal();  // ncurses reports it as KEY_RESIZE
        } else {
            winsize size{};
            if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0 && size.ws_row > 0) {
                resizeterm(size.ws_row, size.ws_col);
            }
            columns_ = getmaxx(stdscr);
            rows_ = getmaxy(stdscr);
            std::vector<InputEvent> events;
            decoder_.Feed(TermInput::Resized(), CurrentClock().NowMs(), events);
            queue_.insert(queue_.end(), events.begin(), events.end());
        }
    }
}

int TerminalBackend::DrainTerminal() {
    // Bytes, not wget_wch: ncurses holds on to an invalid UTF-8 sequence and then
    // returns nothing after it, so the decoder assembles characters itself.
    std::vector<InputEvent> events;
    int count = 0;
    for (;;) {
        const int code = wgetch(stdscr);
        if (code == ERR) break;
        ++count;
        const std::uint64_t now = CurrentClock().NowMs();
        if (code == KEY_RESIZE) {
            columns_ = getmaxx(stdscr);
            rows_ = getmaxy(stdscr);
            decoder_.Feed(TermInput::Resized(), now, events);
        } else if (code == KEY_MOUSE) {
            MEVENT mouse{};
            if (getmouse(&mouse) == OK) FeedMouse(mouse, now, decoder_, events);
        } else if (code >= 0 && code <= 0xFF) {
            decoder_.Feed(TermInput::Byte(static_cast<unsigned char>(code)), now, events);
        } else {
            const std::optional<TermKey> key = TermKeyFor(code);
            decoder_.Feed(TermInput::Named(key.value_or(TermKey::Other)), now, events);
        }
    }
    decoder_.EndOfRead(events);
    queue_.insert(queue_.end(), events.begin(), events.end());
    return count;
}

void TerminalBackend::OnTerminalHangup() {
    // The terminal is gone (its window closed): end as if SIGHUP had come, which it
    // usually does as well. Stop watching the dead descriptor so nothing spins on it.
    impl_->terminal_open = false;
    std::raise(SIGHUP);
}

InputEvent TerminalBackend::Wait(std::optional<std::uint64_t> deadline_ms) {
    Clock& clock = CurrentClock();
    for (;;) {
        if (TerminationPending()) {
            InputEvent event;
            event.kind = InputEvent::Kind::Terminate;
            return event;
        }
        if (!queue_.empty()) {
            const InputEvent event = queue_.front();
            queue_.pop_front();
            return event;
        }

        std::uint64_t now = clock.NowMs();
        if (deadline_ms && now >= *deadline_ms) return InputEvent{};  // Timeout
        std::optional<std::uint64_t> wake_at = deadline_ms;
        if (auto esc = decoder_.Deadline(); esc && (!wake_at || *esc < *wake_at)) wake_at = esc;
        int timeout = -1;
        if (wake_at) {
            const std::uint64_t left = *wake_at > now ? *wake_at - now : 0;
            timeout = left > static_cast<std::uint64_t>(INT_MAX) ? INT_MAX : static_cast<int>(left);
        }
        // A virtual clock only moves when we say so: look, and if nothing is there,
        // jump to the deadline instead of sleeping.
        const bool virtual_clock = clock.IsVirtual() && timeout > 0;

        pollfd fds[3] = {
            // After Restore a read would take the terminal back: leave it alone.
            {impl_->terminal_open && !impl_->restored ? STDIN_FILENO : -1, POLLIN, 0},
            {impl_->wake_pipe[0], POLLIN, 0},
            {TerminationFd(), POLLIN, 0},
        };
        const int ready = poll(fds, 3, virtual_clock ? 0 : timeout);
        if (ready < 0) {
            if (errno == EINTR) continue;
            return InputEvent{};  // cannot wait at all: report the timeout, never spin
        }
        if (ready == 0) {
            if (virtual_clock) clock.SleepMs(static_cast<std::uint32_t>(std::min(timeout, INT_MAX)));
            std::vector<InputEvent> events;
            decoder_.Flush(clock.NowMs(), events);
            queue_.insert(queue_.end(), events.begin(), events.end());
            continue;
        }
        if (fds[2].revents & POLLIN) continue;  // reported at the top of the loop
        if (fds[1].revents & POLLIN) ReadWakePipe();
        if (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) {
            OnTerminalHangup();
            continue;
        }
        if (fds[0].revents & POLLIN) {
            // Readable again and again with nothing to read is an end of file that
            // came without a hangup: stop there rather than spin.
            impl_->empty_reads = DrainTerminal() > 0 ? 0 : impl_->empty_reads + 1;
            if (impl_->empty_reads > kMaxEmptyReads) {
                OnTerminalHangup();
                continue;
            }
        }
        std::vector<InputEvent> events;
        decoder_.Flush(clock.NowMs(), events);
        queue_.insert(queue_.end(), events.begin(), events.end());
    }
}

}  // namespace qx
