// CViewOnlyEdit: an edit control the user can read and scroll but not change, select
// or click into. Attached to a dialog's read-only multi-line edit box; it drops every
// key but Tab, Page Up and Page Down and the mouse presses that would move the caret
// or select, and on getting the focus shows the caret's line with nothing selected.
#pragma once

#include "platform/windows/controls.h"

namespace qx {

class CViewOnlyEdit : public CEdit {
public:
    CViewOnlyEdit() = default;
    ~CViewOnlyEdit() override;

protected:
    const MessageMap* GetMessageMap() const override;

    void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags);
    void OnLButtonDown(UINT nFlags, CPoint point);
    void OnRButtonUp(UINT nFlags, CPoint point);
    void OnLButtonDblClk(UINT nFlags, CPoint point);
    void OnSetFocus(CWnd* pOldWnd);
};

}  // namespace qx
