// CWnd: the program's view of a window, and the per-class tables of message handlers.
//
// A window (HWND) belongs to the layer: its rectangle, text, style, children and the
// control's own behaviour (an edit box's text and caret, a button's press) live there.
// A CWnd is attached to at most one window; while attached, the window's messages go
// to its WindowProc first, whose default looks the message up in the class's table
// of handlers and otherwise hands it to DefWindowProc, the window's own handling.
// The program owns its CWnd objects; the layer owns the windows and detaches every
// CWnd when its window is destroyed. CWnd objects that the layer hands out for
// controls nobody attached to (GetDlgItem) belong to the layer and live as long as
// their window.
//
// Handler tables replace message-map macros:
//
//     const MessageMap* CSplashDlg::GetMessageMap() const {
//         static const MessageMap map{CDialog::GetMessageMap(), {
//             MapTimer(&CSplashDlg::OnTimer),
//             MapMessage(WM_DL_START, &CSplashDlg::OnStart),
//             MapBnClicked(IDC_ABOUT, &CSplashDlg::OnAbout),
//         }};
//         return &map;
//     }
//
// A handler that wants the default handling of its message calls Default().
#pragma once

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "platform/strings/cstring.h"
#include "platform/win_types.h"
#include "platform/windows/gdi.h"
#include "platform/windows/messages.h"

namespace qx {


class CDC;
class CWnd;

struct MessageMapEntry {
    UINT message = 0;  // WM_COMMAND entries match `id` and `code` as well
    UINT id = 0;
    WORD code = 0;
    std::function<LRESULT(CWnd&, WPARAM, LPARAM)> call;
};

struct MessageMap {
    const MessageMap* base = nullptr;
    std::vector<MessageMapEntry> entries;
    MessageMap(const MessageMap* baseMap, std::initializer_list<MessageMapEntry> list)
        : base(baseMap), entries(list) {}
};


class CWnd {
public:
    CWnd() = default;
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND m_hWnd = nullptr;
    HWND GetSafeHwnd() const { return m_hWnd; }
    operator HWND() const { return m_hWnd; }  // NOLINT: as the framework converts

    // The CWnd attached to `hwnd`, or a CWnd of the layer standing for it; null for
    // a window that does not exist.
    static CWnd* FromHandle(HWND hwnd);

    // Messages.
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // The default handling of the message being handled now.
    LRESULT Default();
    // The window's own handling (the control's, or the dialog's).
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);

    // Attaches this object to control `nID` of `pParent`: from now on the control's
    // messages reach this object's WindowProc first.
    BOOL SubclassDlgItem(UINT nID, CWnd* pParent);
    BOOL SubclassWindow(HWND hwnd);
    HWND UnsubclassWindow();

    // The window tree.
    CWnd* GetDlgItem(int nID) const;
    CWnd* GetParent() const;
    int GetDlgCtrlID() const;
    DWORD GetStyle() const;

    // Texts (CP932).
    void SetWindowText(const char* text);
    void GetWindowText(CString& text) const;
    int GetWindowText(char* buffer, int size) const;
    int GetWindowTextLength() const;
    void SetDlgItemText(int nID, const char* text);
    int GetDlgItemText(int nID, CString& text) const;
    int GetDlgItemText(int nID, char* buffer, int size) const;

    // Keyboard focus.
    CWnd* SetFocus();
    static CWnd* GetFocus();

    // Timers: WM_TIMER with wParam = nIDEvent every nElapse ms of the current clock.
    UINT_PTR SetTimer(UINT_PTR nIDEvent, UINT nElapse, void* lpfnTimer = nullptr);
    BOOL KillTimer(UINT_PTR nIDEvent);

    // Painting.
    void Invalidate(BOOL bErase = TRUE);
    void InvalidateRect(LPCRECT rect, BOOL bErase = TRUE);
    void UpdateWindow();
    CDC* GetDC();
    CDC* GetWindowDC();
    int ReleaseDC(CDC* dc);

    // Geometry, in pixels: window rectangles in screen coordinates, client rectangles
    // from the client area's top-left corner.
    void GetWindowRect(LPRECT rect) const;
    void GetClientRect(LPRECT rect) const;
    BOOL SetWindowPos(const CWnd* pWndInsertAfter, int x, int y, int cx, int cy, UINT nFlags);
    void MoveWindow(int x, int y, int cx, int cy, BOOL bRepaint = TRUE);
    void MoveWindow(LPCRECT rect, BOOL bRepaint = TRUE);
    // Centres a top-level window over `pAlternateOwner`, else over its owner, else on
    // the screen's work area; it stays centred when the screen changes size.
    void CenterWindow(CWnd* pAlternateOwner = nullptr);
    void ScreenToClient(LPRECT rect) const;
    void ScreenToClient(LPPOINT point) const;
    void ClientToScreen(LPRECT rect) const;
    void ClientToScreen(LPPOINT point) const;

    BOOL ShowWindow(int nCmdShow);
    BOOL IsWindowVisible() const;
    BOOL EnableWindow(BOOL bEnable = TRUE);
    BOOL IsWindowEnabled() const;

protected:
    // The class's table of handlers; a derived class returns its own, chained to its
    // base's.
    virtual const MessageMap* GetMessageMap() const;
    // Looks the message up in the handler tables. TRUE when a handler took it.
    virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    // WM_COMMAND: the command entries of the tables. TRUE when a handler took it.
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);

    // The framework's handlers: each passes its message on to the default handling,
    // so a derived handler ends with e.g. CEdit::OnKeyDown(nChar, nRepCnt, nFlags).
    void OnPaint();
    void OnTimer(UINT_PTR nIDEvent);
    void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags);
    void OnChar(UINT nChar, UINT nRepCnt, UINT nFlags);
    void OnLButtonDown(UINT nFlags, CPoint point);
    void OnLButtonUp(UINT nFlags, CPoint point);
    void OnLButtonDblClk(UINT nFlags, CPoint point);
    void OnRButtonDown(UINT nFlags, CPoint point);
    void OnRButtonUp(UINT nFlags, CPoint point);
    void OnSetFocus(CWnd* pOldWnd);
    void OnKillFocus(CWnd* pNewWnd);
    void OnClose();

