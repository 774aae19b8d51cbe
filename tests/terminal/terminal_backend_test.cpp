// The terminal backend on a pseudo-terminal of the test's own: standard input and
// output are pointed at the pty's slave side while a backend is open, and its output
// is read off the master side and thrown away. Results are checked after the real
// standard output is back, so failures print where they can be seen.
#include "platform/terminal/terminal_backend.h"

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <string>
#include <sys/ioctl.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "platform/system/clock.h"
#include "platform/system/termination.h"

namespace qx {
namespace {

class PtyTerminal {
public:
    PtyTerminal() {
        winsize size{};
        size.ws_col = 80;
        size.ws_row = 24;
        ok_ = openpty(&master_, &slave_, nullptr, nullptr, &size) == 0;
        if (!ok_) return;
        saved_in_ = dup(STDIN_FILENO);
        saved_out_ = dup(STDOUT_FILENO);
        const char* term = std::getenv("TERM");
        if (term) saved_term_ = term;
        had_term_ = term != nullptr;
        setenv("TERM", "xterm-256color", 1);
        std::fflush(stdout);
        dup2(slave_, STDIN_FILENO);
        dup2(slave_, STDOUT_FILENO);
        drain_ = std::thread([this] {
            char buffer[4096];
            while (!stop_) {
                pollfd fd{master_, POLLIN, 0};
                if (poll(&fd, 1, 20) > 0 && read(master_, buffer, sizeof buffer) < 0) break;
            }
        });
    }

    ~PtyTerminal() {
        if (!ok_) return;
        std::fflush(stdout);
        dup2(saved_in_, STDIN_FILENO);
        dup2(saved_out_, STDOUT_FILENO);
        close(saved_in_);
        close(saved_out_);
        HangUp();
        close(slave_);
        if (had_term_) setenv("TERM", saved_term_.c_str(), 1);
        else unsetenv("TERM");
    }

