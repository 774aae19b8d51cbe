#include "ui/target_dlg.h"

#include "res/resource_ids.h"

namespace qx {

CTargetDlg::CTargetDlg(CWnd* pParent) : CDialog(IDD_TARGET, pParent) {}

CTargetDlg::~CTargetDlg() = default;

// The target is exchanged before the password, so a too-long target is reported
// (and its box refocused) before the password is even read.
void CTargetDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Text(pDX, IDC_TARGET, m_targetText);
    DDV_MaxChars(pDX, m_targetText, kTargetTextLimit);
    DDX_Text(pDX, IDC_PASSWORD, m_passwordText);
    DDV_MaxChars(pDX, m_passwordText, kTargetTextLimit);
}

BOOL CTargetDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    CenterWindow();
    if (m_passwordRejected == 1) {
        if (CWnd* password = GetDlgItem(IDC_PASSWORD)) password->SetFocus();
    }
    return FALSE;  // without the flag the focus lands on the first tab stop, the target box
}

}  // namespace qx
