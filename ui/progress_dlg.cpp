#include "ui/progress_dlg.h"

#include "res/resource_ids.h"

namespace qx {

std::uint64_t ProgressFillWidth(int interiorWidth, std::uint64_t bytesSent, std::uint64_t imageSize) {
    if (imageSize == 0 || interiorWidth <= 0) return 0;
    return static_cast<std::uint64_t>(interiorWidth) * bytesSent / imageSize;
}

CProgressDlg::CProgressDlg(CWnd* pParent) : CDialog(IDD_PROGRESS, pParent) {}

CProgressDlg::~CProgressDlg() = default;

const MessageMap* CProgressDlg::GetMessageMap() const {
    static const MessageMap map{CDialog::GetMessageMap(), {
        MapPaint(&CProgressDlg::OnPaint),
        MapMessage(WM_DL_START, &CProgressDlg::OnDownloadStart),
        MapMessage(WM_DL_CONTINUE, &CProgressDlg::OnDownloadContinue),
    }};
    return &map;
}

void CProgressDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_STATUS, m_statusText);
    DDX_Control(pDX, IDC_PROGRESS_BAR, m_progressBar);
}

BOOL CProgressDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    CenterWindow();
    PostMessage(WM_DL_START, 0, 0);
    return TRUE;
}

void CProgressDlg::OnOK() {}
void CProgressDlg::OnCancel() {}
void CProgressDlg::OnPaint() { Default(); }
LRESULT CProgressDlg::OnDownloadStart(WPARAM, LPARAM) { return 0; }
LRESULT CProgressDlg::OnDownloadContinue(WPARAM, LPARAM) { return 0; }
void CProgressDlg::EndAttempt() {}

}  // namespace qx
