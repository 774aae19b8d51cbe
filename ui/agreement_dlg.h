// CAgreementDlg: shows the terms of use (the embedded agreement text) in a view-only
// box with Yes (IDOK), No (IDCANCEL) and an About button. Only IDOK means accepted.
// The text is used in place; the dialog owns only its CViewOnlyEdit.
#pragma once

#include "platform/windows/dialog.h"
#include "ui/view_only_edit.h"

namespace qx {

class CAgreementDlg : public CDialog {
public:
    explicit CAgreementDlg(CWnd* pParent = nullptr);
    ~CAgreementDlg() override;

    CViewOnlyEdit m_textView;  // attached to IDC_AGREEMENT_TEXT once the text is set

protected:
    const MessageMap* GetMessageMap() const override;
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;

    void OnAbout();
};

}  // namespace qx
