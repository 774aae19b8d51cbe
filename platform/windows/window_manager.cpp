#include "platform/windows/window_manager.h"

#include <algorithm>
#include <atomic>
#include <deque>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <unordered_set>

#include "platform/strings/cp932.h"
#include "platform/system/clock.h"
#include "platform/system/termination.h"
#include "platform/windows/styles.h"
#include "platform/windows/text_layout.h"
#include "platform/windows/wnd.h"

namespace qx::wm {

namespace {

struct Posted {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    std::function<void()> prelude;  // runs just before dispatch, only to a live window
};

struct Timer {
    HWND hwnd;
    UINT_PTR id;
    std::uint64_t period;
    std::uint64_t deadline;
};

struct Capture {
    HWND hwnd = nullptr;
    bool nonClient = false;  // a control's scroll bar
    bool closeBox = false;   // a dialog's close box
};

struct State {
    std::mutex queueMutex;
    std::deque<Posted> queue;                    // guarded by queueMutex
    std::unordered_set<std::uintptr_t> live;     // guarded by queueMutex
    std::atomic<std::thread::id> uiThread{};

    std::unordered_map<HWND, std::unique_ptr<Window>> windows;
    std::uintptr_t nextHandle = 0x10000;
    std::vector<Window*> zOrder;  // dialogs, bottom first
    std::vector<Timer> timers;
    Window* focus = nullptr;
    Capture capture;
    ScreenBuffer screen;
    bool fullRedraw = true;
    bool painting = false;
    Color dialogBg = Color::Silver;
    Color dialogFg = Color::Black;
    KeyModifiers modifiers;
    int loopDepth = 0;
    bool giveUp = false;
};

State& S() {
    static State state;
    return state;
}

int FloorDiv(int a, int b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

const Cell kDesktop{U' ', Color::White, Color::Black, kAttrNone};
constexpr char kTooSmallHint[] = " The terminal is too small for this window: enlarge it. ";

Window& NewWindow(Kind kind) {
    State& s = S();
    auto w = std::make_unique<Window>();
    w->kind = kind;
    const std::uintptr_t value = s.nextHandle++;
    w->handle = reinterpret_cast<HWND>(value);
    {
        std::lock_guard lock(s.queueMutex);
        s.live.insert(value);
    }
    Window& ref = *w;
    s.windows.emplace(ref.handle, std::move(w));
    return ref;
}

void DropWindow(Window* w) {
    State& s = S();
    {
        std::lock_guard lock(s.queueMutex);
        s.live.erase(reinterpret_cast<std::uintptr_t>(w->handle));
    }
    std::erase_if(s.timers, [w](const Timer& t) { return t.hwnd == w->handle; });
    if (s.focus == w) s.focus = nullptr;
    if (s.capture.hwnd == w->handle) s.capture = {};
    if (w->attached) {
        w->attached->m_hWnd = nullptr;
        w->attached = nullptr;
    }
    if (w->standIn) w->standIn->m_hWnd = nullptr;
    s.windows.erase(w->handle);
}

bool IsInput(const InputEvent& e) {
    return e.kind == InputEvent::Kind::Key || e.kind == InputEvent::Kind::Mouse ||
           e.kind == InputEvent::Kind::Resize || e.kind == InputEvent::Kind::Terminate;
}

Window* ChildById(Window& dialog, int id) {
    for (Window* c : dialog.children) {
        if (c->id == id) return c;
    }
    return nullptr;
}

bool IsButton(const Window* w) { return w && w->kind == Kind::Button; }
bool IsTextStatic(const Window* w) {
    return w->kind == Kind::Static && (w->style & SS_TYPEMASK) <= 2 && !(w->style & SS_NOPREFIX);
}

void SendCommand(Window& dialog, int id, Window* control) {
    Send(dialog, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), BN_CLICKED),
         control ? reinterpret_cast<LPARAM>(control->handle) : 0);
}

CellRect CloseBox(const Window& dialog) {
    const CellRect o = OuterCells(dialog);
    return {o.right - 4, o.top, o.right - 1, o.top + 1};
}
bool HasCloseBox(const Window& w) {
    return (w.style & WS_CAPTION) == WS_CAPTION && (w.style & WS_SYSMENU);
}

// ---- painting ----

void DrawFrame(Window& d) {
    State& s = S();
    Painter p(d, true);
    const CellRect o = OuterCells(d);
    if (o.Width() < 2 || o.Height() < 2) return;
    const Color bg = s.dialogBg;
    const Color fg = s.dialogFg;
    p.Box(o, fg, bg);
    if ((d.style & WS_CAPTION) != WS_CAPTION) return;
    const bool active = ActiveWindow() == &d;
    const Color barBg = active ? Color::Navy : Color::Grey;
    p.Fill({o.left, o.top, o.right, o.top + 1}, barBg, Color::White);
    const int room = o.Width() - (HasCloseBox(d) ? 5 : 2);
    if (room > 0) p.Text(o.left + 1, o.top, d.text, room, Color::White, barBg, kAttrBold);
    if (HasCloseBox(d) && o.Width() >= 5) {
        const CellRect box = CloseBox(d);
        p.Put(box.left, o.top, U'[', 1, Color::White, barBg);
        p.Put(box.left + 1, o.top, U'X', 1, Color::White, barBg, kAttrBold);
        p.Put(box.left + 2, o.top, U']', 1, Color::White, barBg);
    }
}

bool AnyInvalid() {
    for (Window* d : S().zOrder) {
        if (!d->visible) continue;
        if (d->invalid) return true;
        for (Window* c : d->children) {
            if (c->visible && c->invalid) return true;
        }
    }
    return false;
}

void PaintTree(Window& d) {
    const HWND handle = d.handle;
    if (d.invalid) {
        if (d.erase) {
            DrawFrame(d);
            Painter(d, false).Fill(ClientCells(d), S().dialogBg, S().dialogFg);
        }
        d.invalid = false;
        d.erase = false;
        Send(d, WM_PAINT);
    }
    if (!Find(handle)) return;
    const std::vector<Window*> children = d.children;
    for (Window* c : children) {
        if (c->visible && c->invalid) {
            c->invalid = false;
            Send(*c, WM_PAINT);
        }
    }
}

void DrawHint() {
    State& s = S();
    Window* a = ActiveWindow();
    if (!a || !a->visible || s.screen.Rows() == 0) return;
    const CellRect o = OuterCells(*a);
    if (o.right <= s.screen.Columns() && o.bottom <= s.screen.Rows() && o.left >= 0 && o.top >= 0) return;
    const int y = s.screen.Rows() - 1;
    const std::string_view hint = kTooSmallHint;
    for (int x = 0; x < s.screen.Columns(); ++x) {
        const char c = x < static_cast<int>(hint.size()) ? hint[static_cast<std::size_t>(x)] : ' ';
        s.screen.At(x, y) = Cell{static_cast<char32_t>(c), Color::Black, Color::Yellow, kAttrNone};
    }
}

void SyncScreenSize() {
    State& s = S();
    Backend* b = CurrentBackend();
    if (!b) return;
    if (s.screen.Columns() != b->Columns() || s.screen.Rows() != b->Rows()) {
        s.screen.Resize(b->Columns(), b->Rows());
        s.fullRedraw = true;
    }
}

void PaintAll() {
    State& s = S();
    if (s.painting) return;
    s.painting = true;
    SyncScreenSize();
    if (s.fullRedraw) {
        s.fullRedraw = false;
        s.screen.Fill(kDesktop);
        for (Window* d : s.zOrder) Invalidate(*d, true);
    }
    for (std::size_t i = 0; i < s.zOrder.size(); ++i) {
        Window* d = s.zOrder[i];
        if (d->visible) PaintTree(*d);
    }
    DrawHint();
    s.painting = false;
}

void PresentScreen() {
    State& s = S();
    Backend* b = CurrentBackend();
    if (!b) return;
    Cursor cursor;
    Window* f = s.focus;
    if (f && f->cls && TopLevelOf(f) == ActiveWindow()) {
        if (auto caret = f->cls->Caret(*f)) {
            Painter p(*f, true);
            if (p.Visible(caret->x, caret->y)) cursor = {true, caret->x, caret->y};
        }
    }
    b->Present(s.screen, cursor);
}

// ---- timers ----

std::optional<std::uint64_t> NextDeadline() {
    std::optional<std::uint64_t> next;
    for (const Timer& t : S().timers) {
        if (!next || t.deadline < *next) next = t.deadline;
    }
    return next;
}

bool FireDueTimer(std::uint64_t now) {
    State& s = S();
    Timer* due = nullptr;
    for (Timer& t : s.timers) {
        if (t.deadline <= now && (!due || t.deadline < due->deadline)) due = &t;
    }
    if (!due) return false;
    const HWND hwnd = due->hwnd;
    const UINT_PTR id = due->id;
    due->deadline += due->period;
    if (due->deadline <= now) due->deadline = now + due->period;
    if (Window* w = Find(hwnd)) Send(*w, WM_TIMER, id, 0);
    return true;
}

// ---- input ----

UINT VirtualKey(const KeyEvent& k) {
    switch (k.key) {
        case Key::Enter: return VK_RETURN;
        case Key::Escape: return VK_ESCAPE;
        case Key::Tab:
        case Key::BackTab: return VK_TAB;
        case Key::Backspace: return VK_BACK;
        case Key::Delete: return VK_DELETE;
        case Key::Insert: return VK_INSERT;
        case Key::Left: return VK_LEFT;
        case Key::Right: return VK_RIGHT;
        case Key::Up: return VK_UP;
        case Key::Down: return VK_DOWN;
        case Key::Home: return VK_HOME;
        case Key::End: return VK_END;
        case Key::PageUp: return VK_PRIOR;
        case Key::PageDown: return VK_NEXT;
        case Key::F4: return VK_F4;
        case Key::Char: break;
    }
    const char32_t c = k.ch;
    if (c >= U'a' && c <= U'z') return static_cast<UINT>(c - U'a' + U'A');
    if ((c >= U'A' && c <= U'Z') || (c >= U'0' && c <= U'9') || c == U' ') return static_cast<UINT>(c);
    return 0;
}

bool Mnemonic(Window& dialog, char32_t typed) {
    char key = 0;
    if (typed >= U'a' && typed <= U'z') key = static_cast<char>(typed - U'a' + U'A');
    else if ((typed >= U'A' && typed <= U'Z') || (typed >= U'0' && typed <= U'9')) key = static_cast<char>(typed);
    if (key == 0) return false;
    const std::vector<Window*> children = dialog.children;
    for (std::size_t i = 0; i < children.size(); ++i) {
        Window* c = children[i];
        if (!c->visible || !c->enabled) continue;
        if (!IsTextStatic(c) && !IsButton(c)) continue;
        if (ParseMnemonic(c->text).key != key) continue;
        if (IsButton(c)) {
            SendCommand(dialog, c->id, c);
            return true;
        }
        for (std::size_t j = i + 1; j < children.size(); ++j) {
            Window* next = children[j];
            if (next->visible && next->enabled && (next->style & WS_TABSTOP)) {
                GotoControl(next);
                break;
            }
        }
        return true;
    }
    return false;
}

void Deliver(Window& target, const KeyEvent& k) {
    const HWND handle = target.handle;
    Send(target, WM_KEYDOWN, VirtualKey(k), 1);
    WPARAM ch = 0;
    if (k.key == Key::Char && !k.ctrl) ch = k.ch;
    else if (k.key == Key::Backspace) ch = 8;
    else if (k.key == Key::Enter) ch = '\r';
    if (ch == 0) return;
    if (Window* t = Find(handle)) Send(*t, WM_CHAR, ch, 1);
}

void KeyInput(const KeyEvent& k) {
    State& s = S();
    Window* dialog = ActiveWindow();
    if (!dialog) return;
    Window* focus = (s.focus && TopLevelOf(s.focus) == dialog) ? s.focus : nullptr;
    const bool inEdit = focus && focus->kind == Kind::Edit;
    const bool inMultiline = inEdit && (focus->style & ES_MULTILINE);
    switch (k.key) {
        case Key::Escape: {
            Window* cancel = ChildById(*dialog, IDCANCEL);
            if (cancel && !cancel->enabled) return;
            SendCommand(*dialog, IDCANCEL, cancel);
            return;
        }
        case Key::Tab:
        case Key::BackTab: {
            Window* next = NextTabStop(*dialog, focus, k.key == Key::BackTab || k.shift);
            if (next) GotoControl(next);
            return;
        }
        case Key::F4:
            if (k.alt) {
                Send(*dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
                return;
            }
            break;
        case Key::Enter: {
            if (inMultiline) break;
            if (IsButton(focus) && focus->enabled) {
                SendCommand(*dialog, focus->id, focus);
                return;
            }
            Window* def = nullptr;
            for (Window* c : dialog->children) {
                if (IsButton(c) && (c->style & BS_TYPEMASK) == BS_DEFPUSHBUTTON) {
                    def = c;
                    break;
                }
            }
            if (def && !def->enabled) return;
            SendCommand(*dialog, def ? def->id : IDOK, def);
            return;
        }
        case Key::Char:
            if (k.alt || (!inEdit && !k.ctrl)) {
                if (Mnemonic(*dialog, k.ch)) return;
                if (k.alt) {
                    Beep();
                    return;
                }
            }
            break;
        default:
            break;
    }
    Deliver(focus ? *focus : *dialog, k);
}

Window* HitChild(Window& dialog, int x, int y) {
    for (Window* c : dialog.children) {
        if (c->visible && c->kind != Kind::Static && OuterCells(*c).Contains(x, y)) return c;
    }
    return nullptr;
}

LPARAM PointIn(const Window& w, int x, int y) {
    const CellRect c = ClientCells(w);
    const int px = (x - c.left) * kCellWidthPx + kCellWidthPx / 2;
    const int py = (y - c.top) * kCellHeightPx + kCellHeightPx / 2;
    return MAKELPARAM(static_cast<WORD>(static_cast<short>(px)), static_cast<WORD>(static_cast<short>(py)));
}

void MouseInput(const MouseEvent& m) {
    State& s = S();
    if (m.button == MouseButton::Left && (m.action == MouseAction::Release || m.action == MouseAction::Move)) {
        const Capture cap = s.capture;
        Window* c = Find(cap.hwnd);
        if (m.action == MouseAction::Release) s.capture = {};
        if (!c) return;
        if (cap.closeBox) {
            if (m.action == MouseAction::Release && CloseBox(*c).Contains(m.x, m.y)) {
                Send(*c, WM_SYSCOMMAND, SC_CLOSE, 0);
            }
            return;
        }
        const bool up = m.action == MouseAction::Release;
        const UINT message = cap.nonClient ? (up ? WM_NCLBUTTONUP : WM_NCMOUSEMOVE) : (up ? WM_LBUTTONUP : WM_MOUSEMOVE);
        Send(*c, message, cap.nonClient ? HTVSCROLL : (up ? 0 : MK_LBUTTON), PointIn(*c, m.x, m.y));
        return;
    }
    if (m.action == MouseAction::Move) return;
    Window* dialog = ActiveWindow();
    if (!dialog || !dialog->visible || !OuterCells(*dialog).Contains(m.x, m.y)) return;
    if (!ClientCells(*dialog).Contains(m.x, m.y)) {
        if (m.button == MouseButton::Left && m.action == MouseAction::Press && HasCloseBox(*dialog) &&
            CloseBox(*dialog).Contains(m.x, m.y)) {
            s.capture = {dialog->handle, false, true};
        }
        return;
    }
    Window* hit = HitChild(*dialog, m.x, m.y);
    if (!hit || !hit->enabled) return;
    const LPARAM point = PointIn(*hit, m.x, m.y);
    const bool scrollBar = hit->kind == Kind::Edit && (hit->style & WS_VSCROLL) &&
                           m.x == OuterCells(*hit).right - 1;
    switch (m.button) {
        case MouseButton::WheelUp:
        case MouseButton::WheelDown:
            Send(*hit, WM_MOUSEWHEEL,
                 MAKEWPARAM(0, static_cast<WORD>(static_cast<short>(m.button == MouseButton::WheelUp ? 120 : -120))),
                 point);
            return;
        case MouseButton::Left:
            if (m.action == MouseAction::Press) {
                s.capture = {hit->handle, scrollBar, false};
                Send(*hit, scrollBar ? WM_NCLBUTTONDOWN : WM_LBUTTONDOWN, scrollBar ? HTVSCROLL : MK_LBUTTON, point);
            } else if (m.action == MouseAction::DoubleClick && !scrollBar) {
                Send(*hit, WM_LBUTTONDBLCLK, MK_LBUTTON, point);
            }
            return;
        case MouseButton::Right:
            if (scrollBar) return;
            if (m.action == MouseAction::Press) Send(*hit, WM_RBUTTONDOWN, MK_RBUTTON, point);
            else if (m.action == MouseAction::Release) Send(*hit, WM_RBUTTONUP, 0, point);
            return;
        case MouseButton::Middle:
            return;
    }
}

void OnResize() {
    State& s = S();
    SyncScreenSize();
    for (std::size_t i = 0; i < s.zOrder.size(); ++i) {
        Window* d = s.zOrder[i];
        if (d->centered) Center(*d, d->centerOver);
    }
    s.fullRedraw = true;
}

void HandleInput(const InputEvent& e) {
    State& s = S();
    switch (e.kind) {
        case InputEvent::Kind::Resize:
            OnResize();
            return;
        case InputEvent::Kind::Terminate:
            if (TerminationPending()) FinishTermination();
            s.giveUp = true;  // the backend ended the session: every modal loop gives up
            return;
        case InputEvent::Kind::Key:
            s.modifiers = {e.key.shift || e.key.key == Key::BackTab, e.key.ctrl, e.key.alt};
            KeyInput(e.key);
            s.modifiers = {};
            return;
        case InputEvent::Kind::Mouse:
            MouseInput(e.mouse);
            return;
        default:
            return;
    }
}

bool DispatchOnePosted() {
    State& s = S();
    Posted m{};
    {
        std::lock_guard lock(s.queueMutex);
        if (s.queue.empty()) return false;
        m = s.queue.front();
        s.queue.pop_front();
    }
    if (Window* w = Find(m.hwnd)) {
        const HWND handle = w->handle;
        if (m.prelude) m.prelude();
        if ((w = Find(handle))) Send(*w, m.message, m.wParam, m.lParam);
    }
    return true;
}

}  // namespace

// ---- public to the layer ----

CellRect CellRect::Intersect(const CellRect& o) const {
    CellRect r{std::max(left, o.left), std::max(top, o.top), std::min(right, o.right), std::min(bottom, o.bottom)};
    if (r.right < r.left) r.right = r.left;
    if (r.bottom < r.top) r.bottom = r.top;
    return r;
}

Window* Find(HWND hwnd) {
    if (!hwnd) return nullptr;
    State& s = S();
    auto it = s.windows.find(hwnd);
    return it == s.windows.end() ? nullptr : it->second.get();
}

Window* CreateDialogWindow(const DialogTemplate& t, Window* owner) {
    State& s = S();
    s.uiThread.store(std::this_thread::get_id());
    SyncScreenSize();
    Window& d = NewWindow(Kind::Dialog);
    d.style = t.style;
    d.text = t.caption;
    d.owner = owner;
    d.enabled = !(t.style & WS_DISABLED);
    d.cls = MakeDialogClass();
    const int width = t.cx * 2 + 2 * kCellWidthPx;
    const int height = t.cy * 2 + 2 * kCellHeightPx;
    const POINT base = owner ? ClientOriginPx(*owner) : POINT{0, 0};
    const int x = FloorDiv(base.x + t.x * 2, kCellWidthPx) * kCellWidthPx;
    const int y = FloorDiv(base.y + t.y * 2, kCellHeightPx) * kCellHeightPx;
    d.rect = {x, y, x + std::max(width, 0), y + std::max(height, 0)};
    for (const DialogItemTemplate& item : t.items) {
        const Kind kind = item.controlClass == ControlClass::Button ? Kind::Button
                          : item.controlClass == ControlClass::Edit ? Kind::Edit
                                                                    : Kind::Static;
        Window& c = NewWindow(kind);
        c.parent = &d;
        c.style = item.style;
        c.id = item.id;
        c.text = item.text;
        c.textOrdinal = item.textOrdinal;
        c.rect = {item.x * 2, item.y * 2, (item.x + item.cx) * 2, (item.y + item.cy) * 2};
        c.visible = (item.style & WS_VISIBLE) != 0;
        c.enabled = !(item.style & WS_DISABLED);
        c.cls = kind == Kind::Button ? MakeButtonClass() : kind == Kind::Edit ? MakeEditClass() : MakeStaticClass();
        d.children.push_back(&c);
    }
    s.zOrder.push_back(&d);
    if (t.style & DS_CENTER) Center(d, nullptr);
    return &d;
}

void DestroyDialogWindow(Window* d) {
    State& s = S();
    if (!d) return;
    const HWND handle = d->handle;
    Send(*d, WM_DESTROY);
    d = Find(handle);
    if (!d) return;
    std::erase(s.zOrder, d);
    for (Window* other : s.zOrder) {
        if (other->owner == d) other->owner = nullptr;
    }
    const std::vector<Window*> children = d->children;
    for (Window* c : children) DropWindow(c);
    DropWindow(d);
    s.fullRedraw = true;
}

Window* TopLevelOf(Window* w) {
    while (w && w->parent) w = w->parent;
    return w;
}

LRESULT Send(Window& w, UINT message, WPARAM wParam, LPARAM lParam) {
    if (w.attached) return CallWindow(*w.attached, message, wParam, lParam);
    return w.cls ? w.cls->Proc(w, message, wParam, lParam) : 0;
}

int CellX(int px) { return FloorDiv(px + kCellWidthPx / 2, kCellWidthPx); }
int CellY(int py) { return FloorDiv(py + kCellHeightPx / 2, kCellHeightPx); }

CellRect OuterCells(const Window& w) {
    if (!w.parent) return {CellX(w.rect.left), CellY(w.rect.top), CellX(w.rect.right), CellY(w.rect.bottom)};
    const CellRect base = ClientCells(*w.parent);
    CellRect r{base.left + CellX(w.rect.left), base.top + CellY(w.rect.top), base.left + CellX(w.rect.right),
               base.top + CellY(w.rect.bottom)};
    // A control of any size takes at least one cell each way.
    if (r.right <= r.left && w.rect.right > w.rect.left) r.right = r.left + 1;
    if (r.bottom <= r.top && w.rect.bottom > w.rect.top) r.bottom = r.top + 1;
    return r;
}

CellRect ClientCells(const Window& w) {
    CellRect r = OuterCells(w);
    if (w.parent) return r;
    r = {r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
    if (r.right < r.left) r.right = r.left;
    if (r.bottom < r.top) r.bottom = r.top;
    return r;
}

RECT ScreenRectPx(const Window& w) {
    if (!w.parent) return w.rect;
    const POINT o = ClientOriginPx(*w.parent);
    return {o.x + w.rect.left, o.y + w.rect.top, o.x + w.rect.right, o.y + w.rect.bottom};
}

POINT ClientOriginPx(const Window& w) {
    const RECT r = ScreenRectPx(w);
    if (w.parent) return {r.left, r.top};
    return {r.left + kCellWidthPx, r.top + kCellHeightPx};
}

RECT WorkAreaPx() {
    SyncScreenSize();
    return {0, 0, S().screen.Columns() * kCellWidthPx, S().screen.Rows() * kCellHeightPx};
}

void SetRect(Window& w, const RECT& rect) {
    w.rect = rect;
    if (w.parent) Invalidate(*w.parent, true);
    else S().fullRedraw = true;
}

void Center(Window& w, HWND over) {
    if (w.parent) return;
    const RECT work = WorkAreaPx();
    const Window* ref = Find(over);
    const RECT r = ref ? ScreenRectPx(*ref) : work;
    const int width = w.rect.right - w.rect.left;
    const int height = w.rect.bottom - w.rect.top;
    int x = FloorDiv(r.left + (r.right - r.left - width) / 2, kCellWidthPx) * kCellWidthPx;
    int y = FloorDiv(r.top + (r.bottom - r.top - height) / 2, kCellHeightPx) * kCellHeightPx;
    if (x + width > work.right) x = FloorDiv(work.right - width, kCellWidthPx) * kCellWidthPx;
    if (y + height > work.bottom) y = FloorDiv(work.bottom - height, kCellHeightPx) * kCellHeightPx;
    x = std::max(x, 0);
    y = std::max(y, 0);
    w.rect = {x, y, x + width, y + height};
    w.centered = true;
    w.centerOver = over;
    S().fullRedraw = true;
}

Window* Focus() { return S().focus; }

void SetFocusTo(Window* w) {
    State& s = S();
    if (w == s.focus) return;
    Window* old = s.focus;
    s.focus = w;
    if (w && w->parent) TopLevelOf(w)->focus = w;
    const HWND oldHandle = old ? old->handle : nullptr;
    if (old) {
        Invalidate(*old, true);
        Send(*old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(w ? w->handle : nullptr), 0);
    }
    if (w && s.focus == w) {
        Invalidate(*w, true);
        Send(*w, WM_SETFOCUS, reinterpret_cast<WPARAM>(oldHandle), 0);
    }
}

void GotoControl(Window* control) {
    if (!control) return;
    const HWND handle = control->handle;
    if (control->kind == Kind::Edit) Send(*control, EM_SETSEL, 0, static_cast<LPARAM>(-1));
    if (Window* c = Find(handle)) SetFocusTo(c);
}

Window* NextTabStop(Window& dialog, Window* from, bool backwards) {
    const auto& c = dialog.children;
    const std::size_t n = c.size();
    if (n == 0) return nullptr;
    std::size_t start = n;  // "before the first" (or "after the last")
    for (std::size_t i = 0; i < n; ++i) {
        if (c[i] == from) start = i;
    }
    for (std::size_t step = 1; step <= n; ++step) {
        std::size_t i;
        if (start == n) i = backwards ? n - step : step - 1;
        else i = backwards ? (start + n - step) % n : (start + step) % n;
        Window* w = c[i];
        if (w->visible && w->enabled && (w->style & WS_TABSTOP)) return w;
    }
    return nullptr;
}

Window* ActiveWindow() {
    State& s = S();
    for (auto it = s.zOrder.rbegin(); it != s.zOrder.rend(); ++it) {
        if ((*it)->enabled) return *it;
    }
    return nullptr;
}

void Show(Window& w, bool show) {
    if (w.visible == show) return;
    w.visible = show;
    if (w.parent) {
        Invalidate(*w.parent, true);
    } else {
        S().fullRedraw = true;
    }
}

void Enable(Window& w, bool enable) {
    if (w.enabled == enable) return;
    w.enabled = enable;
    Invalidate(w, true);
    // A dialog that becomes (in)active changes its title bar; the one below it too.
    if (!w.parent) S().fullRedraw = true;
}

void SetTimer(Window& w, UINT_PTR id, UINT elapse) {
    State& s = S();
    KillTimer(w, id);
    const std::uint64_t period = elapse == 0 ? 1 : elapse;
    s.timers.push_back({w.handle, id, period, CurrentClock().NowMs() + period});
}

bool KillTimer(Window& w, UINT_PTR id) {
    return std::erase_if(S().timers, [&](const Timer& t) { return t.hwnd == w.handle && t.id == id; }) > 0;
}

void Invalidate(Window& w, bool erase) {
    w.invalid = true;
    if (w.parent) return;
    w.erase = w.erase || erase;
    for (Window* c : w.children) c->invalid = true;
}

void UpdateNow(Window& w) {
    Window* top = TopLevelOf(&w);
    if (!top || !top->visible || !CurrentBackend()) return;
    PaintAll();
    PresentScreen();
}

void RequestFullRedraw() { S().fullRedraw = true; }
Color DialogBackground() { return S().dialogBg; }
Color DialogText() { return S().dialogFg; }
void SetDialogColors(COLORREF background, COLORREF text) {
    S().dialogBg = NearestColor(background);
    S().dialogFg = NearestColor(text);
    S().fullRedraw = true;
}

void Beep() {
    if (Backend* b = CurrentBackend()) b->Beep();
}

const KeyModifiers& CurrentModifiers() { return S().modifiers; }

bool RunModalLoop(const std::function<bool()>& done) {
    State& s = S();
    s.uiThread.store(std::this_thread::get_id());
    ++s.loopDepth;
    bool ok = true;
    while (!done()) {
        Backend* b = CurrentBackend();
        if (s.giveUp || !b) {
            ok = false;
            break;
        }
        if (DispatchOnePosted()) continue;
        const std::uint64_t now = CurrentClock().NowMs();
        InputEvent e = b->Wait(now);
        if (IsInput(e)) {
            HandleInput(e);
            continue;
        }
        if (FireDueTimer(now)) continue;
        SyncScreenSize();
        if (s.fullRedraw || AnyInvalid()) {
            PaintAll();
            PresentScreen();
            continue;
        }
        e = b->Wait(NextDeadline());
        if (IsInput(e)) HandleInput(e);
    }
    if (--s.loopDepth == 0) s.giveUp = false;
    return ok;
}

// ---- Painter ----

Painter::Painter(const Window& w, bool wholeWindow) : top_(TopLevelOf(const_cast<Window*>(&w))) {
    area_ = wholeWindow ? OuterCells(w) : ClientCells(w);
    const ScreenBuffer& screen = S().screen;
    clip_ = area_.Intersect({0, 0, screen.Columns(), screen.Rows()});
    if (w.parent) clip_ = clip_.Intersect(ClientCells(*w.parent));
    if (!w.visible || !top_->visible) clip_ = {};
}

bool Painter::Visible(int x, int y) const {
    if (!clip_.Contains(x, y)) return false;
    const auto& z = S().zOrder;
    auto it = std::find(z.begin(), z.end(), top_);
    if (it == z.end()) return false;
    for (++it; it != z.end(); ++it) {
        if ((*it)->visible && OuterCells(**it).Contains(x, y)) return false;
    }
    return true;
}

void Painter::Put(int x, int y, char32_t ch, int width, Color fg, Color bg, std::uint8_t attr) {
    if (width <= 0 || !Visible(x, y)) return;
    if (width == 2 && !Visible(x + 1, y)) {
        ch = U' ';
        width = 1;
    }
    ScreenBuffer& sc = S().screen;
    auto breakWide = [&](int cx) {
        if (sc.At(cx, y).ch == U'\0' && cx > 0) {
            sc.At(cx - 1, y).ch = U' ';
        } else if (cx + 1 < sc.Columns() && sc.At(cx + 1, y).ch == U'\0') {
            sc.At(cx + 1, y).ch = U' ';
        }
    };
    breakWide(x);
    if (width == 2) breakWide(x + 1);
    sc.At(x, y) = Cell{ch, fg, bg, attr};
    if (width == 2) sc.At(x + 1, y) = Cell{U'\0', fg, bg, attr};
}

void Painter::Fill(const CellRect& r, Color bg, Color fg) {
    for (int y = r.top; y < r.bottom; ++y) {
        for (int x = r.left; x < r.right; ++x) Put(x, y, U' ', 1, fg, bg);
    }
}

void Painter::Box(const CellRect& r, Color fg, Color bg) {
    for (int x = r.left + 1; x < r.right - 1; ++x) {
        Put(x, r.top, U'─', 1, fg, bg);
        Put(x, r.bottom - 1, U'─', 1, fg, bg);
    }
    for (int y = r.top + 1; y < r.bottom - 1; ++y) {
        Put(r.left, y, U'│', 1, fg, bg);
        Put(r.right - 1, y, U'│', 1, fg, bg);
    }
    Put(r.left, r.top, U'┌', 1, fg, bg);
    Put(r.right - 1, r.top, U'┐', 1, fg, bg);
    Put(r.left, r.bottom - 1, U'└', 1, fg, bg);
    Put(r.right - 1, r.bottom - 1, U'┘', 1, fg, bg);
}

int Painter::Text(int x, int y, std::string_view text, int maxColumns, Color fg, Color bg, std::uint8_t attr,
                  std::size_t underline) {
    int used = 0;
    for (const Cp932Char& c : SplitCp932(text)) {
        if (c.width <= 0) continue;
        if (used + c.width > maxColumns) break;
        const std::uint8_t a = static_cast<std::uint8_t>(attr | (c.offset == underline ? kAttrUnderline : 0));
        Put(x + used, y, c.unicode, c.width, fg, bg, a);
        used += c.width;
    }
    return used;
}

Cell* Painter::CellAt(int x, int y) { return Visible(x, y) ? &S().screen.At(x, y) : nullptr; }

}  // namespace qx::wm

namespace qx {

BOOL PostMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return PostMessageWithPrelude(hWnd, message, wParam, lParam, nullptr);
}

BOOL PostMessageWithPrelude(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam,
                            std::function<void()> prelude) {
    wm::State& s = wm::S();
    {
        std::lock_guard lock(s.queueMutex);
        if (!s.live.count(reinterpret_cast<std::uintptr_t>(hWnd))) return FALSE;
        s.queue.push_back({hWnd, message, wParam, lParam, std::move(prelude)});
    }
    if (std::this_thread::get_id() != s.uiThread.load()) WakeBackend();
    return TRUE;
}

LRESULT SendMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    wm::Window* w = wm::Find(hWnd);
    return w ? wm::Send(*w, message, wParam, lParam) : 0;
}

BOOL IsWindow(HWND hWnd) { return wm::Find(hWnd) ? TRUE : FALSE; }

short GetKeyState(int virtualKey) {
    const wm::KeyModifiers& m = wm::CurrentModifiers();
    const bool down = (virtualKey == static_cast<int>(VK_SHIFT) && m.shift) ||
                      (virtualKey == static_cast<int>(VK_CONTROL) && m.ctrl) ||
                      (virtualKey == static_cast<int>(VK_MENU) && m.alt);
    return down ? static_cast<short>(-128) : 0;
}

}  // namespace qx
