#include "ui/lookup_dlg.h"

#include "res/resource_ids.h"

namespace qx {

CLookupDlg::CLookupDlg(CWnd* pParent) : CDialog(IDD_LOOKUP, pParent) {}

CLookupDlg::~CLookupDlg() = default;

void CLookupDlg::DoDataExchange(CDataExchange* pDX) { CDialog::DoDataExchange(pDX); }

LRESULT CLookupDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    return CDialog::WindowProc(message, wParam, lParam);
}

BOOL CLookupDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    return TRUE;
}

void CLookupDlg::OnCancel() { PostMessage(WM_LOOKUP_ABORT, 0, 0); }

}  // namespace qx
