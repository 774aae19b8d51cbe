#include "ui/view_only_edit.h"

namespace qx {

CViewOnlyEdit::~CViewOnlyEdit() = default;

const MessageMap* CViewOnlyEdit::GetMessageMap() const {
    static const MessageMap map{CEdit::GetMessageMap(), {
        MapKeyDown(&CViewOnlyEdit::OnKeyDown),
        MapLButtonDown(&CViewOnlyEdit::OnLButtonDown),
        MapRButtonUp(&CViewOnlyEdit::OnRButtonUp),
        MapLButtonDblClk(&CViewOnlyEdit::OnLButtonDblClk),
        MapSetFocus(&CViewOnlyEdit::OnSetFocus),
    }};
    return &map;
}

// Only leaving (Tab) and paging reach the control; arrows, Home, End, Enter and
// typing would move the caret or select.
void CViewOnlyEdit::OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags) {
    if (nChar == VK_TAB || nChar == VK_PRIOR || nChar == VK_NEXT) CEdit::OnKeyDown(nChar, nRepCnt, nFlags);
}

// A press would place the caret and start a selection, a double click select a word,
// a right click open the control's menu: none of them reach the control.
void CViewOnlyEdit::OnLButtonDown(UINT, CPoint) {}
void CViewOnlyEdit::OnRButtonUp(UINT, CPoint) {}
void CViewOnlyEdit::OnLButtonDblClk(UINT, CPoint) {}

// Tabbing in selects the whole text and leaves the caret at its end; drop the
// selection and bring that end into view.
void CViewOnlyEdit::OnSetFocus(CWnd* pOldWnd) {
    SendMessage(EM_SETSEL, static_cast<WPARAM>(-1), -1);
    SendMessage(EM_SCROLLCARET, 0, 0);
    CEdit::OnSetFocus(pOldWnd);
}

}  // namespace qx
