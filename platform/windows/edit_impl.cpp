// The edit control's own handling: single-line boxes (with password and limit) and
// the multi-line box with its vertical scroll bar. Positions are CP932 byte offsets
// that always fall on character boundaries; a CR LF pair counts as one step.
#include <algorithm>

#include "platform/strings/cp932.h"
#include "platform/windows/styles.h"
#include "platform/windows/text_layout.h"
#include "platform/windows/window_manager.h"

namespace qx::wm {

namespace {

constexpr std::size_t kLargestLimit = 0x7FFFFFFE;
constexpr std::size_t kDefaultLimit = 30000;
constexpr int kWheelLines = 3;

class EditClass final : public WindowClass {
public:
    LRESULT Proc(Window& w, UINT message, WPARAM wParam, LPARAM lParam) override;
    std::optional<POINT> Caret(const Window& w) const override;

private:
    static bool Multiline(const Window& w) { return (w.style & ES_MULTILINE) != 0; }
    static bool ReadOnly(const Window& w) { return (w.style & ES_READONLY) != 0; }
    static int TextColumns(const Window& w) {
        const CellRect r = OuterCells(w);
        return std::max(1, r.Width() - ((w.style & WS_VSCROLL) ? 1 : 0));
    }
    static std::vector<TextLine> Lines(const Window& w) { return WrapText(w.text, TextColumns(w)); }

    std::size_t Start() const { return std::min(anchor_, caret_); }
    std::size_t End() const { return std::max(anchor_, caret_); }

    static std::size_t Snap(const std::string& text, std::size_t pos);
    static std::size_t Next(const std::string& text, std::size_t pos);
    static std::size_t Prev(const std::string& text, std::size_t pos);
    static std::size_t LineOf(const std::vector<TextLine>& lines, std::size_t pos);
    static std::size_t PosAt(const std::string& text, const TextLine& line, int column);

    void Replace(Window& w, const std::string& bytes);
    void Type(Window& w, char32_t ch);
    void KeyDown(Window& w, UINT key);
    void MoveCaret(Window& w, std::size_t pos, bool extend);
    void ScrollCaretIntoView(const Window& w);
    void ClampTop(const Window& w);
    void ScrollBar(Window& w, UINT message, LPARAM point);
    void Paint(Window& w);

    std::size_t anchor_ = 0;
    std::size_t caret_ = 0;
    std::size_t limit_ = kDefaultLimit;
    std::size_t firstVisible_ = 0;  // single-line: byte offset of the first shown character
    int top_ = 0;                   // multi-line: first shown line
    bool dragging_ = false;
    int dragRow_ = 0;
    int dragTop_ = 0;
};

std::size_t EditClass::Snap(const std::string& text, std::size_t pos) {
    if (pos >= text.size()) return text.size();
    std::size_t at = 0;
    for (const Cp932Char& c : SplitCp932(text)) {
        if (c.offset > pos) break;
        at = c.offset;
    }
    return at;
}

std::size_t EditClass::Next(const std::string& text, std::size_t pos) {
    if (pos >= text.size()) return text.size();
    if (text.compare(pos, 2, "\r\n") == 0) return pos + 2;
    const unsigned char b = static_cast<unsigned char>(text[pos]);
    return std::min(text.size(), pos + (IsCp932LeadByte(b) && pos + 1 < text.size() ? 2 : 1));
}

std::size_t EditClass::Prev(const std::string& text, std::size_t pos) {
    if (pos == 0) return 0;
    if (pos >= 2 && text.compare(pos - 2, 2, "\r\n") == 0) return pos - 2;
    std::size_t prev = 0;
    for (const Cp932Char& c : SplitCp932(std::string_view(text).substr(0, pos))) prev = c.offset;
    return prev;
}

std::size_t EditClass::LineOf(const std::vector<TextLine>& lines, std::size_t pos) {
    std::size_t found = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].begin <= pos) found = i;
    }
    return found;
}

std::size_t EditClass::PosAt(const std::string& text, const TextLine& line, int column) {
    int used = 0;
    for (const Cp932Char& c : SplitCp932(std::string_view(text).substr(line.begin, line.end - line.begin))) {
        if (used + c.width > column) return line.begin + c.offset;
        used += c.width;
    }
    return line.end;
}

void EditClass::MoveCaret(Window& w, std::size_t pos, bool extend) {
    caret_ = std::min(pos, w.text.size());
    if (!extend) anchor_ = caret_;
    ScrollCaretIntoView(w);
    Invalidate(w, true);
}

void EditClass::ClampTop(const Window& w) {
    const int rows = OuterCells(w).Height();
    const int count = static_cast<int>(Lines(w).size());
    top_ = std::clamp(top_, 0, std::max(0, count - rows));
}

