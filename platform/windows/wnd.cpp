#include "platform/windows/wnd.h"

#include <algorithm>

#include "platform/windows/window_manager.h"

namespace qx {

namespace {

wm::Window* W(const CWnd* wnd) { return wnd ? wm::Find(wnd->m_hWnd) : nullptr; }

}  // namespace

LRESULT CallWindow(CWnd& wnd, UINT message, WPARAM wParam, LPARAM lParam) {
    const CWnd::CurrentMessage saved = wnd.current_;
    wnd.current_ = {message, wParam, lParam};
    const LRESULT result = wnd.WindowProc(message, wParam, lParam);
    wnd.current_ = saved;
    return result;
}

CWnd::~CWnd() {
    if (wm::Window* w = wm::Find(m_hWnd); w && w->attached == this) w->attached = nullptr;
}

CWnd* CWnd::FromHandle(HWND hwnd) {
    wm::Window* w = wm::Find(hwnd);
    if (!w) return nullptr;
    return w->attached ? w->attached : wm::StandIn(*w);
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return qx::SendMessage(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return qx::PostMessage(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (OnWndMsg(message, wParam, lParam, &result)) return result;
    return DefWindowProc(message, wParam, lParam);
}

LRESULT CWnd::Default() { return DefWindowProc(current_.message, current_.wParam, current_.lParam); }

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    wm::Window* w = W(this);
    if (!w || !w->cls) return 0;
    return w->cls->Proc(*w, message, wParam, lParam);
}

const MessageMap* CWnd::GetMessageMap() const {
    static const MessageMap map{nullptr, {}};
    return &map;
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    if (message == WM_COMMAND) {
        if (!OnCommand(wParam, lParam)) return FALSE;
        *pResult = 0;
        return TRUE;
    }
    for (const MessageMap* map = GetMessageMap(); map; map = map->base) {
        for (const MessageMapEntry& e : map->entries) {
            if (e.message == message) {
                *pResult = e.call(*this, wParam, lParam);
                return TRUE;
            }
        }
    }
    return FALSE;
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam) {
    const UINT id = LOWORD(static_cast<LPARAM>(wParam));
    const WORD code = HIWORD(static_cast<LPARAM>(wParam));
    for (const MessageMap* map = GetMessageMap(); map; map = map->base) {
        for (const MessageMapEntry& e : map->entries) {
            if (e.message == WM_COMMAND && e.id == id && e.code == code) {
                e.call(*this, wParam, lParam);
                return TRUE;
            }
        }
    }
    return FALSE;
}

void CWnd::OnPaint() { Default(); }
void CWnd::OnTimer(UINT_PTR) { Default(); }
void CWnd::OnKeyDown(UINT, UINT, UINT) { Default(); }
void CWnd::OnChar(UINT, UINT, UINT) { Default(); }
void CWnd::OnLButtonDown(UINT, CPoint) { Default(); }
void CWnd::OnLButtonUp(UINT, CPoint) { Default(); }
void CWnd::OnLButtonDblClk(UINT, CPoint) { Default(); }
void CWnd::OnRButtonDown(UINT, CPoint) { Default(); }
void CWnd::OnRButtonUp(UINT, CPoint) { Default(); }
void CWnd::OnSetFocus(CWnd*) { Default(); }
void CWnd::OnKillFocus(CWnd*) { Default(); }
void CWnd::OnClose() { Default(); }

BOOL CWnd::SubclassDlgItem(UINT nID, CWnd* pParent) {
    wm::Window* parent = W(pParent);
    if (!parent) return FALSE;
    for (wm::Window* c : parent->children) {
        if (static_cast<UINT>(static_cast<WORD>(c->id)) == static_cast<UINT>(static_cast<WORD>(nID))) {
            return SubclassWindow(c->handle);
        }
    }
    return FALSE;
}

BOOL CWnd::SubclassWindow(HWND hwnd) {
    wm::Window* w = wm::Find(hwnd);
    if (!w || m_hWnd || (w->attached && w->attached != this)) return FALSE;
    w->attached = this;
    m_hWnd = hwnd;
    return TRUE;
}

HWND CWnd::UnsubclassWindow() {
    wm::Window* w = W(this);
    const HWND h = m_hWnd;
    if (w && w->attached == this) w->attached = nullptr;
    m_hWnd = nullptr;
    return h;
}

CWnd* CWnd::GetDlgItem(int nID) const {
    wm::Window* w = W(this);
    if (!w) return nullptr;
    for (wm::Window* c : w->children) {
        if (static_cast<WORD>(c->id) == static_cast<WORD>(nID)) return FromHandle(c->handle);
    }
    return nullptr;
}

CWnd* CWnd::GetParent() const {
    wm::Window* w = W(this);
    if (!w) return nullptr;
    wm::Window* p = w->parent ? w->parent : w->owner;
    return p ? FromHandle(p->handle) : nullptr;
}

int CWnd::GetDlgCtrlID() const {
    wm::Window* w = W(this);
    return w ? w->id : 0;
}

DWORD CWnd::GetStyle() const {
    wm::Window* w = W(this);
    return w ? w->style : 0;
}

void CWnd::SetWindowText(const char* text) {
    SendMessage(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text ? text : ""));
}

void CWnd::GetWindowText(CString& text) const {
    auto* self = const_cast<CWnd*>(this);
    const auto length = static_cast<std::size_t>(std::max<LRESULT>(0, self->SendMessage(WM_GETTEXTLENGTH)));
    std::string buffer(length + 1, '\0');
    const auto got = self->SendMessage(WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()));
    buffer.resize(static_cast<std::size_t>(std::clamp<LRESULT>(got, 0, static_cast<LRESULT>(length))));
    text = CString(std::move(buffer));
}

