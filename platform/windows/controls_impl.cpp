// The own handling of dialogs, static controls and buttons.
#include <cstring>

#include "platform/windows/controls.h"
#include "platform/windows/image.h"
#include "platform/windows/styles.h"
#include "platform/windows/text_layout.h"
#include "platform/windows/window_manager.h"

namespace qx::wm {

bool HandleTextMessage(Window& w, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
        case WM_SETTEXT: {
            const char* text = reinterpret_cast<const char*>(lParam);
            w.text = text ? text : "";
            Invalidate(w, true);
            result = TRUE;
            return true;
        }
        case WM_GETTEXT: {
            char* buffer = reinterpret_cast<char*>(lParam);
            const std::size_t size = static_cast<std::size_t>(wParam);
            if (!buffer || size == 0) {
                result = 0;
                return true;
            }
            const std::size_t n = std::min(size - 1, w.text.size());
            std::memcpy(buffer, w.text.data(), n);
            buffer[n] = '\0';
            result = static_cast<LRESULT>(n);
            return true;
        }
        case WM_GETTEXTLENGTH:
            result = static_cast<LRESULT>(w.text.size());
            return true;
        default:
            return false;
    }
}

void NotifyClicked(Window& button) {
    if (!button.parent) return;
    Send(*button.parent, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(button.id), BN_CLICKED),
         reinterpret_cast<LPARAM>(button.handle));
}

namespace {

class DialogClass final : public WindowClass {
public:
    LRESULT Proc(Window& w, UINT message, WPARAM wParam, LPARAM lParam) override {
        LRESULT result = 0;
        if (HandleTextMessage(w, message, wParam, lParam, result)) return result;
        switch (message) {
            case WM_INITDIALOG: return TRUE;
            case WM_SYSCOMMAND:
                if ((wParam & 0xFFF0) == SC_CLOSE) Send(w, WM_CLOSE);
                return 0;
            case WM_CLOSE: {
                // Closing is the Cancel command, unless a Cancel button exists and is disabled.
                Window* cancel = nullptr;
                for (Window* c : w.children) {
                    if (c->id == IDCANCEL) cancel = c;
                }
                if (cancel && !cancel->enabled) return 0;
                Send(w, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                     cancel ? reinterpret_cast<LPARAM>(cancel->handle) : 0);
                return 0;
            }
            default: return 0;
        }
    }
};

class StaticClass final : public WindowClass {
public:
    LRESULT Proc(Window& w, UINT message, WPARAM wParam, LPARAM lParam) override {
        LRESULT result = 0;
        if (HandleTextMessage(w, message, wParam, lParam, result)) return result;
        if (message == WM_PAINT) Paint(w);
        return 0;
    }

private:
    void Paint(Window& w) {
        Painter p(w, false);
        const CellRect r = OuterCells(w);
        const Color bg = DialogBackground();
        const Color fg = w.enabled ? DialogText() : Color::Grey;
        const DWORD type = w.style & SS_TYPEMASK;
        if (type == SS_BLACKFRAME) {
            // A frame needs cells of its own; a thin one (the progress bar's) draws
            // nothing and leaves its inside to whoever paints there.
            if (r.Height() >= 3 && r.Width() >= 2) p.Box(r, fg, bg);
            return;
        }
        p.Fill(r, bg, fg);
        if (type == SS_ICON) {
            if (!iconLoaded_) {
                iconLoaded_ = true;
                if (w.textOrdinal != 0) icon_ = LoadIconImage(w.textOrdinal);
                else if (!w.text.empty()) icon_ = LoadIconImage(ResourceName(w.text.c_str()));
            }
            if (icon_) PaintImage(p, *icon_, 0, 0);
            return;
        }
        if (type > 2) return;  // other pictures and rectangles are not used
        MnemonicText m;
        if (w.style & SS_NOPREFIX) m.text = w.text;
        else m = ParseMnemonic(w.text);
        const std::vector<TextLine> lines = WrapText(m.text, r.Width());
        for (int i = 0; i < static_cast<int>(lines.size()) && i < r.Height(); ++i) {
            const TextLine& line = lines[static_cast<std::size_t>(i)];
            const std::string_view text = std::string_view(m.text).substr(line.begin, line.end - line.begin);
            const int width = TextWidth(text);
            int x = r.left;
            if (type == 1) x += std::max(0, (r.Width() - width) / 2);
            else if (type == 2) x += std::max(0, r.Width() - width);
            const std::size_t underline = (m.underline != std::string::npos && m.underline >= line.begin &&
                                           m.underline < line.end)
                                              ? m.underline - line.begin
                                              : std::string_view::npos;
            p.Text(x, r.top + i, text, r.right - x, fg, bg, 0, underline);
        }
    }