void EditClass::ScrollCaretIntoView(const Window& w) {
    if (Multiline(w)) {
        const int rows = std::max(1, OuterCells(w).Height());
        const int line = static_cast<int>(LineOf(Lines(w), caret_));
        if (line < top_) top_ = line;
        if (line >= top_ + rows) top_ = line - rows + 1;
        ClampTop(w);
        return;
    }
    const int columns = OuterCells(w).Width();
    const bool password = (w.style & ES_PASSWORD) != 0;
    auto width = [&](std::size_t from, std::size_t to) {
        if (password) return static_cast<int>(SplitCp932(std::string_view(w.text).substr(from, to - from)).size());
        return TextWidth(std::string_view(w.text).substr(from, to - from));
    };
    firstVisible_ = Snap(w.text, std::min(firstVisible_, w.text.size()));
    if (width(0, w.text.size()) < columns) firstVisible_ = 0;
    if (caret_ < firstVisible_) firstVisible_ = caret_;
    while (firstVisible_ < caret_ && width(firstVisible_, caret_) > columns - 1) {
        firstVisible_ = Next(w.text, firstVisible_);
    }
}

void EditClass::Replace(Window& w, const std::string& bytes) {
    const std::size_t start = Start(), end = End();
    if (w.text.size() - (end - start) + bytes.size() > limit_ && !bytes.empty()) {
        Beep();
        return;
    }
    w.text.replace(start, end - start, bytes);
    MoveCaret(w, start + bytes.size(), false);
}

void EditClass::Type(Window& w, char32_t ch) {
    if (ReadOnly(w)) return;
    if (ch == 8) {
        if (Start() == End()) anchor_ = Prev(w.text, caret_);
        if (Start() != End()) Replace(w, "");
        return;
    }
    if (ch == U'\r') {
        if (Multiline(w)) Replace(w, "\r\n");
        return;
    }
    if (ch < 0x20 || ch == 0x7F) return;
    const std::optional<std::string> bytes = UnicodeToCp932(std::u32string(1, ch));
    if (!bytes) {
        Beep();  // the code page cannot hold it
        return;
    }
    Replace(w, *bytes);
}

void EditClass::KeyDown(Window& w, UINT key) {
    const bool extend = CurrentModifiers().shift;
    const std::vector<TextLine> lines = Multiline(w) ? Lines(w) : std::vector<TextLine>{{0, w.text.size()}};
    const std::size_t line = LineOf(lines, caret_);
    const int rows = std::max(1, OuterCells(w).Height());
    auto column = [&]() {
        return TextWidth(std::string_view(w.text).substr(lines[line].begin, caret_ - lines[line].begin));
    };
    auto toLine = [&](long target) {
        target = std::clamp<long>(target, 0, static_cast<long>(lines.size()) - 1);
        MoveCaret(w, PosAt(w.text, lines[static_cast<std::size_t>(target)], column()), extend);
    };
    switch (key) {
        case VK_LEFT:
            if (!extend && Start() != End()) MoveCaret(w, Start(), false);
            else MoveCaret(w, Prev(w.text, caret_), extend);
            return;
        case VK_RIGHT:
            if (!extend && Start() != End()) MoveCaret(w, End(), false);
            else MoveCaret(w, Next(w.text, caret_), extend);
            return;
        case VK_HOME: MoveCaret(w, lines[line].begin, extend); return;
        case VK_END: MoveCaret(w, lines[line].end, extend); return;
        case VK_UP:
            if (Multiline(w)) toLine(static_cast<long>(line) - 1);
            return;
        case VK_DOWN:
            if (Multiline(w)) toLine(static_cast<long>(line) + 1);
            return;
        case VK_PRIOR:
        case VK_NEXT:
            if (Multiline(w)) {
                const int step = key == VK_PRIOR ? -rows : rows;
                top_ += step;
                ClampTop(w);
                toLine(static_cast<long>(line) + step);
            }
            return;
        case VK_DELETE:
            if (ReadOnly(w)) return;
            if (Start() == End()) caret_ = Next(w.text, caret_);
            Replace(w, "");
            return;
        default: return;
    }
}