int CWnd::GetWindowText(char* buffer, int size) const {
    if (!buffer || size <= 0) return 0;
    return static_cast<int>(const_cast<CWnd*>(this)->SendMessage(WM_GETTEXT, static_cast<WPARAM>(size),
                                                                 reinterpret_cast<LPARAM>(buffer)));
}

int CWnd::GetWindowTextLength() const {
    return static_cast<int>(const_cast<CWnd*>(this)->SendMessage(WM_GETTEXTLENGTH));
}

void CWnd::SetDlgItemText(int nID, const char* text) {
    if (CWnd* c = GetDlgItem(nID)) c->SetWindowText(text);
}

int CWnd::GetDlgItemText(int nID, CString& text) const {
    CWnd* c = GetDlgItem(nID);
    if (!c) {
        text.Empty();
        return 0;
    }
    c->GetWindowText(text);
    return text.GetLength();
}

int CWnd::GetDlgItemText(int nID, char* buffer, int size) const {
    CWnd* c = GetDlgItem(nID);
    if (!c) {
        if (buffer && size > 0) buffer[0] = '\0';
        return 0;
    }
    return c->GetWindowText(buffer, size);
}

CWnd* CWnd::SetFocus() {
    wm::Window* old = wm::Focus();
    const HWND oldHandle = old ? old->handle : nullptr;
    if (wm::Window* w = W(this)) wm::SetFocusTo(w);
    return FromHandle(oldHandle);
}

CWnd* CWnd::GetFocus() {
    wm::Window* f = wm::Focus();
    return f ? FromHandle(f->handle) : nullptr;
}

UINT_PTR CWnd::SetTimer(UINT_PTR nIDEvent, UINT nElapse, void*) {
    wm::Window* w = W(this);
    if (!w) return 0;
    wm::SetTimer(*w, nIDEvent, nElapse);
    return nIDEvent == 0 ? 1 : nIDEvent;
}

BOOL CWnd::KillTimer(UINT_PTR nIDEvent) {
    wm::Window* w = W(this);
    return w && wm::KillTimer(*w, nIDEvent) ? TRUE : FALSE;
}

void CWnd::Invalidate(BOOL bErase) {
    if (wm::Window* w = W(this)) wm::Invalidate(*w, bErase != FALSE);
}

// The layer repaints whole windows; the rectangle only says that something changed.
void CWnd::InvalidateRect(LPCRECT, BOOL bErase) { Invalidate(bErase); }

void CWnd::UpdateWindow() {
    if (wm::Window* w = W(this)) wm::UpdateNow(*w);
}

CDC* CWnd::GetDC() { return new CClientDC(this); }
CDC* CWnd::GetWindowDC() { return new CWindowDC(this); }
int CWnd::ReleaseDC(CDC* dc) {
    delete dc;
    return 1;
}

void CWnd::GetWindowRect(LPRECT rect) const {
    if (!rect) return;
    wm::Window* w = W(this);
    *rect = w ? wm::ScreenRectPx(*w) : RECT{};
}

