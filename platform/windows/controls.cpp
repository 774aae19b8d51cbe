#include "platform/windows/controls.h"

#include "platform/windows/styles.h"
#include "platform/windows/window_manager.h"

namespace qx {

void CEdit::SetSel(int nStartChar, int nEndChar, BOOL bNoScroll) {
    SendMessage(EM_SETSEL, static_cast<WPARAM>(static_cast<LPARAM>(nStartChar)), nEndChar);
    if (!bNoScroll) SendMessage(EM_SCROLLCARET);
}

void CEdit::GetSel(int& nStartChar, int& nEndChar) const {
    DWORD start = 0, end = 0;
    const_cast<CEdit*>(this)->SendMessage(EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    nStartChar = static_cast<int>(start);
    nEndChar = static_cast<int>(end);
}

DWORD CEdit::GetSel() const {
    return static_cast<DWORD>(const_cast<CEdit*>(this)->SendMessage(EM_GETSEL));
}

void CEdit::LimitText(int nChars) { SendMessage(EM_LIMITTEXT, static_cast<WPARAM>(nChars < 0 ? 0 : nChars)); }

UINT CEdit::GetLimitText() const { return static_cast<UINT>(const_cast<CEdit*>(this)->SendMessage(EM_GETLIMITTEXT)); }

void CEdit::ReplaceSel(const char* text, BOOL bCanUndo) {
    SendMessage(EM_REPLACESEL, static_cast<WPARAM>(bCanUndo), reinterpret_cast<LPARAM>(text ? text : ""));
}

BOOL CEdit::SetReadOnly(BOOL bReadOnly) { return static_cast<BOOL>(SendMessage(EM_SETREADONLY, bReadOnly)); }

int CEdit::GetFirstVisibleLine() const {
    return static_cast<int>(const_cast<CEdit*>(this)->SendMessage(EM_GETFIRSTVISIBLELINE));
}

int CEdit::GetLineCount() const { return static_cast<int>(const_cast<CEdit*>(this)->SendMessage(EM_GETLINECOUNT)); }

void CEdit::LineScroll(int nLines, int nChars) {
    SendMessage(EM_LINESCROLL, static_cast<WPARAM>(static_cast<LPARAM>(nChars)), nLines);
}

void CButton::DrawItem(LPDRAWITEMSTRUCT) {}

BOOL CBitmapButton::LoadBitmaps(const char* normal, const char* selected, const char* focused, const char* disabled) {
    auto load = [](const char* name) -> std::optional<Image> {
        if (!name) return std::nullopt;
        return LoadBitmapImage(ResourceName(name));
    };
    normal_ = load(normal);
    selected_ = load(selected);
    focused_ = load(focused);
    disabled_ = load(disabled);
    Invalidate(FALSE);
    return normal_ ? TRUE : FALSE;
}

void CBitmapButton::SizeToContent() {
    if (!normal_) return;
    SetWindowPos(nullptr, 0, 0, normal_->width, normal_->height, SWP_NOMOVE | SWP_NOZORDER);
}

void CBitmapButton::DrawItem(LPDRAWITEMSTRUCT dis) {
    if (!dis || !dis->pDC) return;
    const std::optional<Image>* picture = &normal_;
    if ((dis->itemState & ODS_DISABLED) && disabled_) picture = &disabled_;
    else if ((dis->itemState & ODS_SELECTED) && selected_) picture = &selected_;
    else if ((dis->itemState & ODS_FOCUS) && focused_) picture = &focused_;
    if (*picture) dis->pDC->DrawImage(**picture, 0, 0);
}

namespace wm {

CWnd* StandIn(Window& w) {
    if (!w.standIn) {
        switch (w.kind) {
            case Kind::Edit: w.standIn = std::make_unique<CEdit>(); break;
            case Kind::Button: w.standIn = std::make_unique<CButton>(); break;
            case Kind::Static: w.standIn = std::make_unique<CStatic>(); break;
            case Kind::Dialog: w.standIn = std::make_unique<CWnd>(); break;
        }
        w.standIn->m_hWnd = w.handle;
    }
    return w.standIn.get();
}

}  // namespace wm

}  // namespace qx