void EditClass::ScrollBar(Window& w, UINT message, LPARAM point) {
    const int rows = OuterCells(w).Height();
    const int count = static_cast<int>(Lines(w).size());
    const int maxTop = std::max(0, count - rows);
    const int py = static_cast<short>(HIWORD(point));
    const int row = py >= 0 ? py / kCellHeightPx : -1;
    const int track = std::max(0, rows - 2);
    const int thumb = std::clamp(count > 0 ? track * rows / std::max(count, rows) : track, 1, std::max(1, track));
    const int thumbAt = maxTop == 0 ? 0 : ((track - thumb) * top_ + maxTop / 2) / maxTop;
    if (message == WM_NCLBUTTONUP) {
        dragging_ = false;
        return;
    }
    if (message == WM_NCMOUSEMOVE) {
        if (!dragging_ || track <= thumb) return;
        top_ = dragTop_ + ((row - dragRow_) * maxTop) / (track - thumb);
    } else if (rows < 3) {
        top_ += row < rows / 2 ? -1 : 1;
    } else if (row <= 0) {
        --top_;
    } else if (row >= rows - 1) {
        ++top_;
    } else if (row - 1 < thumbAt) {
        top_ -= rows;
    } else if (row - 1 >= thumbAt + thumb) {
        top_ += rows;
    } else {
        dragging_ = true;
        dragRow_ = row;
        dragTop_ = top_;
    }
    ClampTop(w);
    Invalidate(w, true);
}

LRESULT EditClass::Proc(Window& w, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SETTEXT: {
            const char* text = reinterpret_cast<const char*>(lParam);
            w.text = text ? text : "";
            anchor_ = caret_ = 0;
            firstVisible_ = 0;
            top_ = 0;
            Invalidate(w, true);
            return TRUE;
        }
        case WM_PAINT: Paint(w); return 0;
        case WM_SETFOCUS:
        case WM_KILLFOCUS: Invalidate(w, true); return 0;
        case WM_CHAR: Type(w, static_cast<char32_t>(wParam)); return 0;
        case WM_KEYDOWN: KeyDown(w, static_cast<UINT>(wParam)); return 0;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK: {
            SetFocusTo(&w);
            const int px = static_cast<short>(LOWORD(lParam));
            const int py = static_cast<short>(HIWORD(lParam));
            const int column = std::max(0, px / kCellWidthPx);
            if (Multiline(w)) {
                const std::vector<TextLine> lines = Lines(w);
                const auto line = static_cast<std::size_t>(std::clamp<long>(top_ + std::max(0, py / kCellHeightPx), 0,
                                                                          static_cast<long>(lines.size()) - 1));
                MoveCaret(w, PosAt(w.text, lines[line], column), false);
            } else {
                const TextLine rest{firstVisible_, w.text.size()};
                MoveCaret(w, PosAt(w.text, rest, column), false);
            }
            return 0;
        }
        case WM_NCLBUTTONDOWN:
        case WM_NCMOUSEMOVE:
        case WM_NCLBUTTONUP:
            if (Multiline(w) && (w.style & WS_VSCROLL)) ScrollBar(w, message, lParam);
            return 0;
        case WM_MOUSEWHEEL:
            if (Multiline(w)) {
                top_ += static_cast<short>(HIWORD(static_cast<LPARAM>(wParam))) > 0 ? -kWheelLines : kWheelLines;
                ClampTop(w);
                Invalidate(w, true);
            }
            return 0;
        case EM_SETSEL: {
            const auto start = static_cast<long>(static_cast<LPARAM>(wParam));
            const auto end = static_cast<long>(lParam);
            if (start == -1) {
                anchor_ = caret_;
            } else {
                auto clamp = [&](long v) {
                    return Snap(w.text, v < 0 ? w.text.size() : std::min<std::size_t>(static_cast<std::size_t>(v), w.text.size()));
                };
                anchor_ = clamp(start);
                caret_ = clamp(end);
            }
            if (!Multiline(w)) ScrollCaretIntoView(w);
            Invalidate(w, true);
            return 0;
        }
        case EM_GETSEL: {
            if (wParam) *reinterpret_cast<DWORD*>(wParam) = static_cast<DWORD>(Start());
            if (lParam) *reinterpret_cast<DWORD*>(lParam) = static_cast<DWORD>(End());
            return MAKELRESULT(static_cast<WORD>(std::min<std::size_t>(Start(), 0xFFFF)),
                               static_cast<WORD>(std::min<std::size_t>(End(), 0xFFFF)));
        }
        case EM_SCROLLCARET: ScrollCaretIntoView(w); Invalidate(w, true); return TRUE;
        case EM_LIMITTEXT: limit_ = wParam == 0 ? kLargestLimit : static_cast<std::size_t>(wParam); return 0;
        case EM_GETLIMITTEXT: return static_cast<LRESULT>(limit_);
        case EM_REPLACESEL: {
            const char* text = reinterpret_cast<const char*>(lParam);
            Replace(w, text ? text : "");
            return 0;
        }
        case EM_SETREADONLY:
            if (wParam) w.style |= ES_READONLY;
            else w.style &= ~ES_READONLY;
            Invalidate(w, true);
            return TRUE;
        case EM_GETFIRSTVISIBLELINE: return Multiline(w) ? top_ : 0;
        case EM_GETLINECOUNT: return Multiline(w) ? static_cast<LRESULT>(Lines(w).size()) : 1;
        case EM_LINESCROLL:
            if (Multiline(w)) {
                top_ += static_cast<int>(lParam);
                ClampTop(w);
                Invalidate(w, true);
            }
            return TRUE;
        default: {
            LRESULT result = 0;
            HandleTextMessage(w, message, wParam, lParam, result);
            return result;
        }
    }
}

