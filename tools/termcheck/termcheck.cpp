// A small program that proves the terminal backend on a real terminal: it shows a
// fixed screen (a title bar, Japanese text of one and two columns, a character that
// does not fit at the right edge) and writes every input event it receives as a line
// of text, until 'q'. 'w' calls Wake() from another thread; 'b' beeps; 's' moves to
// the next of three lines that overlap wide characters with wide and narrow ones.
//
//   qx-termcheck [--stamp FILE]   FILE receives the wall-clock time in nanoseconds at
//                                 which the first screen was drawn.

#include <cstdio>
#include <ctime>
#include <cwchar>
#include <deque>
#include <fstream>
#include <string>
#include <thread>

#include "platform/system/termination.h"
#include "platform/terminal/terminal_backend.h"

namespace {

using qx::Cell;
using qx::Color;

void Put(qx::ScreenBuffer& screen, int x, int y, std::u32string_view text, Color fg, Color bg,
         std::uint8_t attr = qx::kAttrNone) {
    for (char32_t c : text) {
        const int width = wcwidth(static_cast<wchar_t>(c)) == 2 ? 2 : 1;
        if (!screen.Contains(x, y)) return;
        screen.At(x, y) = Cell{c, fg, bg, attr};
        if (width == 2 && screen.Contains(x + 1, y)) screen.At(x + 1, y) = Cell{U'\0', fg, bg, attr};
        x += width;
    }
}

std::u32string FromUtf8(const std::string& text) {
    std::u32string out;
    std::mbstate_t state{};
    const char* p = text.data();
    const char* end = p + text.size();
    while (p < end) {
        wchar_t wc = 0;
        const std::size_t n = std::mbrtowc(&wc, p, static_cast<std::size_t>(end - p), &state);
        if (n == 0 || n > static_cast<std::size_t>(end - p)) {
            out += U'?';
            state = {};
            ++p;
            continue;
        }
        out += static_cast<char32_t>(wc);
        p += n;
    }
    return out;
}

std::u32string Ascii(const std::string& text) { return std::u32string(text.begin(), text.end()); }

void Draw(qx::TerminalBackend& terminal, const std::deque<std::string>& log, int swap) {
    const int columns = terminal.Columns();
    const int rows = terminal.Rows();
    qx::ScreenBuffer screen(columns, rows);
    screen.Fill(Cell{U' ', Color::Black, Color::Silver, qx::kAttrNone});
    for (int x = 0; x < columns; ++x) screen.At(x, 0) = Cell{U' ', Color::White, Color::Navy, qx::kAttrNone};
    Put(screen, 1, 0, U"端末の確認 termcheck", Color::White, Color::Navy, qx::kAttrBold);
    Put(screen, 2, 1, Ascii("size " + std::to_string(columns) + "x" + std::to_string(rows)),
        Color::Black, Color::Silver);
    // One-column katakana, a two-column kanji, a one-column mark, then a fence.
    Put(screen, 2, 2, U"ｱ漢●|", Color::Black, Color::Silver);
    // A kanji in the last column cannot be drawn whole: it must show as a blank.
    Put(screen, columns - 3, 3, U"#>", Color::Black, Color::Silver);
    Put(screen, columns - 1, 3, U"漢", Color::Black, Color::Silver);
    Put(screen, 2, 4, U"Grey Red Lime Yellow", Color::Grey, Color::Silver);
    Put(screen, 24, 4, U" White on Silver ", Color::White, Color::Silver, qx::kAttrUnderline);
    // Each line overlaps the previous one's wide characters by half.
    switch (swap % 3) {
        case 0: Put(screen, 2, 5, U"漢字かな|0", Color::Black, Color::Silver); break;
        case 1: Put(screen, 3, 5, U"漢字かな|1", Color::Black, Color::Silver); break;
        default: Put(screen, 2, 5, U"abcdefghi|2", Color::Black, Color::Silver); break;
    }
    int y = 6;
    for (const std::string& line : log) Put(screen, 2, y++, FromUtf8(line), Color::Black, Color::Silver);
    terminal.Present(screen, qx::Cursor{true, 2, 1});
}

}  // namespace

int main(int argc, char** argv) {
    std::string stamp_path;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::string(argv[i]) == "--stamp") stamp_path = argv[i + 1];
    }
    std::string reason;
    auto terminal = qx::TerminalBackend::Open(reason);
    if (!terminal) {
        std::fprintf(stderr, "qx-termcheck: %s\n", reason.c_str());
        return 1;
    }

    std::deque<std::string> log;
    int swap = 0;
    Draw(*terminal, log, swap);
    if (!stamp_path.empty()) {
        timespec now{};
        clock_gettime(CLOCK_REALTIME, &now);
        std::ofstream(stamp_path) << (static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec) << '\n';
    }
    for (;;) {
        const qx::InputEvent event = terminal->Wait(std::nullopt);
        if (event.kind == qx::InputEvent::Kind::Terminate) qx::FinishTermination();
        std::string line = qx::DescribeEvent(event);
        if (event.kind == qx::InputEvent::Kind::Resize) {
            line += ' ' + std::to_string(terminal->Columns()) + 'x' + std::to_string(terminal->Rows());
        }
        if (event.kind == qx::InputEvent::Kind::Key && event.key.key == qx::Key::Char && !event.key.alt) {
            if (event.key.ch == U'q') break;
            if (event.key.ch == U'b') terminal->Beep();
            if (event.key.ch == U's') ++swap;
            if (event.key.ch == U'w') std::thread([&terminal] { terminal->Wake(); }).join();
        }
        log.push_back(line);
        while (log.size() > static_cast<std::size_t>(std::max(terminal->Rows() - 7, 1))) log.pop_front();
        Draw(*terminal, log, swap);
    }
    return 0;
}
