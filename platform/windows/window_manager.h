// Inside the window layer: the windows themselves, the posted-message queue, timers,
// focus, painting into the screen buffer and the modal loop. Only the layer's own
// sources include this header; the program uses CWnd, CDialog and the controls.
//
// Ownership: the manager owns every Window (created by the dialog code, destroyed
// when the dialog's modal run ends) and the screen buffer; the backend belongs to
// whoever installed it. Everything here runs on the user-interface thread except
// PostMessage, which only touches the queue under its lock.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/windows/backend.h"
#include "platform/windows/dialog_template.h"
#include "platform/windows/gdi.h"
#include "platform/windows/messages.h"

namespace qx {
class CWnd;
struct Image;
}

namespace qx::wm {

enum class Kind : std::uint8_t { Dialog, Static, Edit, Button };

struct CellRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
    bool Empty() const { return right <= left || bottom <= top; }
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    CellRect Intersect(const CellRect& o) const;
};

struct Window;

// The window's own handling: what a control does with its messages when no CWnd
// took them (typing into an edit box, pressing a button, painting a label).
class WindowClass {
public:
    virtual ~WindowClass() = default;
    virtual LRESULT Proc(Window& w, UINT message, WPARAM wParam, LPARAM lParam) = 0;
    // The caret's cell while the window has the focus, if it shows one.
    virtual std::optional<POINT> Caret(const Window&) const { return std::nullopt; }
};

struct Window {
    HWND handle = nullptr;
    Kind kind = Kind::Static;
    Window* parent = nullptr;  // controls: their dialog
    Window* owner = nullptr;   // dialogs: the window they were run over
    std::vector<Window*> children;
    DWORD style = 0;
    int id = 0;
    std::string text;  // CP932
    WORD textOrdinal = 0;
    RECT rect;  // pixels; dialogs in screen coordinates, controls in their dialog's client area
    bool visible = false;
    bool enabled = true;
    CWnd* attached = nullptr;          // the program's object, if any
    std::unique_ptr<CWnd> standIn;     // the layer's object for GetDlgItem
    std::unique_ptr<WindowClass> cls;
    bool invalid = false;
    bool erase = false;
    Window* focus = nullptr;  // dialogs: the control that has (or last had) the focus
    bool centered = false;
    HWND centerOver = nullptr;
    bool pressed = false;     // buttons: held down by the mouse or Space
};

// The controls' and the dialog's own handling (controls_impl.cpp, edit_impl.cpp).
std::unique_ptr<WindowClass> MakeDialogClass();
std::unique_ptr<WindowClass> MakeStaticClass();
std::unique_ptr<WindowClass> MakeButtonClass();
std::unique_ptr<WindowClass> MakeEditClass();
// WM_SETTEXT, WM_GETTEXT and WM_GETTEXTLENGTH on w.text; false for other messages.
bool HandleTextMessage(Window& w, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
// Sends the button's BN_CLICKED to its dialog.
void NotifyClicked(Window& button);
// Draws a picture with its top-left corner at pixel (x, y) of the painter's area.
class Painter;
void PaintImage(Painter& p, const Image& image, int x, int y);

// Registry.
Window* Find(HWND hwnd);
Window* CreateDialogWindow(const DialogTemplate& dialog, Window* owner);
void DestroyDialogWindow(Window* dialog);
Window* TopLevelOf(Window* w);
LRESULT Send(Window& w, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
CWnd* StandIn(Window& w);  // the CWnd that GetDlgItem hands out

// Geometry.
CellRect OuterCells(const Window& w);   // dialogs: frame included; controls: their cells
CellRect ClientCells(const Window& w);
RECT ScreenRectPx(const Window& w);
POINT ClientOriginPx(const Window& w);  // screen pixels
int CellX(int px);
int CellY(int py);
RECT WorkAreaPx();
void SetRect(Window& w, const RECT& rect);  // repaints what it must
void Center(Window& w, HWND over);

// Focus, enabling, visibility.
Window* Focus();
void SetFocusTo(Window* w);
void GotoControl(Window* control);  // an edit box gets its whole text selected first
Window* NextTabStop(Window& dialog, Window* from, bool backwards);
Window* ActiveWindow();  // the topmost enabled visible dialog
void Show(Window& w, bool show);
void Enable(Window& w, bool enable);

// Timers.
void SetTimer(Window& w, UINT_PTR id, UINT elapse);
bool KillTimer(Window& w, UINT_PTR id);

// Painting.
void Invalidate(Window& w, bool erase);
void UpdateNow(Window& w);
void RequestFullRedraw();
Color DialogBackground();
Color DialogText();
void SetDialogColors(COLORREF background, COLORREF text);
void Beep();

// Draws into the screen buffer for one window, clipped to it (its client area or its
// whole window), to the screen and to the windows above it.
class Painter {
public:
    Painter(const Window& w, bool wholeWindow);
    const CellRect& Area() const { return area_; }  // the window's cells (unclipped)
    bool Visible(int x, int y) const;
    // Writes one character of `width` columns; a wide character that does not fit is
    // drawn as a blank, and wide characters it overlaps lose both halves.
    void Put(int x, int y, char32_t ch, int width, Color fg, Color bg, std::uint8_t attr = 0);
    void Fill(const CellRect& r, Color bg, Color fg = Color::Black);
    // A single-line box along the edges of `r` (at least 2 x 2 cells).
    void Box(const CellRect& r, Color fg, Color bg);
    // A line of CP932 text from column x, at most maxColumns wide; returns the columns
    // used. `underline` is a byte offset to underline (npos: none).
    int Text(int x, int y, std::string_view cp932, int maxColumns, Color fg, Color bg,
             std::uint8_t attr = 0, std::size_t underline = std::string_view::npos);
    Cell* CellAt(int x, int y);  // null when not visible

private:
    const Window* top_;
    CellRect area_;
    CellRect clip_;
};

// The modal loop: hands out posted messages first, then input, then due timers, then
// paint, and sleeps in the backend until the next timer when there is nothing to do.
// Returns false when the loop had to give up (no backend, or the backend ended the
// session); `done` is asked after every step.
bool RunModalLoop(const std::function<bool()>& done);

// The key being handled: for GetKeyState.
struct KeyModifiers {
    bool shift = false, ctrl = false, alt = false;
};
const KeyModifiers& CurrentModifiers();

}  // namespace qx::wm