void EditClass::Paint(Window& w) {
    Painter p(w, false);
    const CellRect r = OuterCells(w);
    const Color bg = w.enabled ? Color::White : Color::Silver;
    const Color fg = w.enabled ? Color::Black : Color::Grey;
    p.Fill(r, bg, fg);
    const bool showSelection = Focus() == &w || (w.style & ES_NOHIDESEL);
    const std::size_t selStart = Start(), selEnd = End();
    auto drawRun = [&](int y, std::size_t begin, std::size_t end, int columns, bool password) {
        int x = r.left;
        for (const Cp932Char& c : SplitCp932(std::string_view(w.text).substr(begin, end - begin))) {
            const int width = password ? 1 : c.width;
            if (width <= 0) continue;
            if (x + width > r.left + columns) break;
            const std::size_t at = begin + c.offset;
            const bool selected = showSelection && at >= selStart && at < selEnd;
            p.Put(x, y, password ? U'*' : c.unicode, width, selected ? Color::White : fg, selected ? Color::Navy : bg);
            x += width;
        }
    };
    if (!Multiline(w)) {
        drawRun(r.top, std::min(firstVisible_, w.text.size()), w.text.size(), r.Width(), (w.style & ES_PASSWORD) != 0);
        return;
    }
    ClampTop(w);
    const std::vector<TextLine> lines = Lines(w);
    const int columns = TextColumns(w);
    for (int row = 0; row < r.Height(); ++row) {
        const std::size_t i = static_cast<std::size_t>(top_ + row);
        if (i >= lines.size()) break;
        drawRun(r.top + row, lines[i].begin, lines[i].end, columns, false);
    }
    if (!(w.style & WS_VSCROLL) || r.Width() < 2) return;
    const int x = r.right - 1;
    const int rows = r.Height();
    const int count = static_cast<int>(lines.size());
    const int maxTop = std::max(0, count - rows);
    if (rows < 3) {
        for (int y = r.top; y < r.bottom; ++y) p.Put(x, y, y == r.top ? U'▲' : U'▼', 1, Color::Black, Color::Silver);
        return;
    }
    const int track = rows - 2;
    const int thumb = std::clamp(track * rows / std::max(count, rows), 1, track);
    const int thumbAt = maxTop == 0 ? 0 : ((track - thumb) * top_ + maxTop / 2) / maxTop;
    p.Put(x, r.top, U'▲', 1, Color::Black, Color::Silver);
    p.Put(x, r.bottom - 1, U'▼', 1, Color::Black, Color::Silver);
    for (int i = 0; i < track; ++i) {
        const bool onThumb = i >= thumbAt && i < thumbAt + thumb;
        p.Put(x, r.top + 1 + i, onThumb ? U'█' : U'░', 1, Color::Grey, Color::Silver);
    }
}

std::optional<POINT> EditClass::Caret(const Window& w) const {
    const CellRect r = OuterCells(w);
    if (r.Empty()) return std::nullopt;
    if (!Multiline(w)) {
        const std::size_t from = std::min(firstVisible_, caret_);
        const std::string_view run = std::string_view(w.text).substr(from, caret_ - from);
        const int x = (w.style & ES_PASSWORD) ? static_cast<int>(SplitCp932(run).size()) : TextWidth(run);
        return POINT{std::min(r.left + x, r.right - 1), r.top};
    }
    const std::vector<TextLine> lines = Lines(w);
    const auto line = static_cast<int>(LineOf(lines, caret_));
    if (line < top_ || line >= top_ + r.Height()) return std::nullopt;
    const TextLine& l = lines[static_cast<std::size_t>(line)];
    const int x = TextWidth(std::string_view(w.text).substr(l.begin, caret_ - l.begin));
    return POINT{std::min(r.left + x, r.left + TextColumns(w) - 1), r.top + line - top_};
}

}  // namespace

std::unique_ptr<WindowClass> MakeEditClass() { return std::make_unique<EditClass>(); }

}  // namespace qx::wm