    bool iconLoaded_ = false;
    std::optional<Image> icon_;
};

class ButtonClass final : public WindowClass {
public:
    LRESULT Proc(Window& w, UINT message, WPARAM wParam, LPARAM lParam) override {
        LRESULT result = 0;
        if (HandleTextMessage(w, message, wParam, lParam, result)) return result;
        switch (message) {
            case WM_PAINT: Paint(w); return 0;
            case WM_KEYDOWN:
                if (wParam == VK_SPACE) Click(w);
                return 0;
            case BM_CLICK: Click(w); return 0;
            case WM_LBUTTONDOWN:
                SetFocusTo(&w);
                w.pressed = true;
                Invalidate(w, true);
                return 0;
            case WM_LBUTTONUP: {
                const bool wasPressed = w.pressed;
                w.pressed = false;
                Invalidate(w, true);
                if (wasPressed && Inside(w, lParam)) Click(w);
                return 0;
            }
            default: return 0;
        }
    }

private:
    static bool Inside(const Window& w, LPARAM point) {
        const CellRect r = OuterCells(w);
        const int px = static_cast<short>(LOWORD(point));
        const int py = static_cast<short>(HIWORD(point));
        const int x = r.left + (px >= 0 ? px / kCellWidthPx : -1);
        const int y = r.top + (py >= 0 ? py / kCellHeightPx : -1);
        return r.Contains(x, y);
    }

    static void Click(Window& w) {
        if (!w.enabled) return;
        NotifyClicked(w);
    }

    static void Paint(Window& w) {
        Painter p(w, false);
        const CellRect r = OuterCells(w);
        const Color bg = DialogBackground();
        const DWORD type = w.style & BS_TYPEMASK;
        if (type == BS_OWNERDRAW) {
            p.Fill(r, bg, DialogText());
            auto* button = dynamic_cast<CButton*>(w.attached);
            if (!button) return;
            CClientDC dc(button);
            DRAWITEMSTRUCT dis;
            dis.CtlID = static_cast<UINT>(w.id);
            dis.hwndItem = w.handle;
            dis.pDC = &dc;
            dis.rcItem = {0, 0, w.rect.right - w.rect.left, w.rect.bottom - w.rect.top};
            if (w.pressed) dis.itemState |= ODS_SELECTED;
            if (Focus() == &w) dis.itemState |= ODS_FOCUS;
            if (!w.enabled) dis.itemState |= ODS_DISABLED;
            button->DrawItem(&dis);
            return;
        }
        p.Fill(r, bg, DialogText());
        if (r.Width() < 2) return;
        const bool focused = Focus() == &w;
        const bool isDefault = type == BS_DEFPUSHBUTTON;
        const Color fg = w.enabled ? Color::Black : Color::Grey;
        // Focus (and a press) shows as reverse video, which also reads on a
        // monochrome terminal; the default button has bold brackets and label.
        const std::uint8_t face = static_cast<std::uint8_t>((focused || w.pressed ? kAttrReverse : 0) |
                                                             (isDefault ? kAttrBold : 0));
        const int y = r.top + (r.Height() - 1) / 2;
        const MnemonicText m = ParseMnemonic(w.text);
        // A label too wide for its brackets takes the whole button instead.
        const bool brackets = TextWidth(m.text) <= r.Width() - 2;
        const int left = brackets ? r.left + 1 : r.left;
        const int inner = brackets ? r.Width() - 2 : r.Width();
        if (brackets) {
            p.Put(r.left, y, U'[', 1, fg, bg, isDefault ? kAttrBold : 0);
            p.Put(r.right - 1, y, U']', 1, fg, bg, isDefault ? kAttrBold : 0);
        }
        for (int x = left; x < left + inner; ++x) p.Put(x, y, U' ', 1, fg, bg, face);
        const int width = std::min(TextWidth(m.text), inner);
        p.Text(left + (inner - width) / 2, y, m.text, inner, fg, bg, face, m.underline);
    }
};

}  // namespace

std::unique_ptr<WindowClass> MakeDialogClass() { return std::make_unique<DialogClass>(); }
std::unique_ptr<WindowClass> MakeStaticClass() { return std::make_unique<StaticClass>(); }
std::unique_ptr<WindowClass> MakeButtonClass() { return std::make_unique<ButtonClass>(); }

}  // namespace qx::wm