    bool ok() const { return ok_; }
    // Closes the terminal's other side, as when its window is closed.
    void HangUp() {
        stop_ = true;
        if (drain_.joinable()) drain_.join();
        if (master_ >= 0) close(master_);
        master_ = -1;
    }
    void Type(const std::string& bytes) const {
        [[maybe_unused]] ssize_t n = write(master_, bytes.data(), bytes.size());
    }
    void Resize(int columns, int rows) const {
        winsize size{};
        size.ws_col = static_cast<unsigned short>(columns);
        size.ws_row = static_cast<unsigned short>(rows);
        ioctl(master_, TIOCSWINSZ, &size);
        // The pty is not our controlling terminal, so the kernel signals no one.
        raise(SIGWINCH);
    }

private:
    bool ok_ = false;
    int master_ = -1;
    int slave_ = -1;
    int saved_in_ = -1;
    int saved_out_ = -1;
    bool had_term_ = false;
    std::string saved_term_;
    std::atomic<bool> stop_{false};
    std::thread drain_;
};

std::string Describe(const InputEvent& event) { return DescribeEvent(event); }

TEST(TerminalBackend, WaitsForInputWakeResizeAndDeadline) {
    std::vector<std::string> seen;
    std::string reason;
    std::uint64_t clock_after_timeout = 0;
    int columns_after = 0;
    {
        PtyTerminal pty;
        ASSERT_TRUE(pty.ok());
        VirtualClock clock(1000);
        ScopedClock use(clock);
        auto terminal = TerminalBackend::Open(reason);
        if (terminal) {
            ScreenBuffer screen(terminal->Columns(), terminal->Rows());
            screen.Fill(Cell{U'x'});
            terminal->Present(screen, Cursor{true, 1, 1});

            // Nothing comes: a virtual clock jumps to the deadline instead of sleeping.
            seen.push_back(Describe(terminal->Wait(31000)));
            clock_after_timeout = clock.NowMs();

            pty.Type("\t");
            seen.push_back(Describe(terminal->Wait(std::nullopt)));
            pty.Type("\x1b" "a");
            seen.push_back(Describe(terminal->Wait(std::nullopt)));
            pty.Type("\x1b");
            seen.push_back(Describe(terminal->Wait(std::nullopt)));
            pty.Type("\xe6\xbc\xa2");  // a kanji in UTF-8
            seen.push_back(Describe(terminal->Wait(std::nullopt)));

            // Bytes that are not UTF-8 are dropped without holding up what follows.
            pty.Type("\xff\xc3(z");
            seen.push_back(Describe(terminal->Wait(std::nullopt)));
            seen.push_back(Describe(terminal->Wait(std::nullopt)));

            // Wakes from other threads coalesce into one event.
            std::thread([&] { terminal->Wake(); terminal->Wake(); }).join();
            seen.push_back(Describe(terminal->Wait(std::nullopt)));
            seen.push_back(Describe(terminal->Wait(clock.NowMs())));

            pty.Resize(100, 30);
            seen.push_back(Describe(terminal->Wait(std::nullopt)));
            columns_after = terminal->Columns();

            // Posted work and keys that are already waiting come out in order.
            pty.Type("b");
            terminal->Wake();
            seen.push_back(Describe(terminal->Wait(std::nullopt)));
            seen.push_back(Describe(terminal->Wait(std::nullopt)));
        }
    }
    ASSERT_TRUE(reason.empty()) << reason;
    EXPECT_EQ(clock_after_timeout, 31000u);
    EXPECT_EQ(columns_after, 100);
    const std::vector<std::string> expected = {
        "timeout", "key Tab", "key Char a alt", "key Escape", "key Char 漢",
        "key Char (", "key Char z", "wake", "timeout", "resize", "wake", "key Char b",
    };
    EXPECT_EQ(seen, expected);
}

TEST(TerminalBackend, TerminationSignalEndsTheWait) {
    std::string reason;
    std::string first;
    std::string second;
    {
        PtyTerminal pty;
        ASSERT_TRUE(pty.ok());
        auto terminal = TerminalBackend::Open(reason);
        if (terminal) {
            pty.Type("k");
            raise(SIGTERM);  // caught: the handler only writes to the termination pipe
            first = Describe(terminal->Wait(std::nullopt));
            // Reported again until someone finishes the termination.
            second = Describe(terminal->Wait(std::nullopt));
            unsigned char byte = 0;
            [[maybe_unused]] ssize_t n = read(TerminationFd(), &byte, 1);
        }
    }
    ASSERT_TRUE(reason.empty()) << reason;
    EXPECT_EQ(first, "terminate");
    EXPECT_EQ(second, "terminate");
}

TEST(TerminalBackend, ClosedTerminalEndsTheWait) {
    std::string reason;
    std::string seen;
    {
        PtyTerminal pty;
        ASSERT_TRUE(pty.ok());
        auto terminal = TerminalBackend::Open(reason);
        if (terminal) {
            pty.HangUp();
            seen = Describe(terminal->Wait(std::nullopt));
            unsigned char byte = 0;
            [[maybe_unused]] ssize_t n = read(TerminationFd(), &byte, 1);
            seen += " " + std::to_string(byte);
        }
    }
    ASSERT_TRUE(reason.empty()) << reason;
    EXPECT_EQ(seen, "terminate " + std::to_string(SIGHUP));
}

TEST(TerminalBackend, RefusesWhatIsNotATerminal) {
    struct Case {
        const char* name;
        const char* term;
        const char* reason;
    };
    const Case cases[] = {
        {"unknown", "qx-no-such-terminal", "unknown terminal type"},
        {"no cursor addressing", "dumb", "cannot position the cursor"},
        {"empty", "", "TERM is not set"},
    };
    for (const Case& c : cases) {
        std::string reason;
        bool opened = false;
        {
            PtyTerminal pty;
            ASSERT_TRUE(pty.ok());
            setenv("TERM", c.term, 1);
            opened = TerminalBackend::Open(reason) != nullptr;
        }
        EXPECT_FALSE(opened) << c.name;
        EXPECT_NE(reason.find(c.reason), std::string::npos) << c.name << ": " << reason;
    }
    // Without a terminal on standard input (the test's own input is not one in CI,
    // and is made not to be here).
    const int saved = dup(STDIN_FILENO);
    const int null = open("/dev/null", O_RDONLY);
    dup2(null, STDIN_FILENO);
    std::string reason;
    const bool opened = TerminalBackend::Open(reason) != nullptr;
    dup2(saved, STDIN_FILENO);
    close(saved);
    close(null);
    EXPECT_FALSE(opened);
    EXPECT_EQ(reason, "standard input is not a terminal");
}

}  // namespace
}  // namespace qx
