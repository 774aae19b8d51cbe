// Rectangles, points, solid brushes and device contexts.
//
// The layer keeps the pixel geometry of a desktop: one character cell is 8 pixels wide
// and 16 high, and every rectangle here is in pixels. A device context draws into the
// window it was made for, clipped to it and to the windows above it, and snaps to
// cells when it draws; a filled rectangle whose right edge ends inside a cell is
// finished with a left-eighths block, so a fill can grow one pixel (an eighth of a
// cell) at a time. A device context owns nothing but itself; brushes own nothing at
// all (a brush is a colour).
#pragma once

#include <string_view>

#include "platform/win_types.h"
#include "platform/windows/backend.h"
#include "platform/windows/messages.h"

namespace qx {

inline constexpr int kCellWidthPx = 8;
inline constexpr int kCellHeightPx = 16;

struct POINT {
    int x = 0;
    int y = 0;
};
struct RECT {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};
using LPRECT = RECT*;
using LPCRECT = const RECT*;
using LPPOINT = POINT*;

class CPoint : public POINT {
public:
    CPoint() = default;
    CPoint(int x0, int y0) { x = x0; y = y0; }
};

class CRect : public RECT {
public:
    CRect() = default;
    CRect(int l, int t, int r, int b) { left = l; top = t; right = r; bottom = b; }
    CRect(const RECT& r) : RECT(r) {}  // NOLINT: as the framework converts
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool IsRectEmpty() const { return right <= left || bottom <= top; }
    bool PtInRect(POINT p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
    void OffsetRect(int dx, int dy) { left += dx; right += dx; top += dy; bottom += dy; }
    void DeflateRect(int dx, int dy) { left += dx; right -= dx; top += dy; bottom -= dy; }
    void InflateRect(int dx, int dy) { DeflateRect(-dx, -dy); }
    operator LPRECT() { return this; }             // NOLINT
    operator LPCRECT() const { return this; }      // NOLINT
    bool operator==(const CRect& o) const {
        return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
};

// System colours the program asks for.
inline constexpr int COLOR_WINDOW = 5;
inline constexpr int COLOR_WINDOWTEXT = 8;
inline constexpr int COLOR_HIGHLIGHT = 13;
inline constexpr int COLOR_HIGHLIGHTTEXT = 14;
inline constexpr int COLOR_BTNFACE = 15;
COLORREF GetSysColor(int index);

// The nearest of the 16 palette colours (VGA order, the terminal's 16 colours).
Color NearestColor(COLORREF color);
COLORREF PaletteColor(Color color);

class CBrush {
public:
    CBrush() = default;
    explicit CBrush(COLORREF color) : color_(color), valid_(true) {}
    BOOL CreateSolidBrush(COLORREF color) {
        color_ = color;
        valid_ = true;
        return TRUE;
    }
    BOOL DeleteObject() {
        valid_ = false;
        return TRUE;
    }
    bool IsValid() const { return valid_; }
    COLORREF Color() const { return color_; }

private:
    COLORREF color_ = 0;
    bool valid_ = false;
};

struct Image;  // a decoded picture (platform/windows/image.h)

class CDC {
public:
    CDC() = default;
    virtual ~CDC() = default;
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;

    // Fills `rect` (pixels from this context's origin) with the brush's colour.
    int FillRect(LPCRECT rect, CBrush* brush);
    void FillSolidRect(LPCRECT rect, COLORREF color);
    // Draws a CP932 text whose first cell contains pixel (x, y), in the text and
    // background colours; wide characters are never cut in half.
    BOOL TextOut(int x, int y, std::string_view cp932);
    COLORREF SetTextColor(COLORREF color);
    COLORREF SetBkColor(COLORREF color);
    // Draws a picture with its top-left corner at pixel (x, y), two picture rows of 8
    // pixels per cell row, each half cell the area average of its pixels.
    void DrawImage(const Image& image, int x, int y);

    HWND GetWindow() const { return hwnd_; }

protected:
    void Attach(HWND hwnd, bool wholeWindow);

private:
    HWND hwnd_ = nullptr;
    bool whole_window_ = false;
    COLORREF text_color_ = 0;
    COLORREF bk_color_ = RGB(255, 255, 255);
    bool bk_set_ = false;
    friend class CWnd;
};

class CWnd;

// The client area of a window during WM_PAINT; making one validates the window.
class CPaintDC : public CDC {
public:
    explicit CPaintDC(CWnd* wnd);
};

// The whole window, frame and caption included; its origin is the window's
// top-left corner.
class CWindowDC : public CDC {
public:
    explicit CWindowDC(CWnd* wnd);
};

// The client area, outside of WM_PAINT.
class CClientDC : public CDC {
public:
    explicit CClientDC(CWnd* wnd);
};

}  // namespace qx
