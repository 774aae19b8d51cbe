// Window handles, message numbers, virtual keys and the posted-message entry point.
//
// A window handle names a window of the layer; it is never reused while the process
// runs, so a message posted to a window that has gone (for example by a worker thread
// that finishes late) is dropped when its turn comes instead of reaching a stranger.
// PostMessage is safe from any thread; everything else in the layer belongs to the
// user-interface thread.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/win_types.h"

namespace qx {

struct HWND__;
using HWND = HWND__*;
using UINT_PTR = std::uintptr_t;
using INT_PTR = std::intptr_t;

constexpr WPARAM MAKEWPARAM(WORD lo, WORD hi) {
    return static_cast<WPARAM>(static_cast<DWORD>(lo) | (static_cast<DWORD>(hi) << 16));
}
constexpr LRESULT MAKELRESULT(WORD lo, WORD hi) { return MAKELPARAM(lo, hi); }

// Window messages.
inline constexpr UINT WM_NULL = 0x0000;
inline constexpr UINT WM_DESTROY = 0x0002;
inline constexpr UINT WM_SETFOCUS = 0x0007;
inline constexpr UINT WM_KILLFOCUS = 0x0008;
inline constexpr UINT WM_ENABLE = 0x000A;
inline constexpr UINT WM_SETTEXT = 0x000C;
inline constexpr UINT WM_GETTEXT = 0x000D;
inline constexpr UINT WM_GETTEXTLENGTH = 0x000E;
inline constexpr UINT WM_PAINT = 0x000F;
inline constexpr UINT WM_CLOSE = 0x0010;
inline constexpr UINT WM_SHOWWINDOW = 0x0018;
inline constexpr UINT WM_NCMOUSEMOVE = 0x00A0;
inline constexpr UINT WM_NCLBUTTONDOWN = 0x00A1;
inline constexpr UINT WM_NCLBUTTONUP = 0x00A2;
inline constexpr UINT WM_KEYDOWN = 0x0100;
inline constexpr UINT WM_KEYUP = 0x0101;
inline constexpr UINT WM_CHAR = 0x0102;  // wParam: the character as a Unicode code point
inline constexpr UINT WM_INITDIALOG = 0x0110;
inline constexpr UINT WM_COMMAND = 0x0111;
inline constexpr UINT WM_SYSCOMMAND = 0x0112;
inline constexpr UINT WM_TIMER = 0x0113;
inline constexpr UINT WM_MOUSEMOVE = 0x0200;
inline constexpr UINT WM_LBUTTONDOWN = 0x0201;
inline constexpr UINT WM_LBUTTONUP = 0x0202;
inline constexpr UINT WM_LBUTTONDBLCLK = 0x0203;
inline constexpr UINT WM_RBUTTONDOWN = 0x0204;
inline constexpr UINT WM_RBUTTONUP = 0x0205;
inline constexpr UINT WM_MOUSEWHEEL = 0x020A;
inline constexpr UINT WM_USER = 0x0400;

// Edit control messages.
inline constexpr UINT EM_GETSEL = 0x00B0;
inline constexpr UINT EM_SETSEL = 0x00B1;
inline constexpr UINT EM_LINESCROLL = 0x00B6;
inline constexpr UINT EM_SCROLLCARET = 0x00B7;
inline constexpr UINT EM_GETLINECOUNT = 0x00BA;
inline constexpr UINT EM_REPLACESEL = 0x00C2;
inline constexpr UINT EM_LIMITTEXT = 0x00C5;
inline constexpr UINT EM_SETLIMITTEXT = EM_LIMITTEXT;
inline constexpr UINT EM_GETFIRSTVISIBLELINE = 0x00CE;
inline constexpr UINT EM_SETREADONLY = 0x00CF;
inline constexpr UINT EM_GETLIMITTEXT = 0x00D5;

// Button messages and notifications.
inline constexpr UINT BM_CLICK = 0x00F5;
inline constexpr WORD BN_CLICKED = 0;

// WM_SYSCOMMAND codes.
inline constexpr WPARAM SC_CLOSE = 0xF060;

// Hit-test code carried by the non-client mouse messages of a control's scroll bar.
inline constexpr WPARAM HTVSCROLL = 7;

// Mouse key state flags in wParam of the mouse messages.
inline constexpr WPARAM MK_LBUTTON = 0x0001;
inline constexpr WPARAM MK_RBUTTON = 0x0002;

// Virtual keys (wParam of WM_KEYDOWN). Letters and digits are their ASCII capitals.
inline constexpr UINT VK_BACK = 0x08;
inline constexpr UINT VK_TAB = 0x09;
inline constexpr UINT VK_RETURN = 0x0D;
inline constexpr UINT VK_SHIFT = 0x10;
inline constexpr UINT VK_CONTROL = 0x11;
inline constexpr UINT VK_MENU = 0x12;
inline constexpr UINT VK_ESCAPE = 0x1B;
inline constexpr UINT VK_SPACE = 0x20;
inline constexpr UINT VK_PRIOR = 0x21;
inline constexpr UINT VK_NEXT = 0x22;
inline constexpr UINT VK_END = 0x23;
inline constexpr UINT VK_HOME = 0x24;
inline constexpr UINT VK_LEFT = 0x25;
inline constexpr UINT VK_UP = 0x26;
inline constexpr UINT VK_RIGHT = 0x27;
inline constexpr UINT VK_DOWN = 0x28;
inline constexpr UINT VK_INSERT = 0x2D;
inline constexpr UINT VK_DELETE = 0x2E;
inline constexpr UINT VK_F4 = 0x73;

// ShowWindow commands.
inline constexpr int SW_HIDE = 0;
inline constexpr int SW_SHOWNORMAL = 1;
inline constexpr int SW_SHOW = 5;

// SetWindowPos flags.
inline constexpr UINT SWP_NOSIZE = 0x0001;
inline constexpr UINT SWP_NOMOVE = 0x0002;
inline constexpr UINT SWP_NOZORDER = 0x0004;
inline constexpr UINT SWP_NOREDRAW = 0x0008;
inline constexpr UINT SWP_NOACTIVATE = 0x0010;
inline constexpr UINT SWP_SHOWWINDOW = 0x0040;
inline constexpr UINT SWP_HIDEWINDOW = 0x0080;

// Puts a message at the end of the queue of the user-interface thread and wakes it.
// Safe from any thread. FALSE when the window does not exist (any more).
BOOL PostMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

// PostMessage for a worker's completion: `prelude` runs on the user-interface thread
// right before the message is handed to the window (to copy a result into memory the
// window's owner holds), and never when the window is gone by then; the message is
// then dropped as usual and `prelude` destroyed unrun. Safe from any thread.
BOOL PostMessageWithPrelude(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam,
                            std::function<void()> prelude);

// Calls the window's procedure at once (user-interface thread only); 0 for a window
// that does not exist.
LRESULT SendMessage(HWND hWnd, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

BOOL IsWindow(HWND hWnd);

// During the handling of a keyboard message: negative when `virtualKey` (VK_SHIFT,
// VK_CONTROL, VK_MENU) was held with the key, otherwise 0.
short GetKeyState(int virtualKey);

}  // namespace qx
