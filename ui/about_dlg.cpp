#include "ui/about_dlg.h"

#include "res/resource_ids.h"

namespace qx {

CAboutDlg::CAboutDlg(CWnd* pParent) : CDialog(IDD_ABOUTBOX, pParent) {}

CAboutDlg::~CAboutDlg() = default;

const MessageMap* CAboutDlg::GetMessageMap() const {
    static const MessageMap map{CDialog::GetMessageMap(), {}};
    return &map;
}

void CAboutDlg::DoDataExchange(CDataExchange* pDX) { CDialog::DoDataExchange(pDX); }

// The layer gives the dialog the active window (the agreement dialog) as its owner,
// so centring puts it over that dialog.
BOOL CAboutDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    CenterWindow();
    return TRUE;
}

}  // namespace qx