private:
    struct CurrentMessage {
        UINT message = 0;
        WPARAM wParam = 0;
        LPARAM lParam = 0;
    };
    CurrentMessage current_;
    friend LRESULT CallWindow(CWnd& wnd, UINT message, WPARAM wParam, LPARAM lParam);
};

// Delivers a message to `wnd` through its WindowProc, keeping what Default() needs.
LRESULT CallWindow(CWnd& wnd, UINT message, WPARAM wParam, LPARAM lParam);

// Table entries. T is the class whose table it is; the handler signatures follow the
// framework's (OnTimer(UINT_PTR), OnKeyDown(UINT, UINT, UINT), ...).
template <class T>
MessageMapEntry MapMessage(UINT message, LRESULT (T::*fn)(WPARAM, LPARAM)) {
    return {message, 0, 0, [fn](CWnd& w, WPARAM wp, LPARAM lp) { return (static_cast<T&>(w).*fn)(wp, lp); }};
}
template <class T>
MessageMapEntry MapCommand(UINT id, void (T::*fn)()) {
    return {WM_COMMAND, id, BN_CLICKED, [fn](CWnd& w, WPARAM, LPARAM) { (static_cast<T&>(w).*fn)(); return LRESULT{0}; }};
}
template <class T>
MessageMapEntry MapBnClicked(UINT id, void (T::*fn)()) {
    return MapCommand(id, fn);
}
template <class T>
MessageMapEntry MapPaint(void (T::*fn)()) {
    return {WM_PAINT, 0, 0, [fn](CWnd& w, WPARAM, LPARAM) { (static_cast<T&>(w).*fn)(); return LRESULT{0}; }};
}
template <class T>
MessageMapEntry MapTimer(void (T::*fn)(UINT_PTR)) {
    return {WM_TIMER, 0, 0, [fn](CWnd& w, WPARAM wp, LPARAM) { (static_cast<T&>(w).*fn)(wp); return LRESULT{0}; }};
}
template <class T>
MessageMapEntry MapKeyDown(void (T::*fn)(UINT, UINT, UINT)) {
    return {WM_KEYDOWN, 0, 0, [fn](CWnd& w, WPARAM wp, LPARAM lp) {
                (static_cast<T&>(w).*fn)(static_cast<UINT>(wp), LOWORD(lp), HIWORD(lp));
                return LRESULT{0};
            }};
}
template <class T>
MessageMapEntry MapChar(void (T::*fn)(UINT, UINT, UINT)) {
    return {WM_CHAR, 0, 0, [fn](CWnd& w, WPARAM wp, LPARAM lp) {
                (static_cast<T&>(w).*fn)(static_cast<UINT>(wp), LOWORD(lp), HIWORD(lp));
                return LRESULT{0};
            }};
}
namespace detail {
template <class T>
MessageMapEntry MapMouse(UINT message, void (T::*fn)(UINT, CPoint)) {
    return {message, 0, 0, [fn](CWnd& w, WPARAM wp, LPARAM lp) {
                (static_cast<T&>(w).*fn)(static_cast<UINT>(wp),
                                         CPoint(static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))));
                return LRESULT{0};
            }};
}
}  // namespace detail
template <class T>
MessageMapEntry MapLButtonDown(void (T::*fn)(UINT, CPoint)) { return detail::MapMouse(WM_LBUTTONDOWN, fn); }
template <class T>
MessageMapEntry MapLButtonUp(void (T::*fn)(UINT, CPoint)) { return detail::MapMouse(WM_LBUTTONUP, fn); }
template <class T>
MessageMapEntry MapLButtonDblClk(void (T::*fn)(UINT, CPoint)) { return detail::MapMouse(WM_LBUTTONDBLCLK, fn); }
template <class T>
MessageMapEntry MapRButtonDown(void (T::*fn)(UINT, CPoint)) { return detail::MapMouse(WM_RBUTTONDOWN, fn); }
template <class T>
MessageMapEntry MapRButtonUp(void (T::*fn)(UINT, CPoint)) { return detail::MapMouse(WM_RBUTTONUP, fn); }
template <class T>
MessageMapEntry MapSetFocus(void (T::*fn)(CWnd*)) {
    return {WM_SETFOCUS, 0, 0, [fn](CWnd& w, WPARAM wp, LPARAM) {
                (static_cast<T&>(w).*fn)(CWnd::FromHandle(reinterpret_cast<HWND>(wp)));
                return LRESULT{0};
            }};
}
template <class T>
MessageMapEntry MapKillFocus(void (T::*fn)(CWnd*)) {
    return {WM_KILLFOCUS, 0, 0, [fn](CWnd& w, WPARAM wp, LPARAM) {
                (static_cast<T&>(w).*fn)(CWnd::FromHandle(reinterpret_cast<HWND>(wp)));
                return LRESULT{0};
            }};
}
template <class T>
MessageMapEntry MapClose(void (T::*fn)()) {
    return {WM_CLOSE, 0, 0, [fn](CWnd& w, WPARAM, LPARAM) { (static_cast<T&>(w).*fn)(); return LRESULT{0}; }};
}

}  // namespace qx
