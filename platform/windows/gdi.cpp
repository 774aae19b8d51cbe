#include "platform/windows/gdi.h"

#include <algorithm>
#include <climits>
#include <optional>

#include "platform/windows/image.h"
#include "platform/windows/window_manager.h"
#include "platform/windows/wnd.h"

namespace qx {

namespace {

// The 16-colour VGA palette, in the order of Color.
constexpr COLORREF kPalette[16] = {
    RGB(0, 0, 0),       RGB(128, 0, 0),   RGB(0, 128, 0),   RGB(128, 128, 0),
    RGB(0, 0, 128),     RGB(128, 0, 128), RGB(0, 128, 128), RGB(192, 192, 192),
    RGB(128, 128, 128), RGB(255, 0, 0),   RGB(0, 255, 0),   RGB(255, 255, 0),
    RGB(0, 0, 255),     RGB(255, 0, 255), RGB(0, 255, 255), RGB(255, 255, 255),
};

int FloorDiv(int a, int b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

// U+2589 (seven eighths) down to U+258F (one eighth).
char32_t LeftEighths(int eighths) { return static_cast<char32_t>(0x2590 - eighths); }

void FillPixels(wm::Painter& p, const RECT& r, Color color) {
    if (r.right <= r.left || r.bottom <= r.top) return;
    const wm::CellRect a = p.Area();
    const int top = a.top + FloorDiv(r.top + kCellHeightPx / 2, kCellHeightPx);
    const int bottom = a.top + FloorDiv(r.bottom + kCellHeightPx / 2, kCellHeightPx);
    const int first = FloorDiv(r.left + kCellWidthPx / 2, kCellWidthPx);
    for (int y = top; y < bottom; ++y) {
        int cx = first;
        for (; (cx + 1) * kCellWidthPx <= r.right; ++cx) p.Put(a.left + cx, y, U' ', 1, Color::Black, color);
        const int rest = r.right - cx * kCellWidthPx;
        if (rest > 0 && rest < kCellWidthPx) {
            const Cell* under = p.CellAt(a.left + cx, y);
            const Color bg = under ? under->bg : wm::DialogBackground();
            p.Put(a.left + cx, y, LeftEighths(rest), 1, color, bg);
        }
    }
}

}  // namespace

COLORREF GetSysColor(int index) {
    switch (index) {
        case COLOR_WINDOW: return RGB(255, 255, 255);
        case COLOR_WINDOWTEXT: return RGB(0, 0, 0);
        case COLOR_HIGHLIGHT: return RGB(0, 0, 128);
        case COLOR_HIGHLIGHTTEXT: return RGB(255, 255, 255);
        case COLOR_BTNFACE: return RGB(192, 192, 192);
        default: return RGB(192, 192, 192);
    }
}

Color NearestColor(COLORREF c) {
    int best = 0;
    long bestDistance = LONG_MAX;
    for (int i = 0; i < 16; ++i) {
        const long dr = static_cast<long>(GetRValue(c)) - GetRValue(kPalette[i]);
        const long dg = static_cast<long>(GetGValue(c)) - GetGValue(kPalette[i]);
        const long db = static_cast<long>(GetBValue(c)) - GetBValue(kPalette[i]);
        const long d = dr * dr + dg * dg + db * db;
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return static_cast<Color>(best);
}

COLORREF PaletteColor(Color color) { return kPalette[static_cast<int>(color) & 15]; }

void CDC::Attach(HWND hwnd, bool wholeWindow) {
    hwnd_ = hwnd;
    whole_window_ = wholeWindow;
}

int CDC::FillRect(LPCRECT rect, CBrush* brush) {
    wm::Window* w = wm::Find(hwnd_);
    if (!w || !rect || !brush) return 0;
    wm::Painter p(*w, whole_window_);
    FillPixels(p, *rect, NearestColor(brush->Color()));
    return 1;
}

void CDC::FillSolidRect(LPCRECT rect, COLORREF color) {
    CBrush brush(color);
    FillRect(rect, &brush);
}

BOOL CDC::TextOut(int x, int y, std::string_view text) {
    wm::Window* w = wm::Find(hwnd_);
    if (!w) return FALSE;
    wm::Painter p(*w, whole_window_);
    const wm::CellRect a = p.Area();
    const int cx = a.left + FloorDiv(x, kCellWidthPx);
    const int cy = a.top + FloorDiv(y, kCellHeightPx);
    const Cell* under = p.CellAt(cx, cy);
    const Color bg = bk_set_ ? NearestColor(bk_color_) : (under ? under->bg : wm::DialogBackground());
    p.Text(cx, cy, text, a.right - cx, NearestColor(text_color_), bg);
    return TRUE;
}

COLORREF CDC::SetTextColor(COLORREF color) {
    const COLORREF old = text_color_;
    text_color_ = color;
    return old;
}

COLORREF CDC::SetBkColor(COLORREF color) {
    const COLORREF old = bk_color_;
    bk_color_ = color;
    bk_set_ = true;
    return old;
}

void CDC::DrawImage(const Image& image, int x, int y) {
    wm::Window* w = wm::Find(hwnd_);
    if (!w) return;
    wm::Painter p(*w, whole_window_);
    wm::PaintImage(p, image, x, y);
}

CPaintDC::CPaintDC(CWnd* wnd) {
    Attach(wnd ? wnd->m_hWnd : nullptr, false);
    if (wm::Window* w = wm::Find(GetWindow())) w->invalid = false;
}

CWindowDC::CWindowDC(CWnd* wnd) { Attach(wnd ? wnd->m_hWnd : nullptr, true); }

CClientDC::CClientDC(CWnd* wnd) { Attach(wnd ? wnd->m_hWnd : nullptr, false); }

namespace wm {

// Each half cell (8 x 8 pixels) takes the average colour of the picture's opaque
// pixels in it; a half cell that the picture covers less than half of, or whose
// pixels are mostly transparent, is left as it is.
void PaintImage(Painter& p, const Image& image, int x, int y) {
    if (image.width <= 0 || image.height <= 0) return;
    const CellRect a = p.Area();
    const int half = kCellHeightPx / 2;
    const int c0 = FloorDiv(x, kCellWidthPx);
    const int c1 = FloorDiv(x + image.width + kCellWidthPx - 1, kCellWidthPx);
    const int r0 = FloorDiv(y, kCellHeightPx);
    const int r1 = FloorDiv(y + image.height + kCellHeightPx - 1, kCellHeightPx);
    auto average = [&](int px0, int py0, std::optional<Color>& out) {
        const int xa = std::max(px0, x), xb = std::min(px0 + kCellWidthPx, x + image.width);
        const int ya = std::max(py0, y), yb = std::min(py0 + half, y + image.height);
        if (xb <= xa || yb <= ya) return;
        const int cover = (xb - xa) * (yb - ya);
        if (cover * 2 < kCellWidthPx * half) return;
        long r = 0, g = 0, b = 0;
        int n = 0;
        for (int py = ya; py < yb; ++py) {
            for (int px = xa; px < xb; ++px) {
                if (!image.OpaqueAt(px - x, py - y)) continue;
                const COLORREF c = image.At(px - x, py - y);
                r += GetRValue(c);
                g += GetGValue(c);
                b += GetBValue(c);
                ++n;
            }
        }
        if (n * 2 < cover) return;
        out = NearestColor(RGB(static_cast<BYTE>(r / n), static_cast<BYTE>(g / n), static_cast<BYTE>(b / n)));
    };
    for (int row = r0; row < r1; ++row) {
        for (int col = c0; col < c1; ++col) {
            std::optional<Color> upper, lower;
            average(col * kCellWidthPx, row * kCellHeightPx, upper);
            average(col * kCellWidthPx, row * kCellHeightPx + half, lower);
            if (!upper && !lower) continue;
            const int cx = a.left + col, cy = a.top + row;
            const Cell* under = p.CellAt(cx, cy);
            if (!under) continue;
            const Color bg = under->bg;
            if (upper && lower) p.Put(cx, cy, U'▀', 1, *upper, *lower);
            else if (upper) p.Put(cx, cy, U'▀', 1, *upper, bg);
            else p.Put(cx, cy, U'▄', 1, *lower, bg);
        }
    }
}

}  // namespace wm

}  // namespace qx