void CWnd::GetClientRect(LPRECT rect) const {
    if (!rect) return;
    wm::Window* w = W(this);
    if (!w) {
        *rect = {};
        return;
    }
    int width = w->rect.right - w->rect.left;
    int height = w->rect.bottom - w->rect.top;
    if (!w->parent) {
        width -= 2 * kCellWidthPx;
        height -= 2 * kCellHeightPx;
    }
    *rect = {0, 0, std::max(width, 0), std::max(height, 0)};
}

BOOL CWnd::SetWindowPos(const CWnd*, int x, int y, int cx, int cy, UINT nFlags) {
    wm::Window* w = W(this);
    if (!w) return FALSE;
    RECT r = w->rect;
    const int width = r.right - r.left;
    const int height = r.bottom - r.top;
    if (!(nFlags & SWP_NOMOVE)) {
        r.left = x;
        r.top = y;
        w->centered = false;
    }
    r.right = r.left + ((nFlags & SWP_NOSIZE) ? width : std::max(cx, 0));
    r.bottom = r.top + ((nFlags & SWP_NOSIZE) ? height : std::max(cy, 0));
    wm::SetRect(*w, r);
    // A centred window keeps its centre when only its size changes.
    if (w->centered && !w->parent) wm::Center(*w, w->centerOver);
    if (nFlags & SWP_SHOWWINDOW) wm::Show(*w, true);
    if (nFlags & SWP_HIDEWINDOW) wm::Show(*w, false);
    return TRUE;
}

void CWnd::MoveWindow(int x, int y, int cx, int cy, BOOL) { SetWindowPos(nullptr, x, y, cx, cy, SWP_NOZORDER); }

void CWnd::MoveWindow(LPCRECT rect, BOOL bRepaint) {
    if (rect) MoveWindow(rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, bRepaint);
}

void CWnd::CenterWindow(CWnd* pAlternateOwner) {
    wm::Window* w = W(this);
    if (!w || w->parent) return;
    HWND over = nullptr;
    if (wm::Window* alt = W(pAlternateOwner)) over = wm::TopLevelOf(alt)->handle;
    else if (w->owner) over = w->owner->handle;
    wm::Center(*w, over);
}

void CWnd::ScreenToClient(LPRECT rect) const {
    wm::Window* w = W(this);
    if (!w || !rect) return;
    const POINT o = wm::ClientOriginPx(*w);
    *rect = {rect->left - o.x, rect->top - o.y, rect->right - o.x, rect->bottom - o.y};
}

void CWnd::ScreenToClient(LPPOINT point) const {
    wm::Window* w = W(this);
    if (!w || !point) return;
    const POINT o = wm::ClientOriginPx(*w);
    point->x -= o.x;
    point->y -= o.y;
}

void CWnd::ClientToScreen(LPRECT rect) const {
    wm::Window* w = W(this);
    if (!w || !rect) return;
    const POINT o = wm::ClientOriginPx(*w);
    *rect = {rect->left + o.x, rect->top + o.y, rect->right + o.x, rect->bottom + o.y};
}

void CWnd::ClientToScreen(LPPOINT point) const {
    wm::Window* w = W(this);
    if (!w || !point) return;
    const POINT o = wm::ClientOriginPx(*w);
    point->x += o.x;
    point->y += o.y;
}

BOOL CWnd::ShowWindow(int nCmdShow) {
    wm::Window* w = W(this);
    if (!w) return FALSE;
    const bool was = w->visible;
    wm::Show(*w, nCmdShow != SW_HIDE);
    return was ? TRUE : FALSE;
}

BOOL CWnd::IsWindowVisible() const {
    wm::Window* w = W(this);
    return w && w->visible && (!w->parent || w->parent->visible) ? TRUE : FALSE;
}

BOOL CWnd::EnableWindow(BOOL bEnable) {
    wm::Window* w = W(this);
    if (!w) return FALSE;
    const bool wasDisabled = !w->enabled;
    wm::Enable(*w, bEnable != FALSE);
    if (!bEnable && wm::Focus() == w) wm::SetFocusTo(nullptr);
    return wasDisabled ? TRUE : FALSE;
}

BOOL CWnd::IsWindowEnabled() const {
    wm::Window* w = W(this);
    return w && w->enabled ? TRUE : FALSE;
}

}  // namespace qx
