#include "ui/progress_dlg.h"

#include "platform/strings/format.h"
#include "platform/system/resources.h"
#include "platform/windows/gdi.h"
#include "protocol/download_mode.h"
#include "protocol/tftp_wire.h"
#include "protocol/tftp_write.h"
#include "res/resource_ids.h"

namespace qx {

std::uint64_t ProgressFillWidth(int interiorWidth, std::uint64_t bytesSent, std::uint64_t imageSize) {
    if (imageSize == 0 || interiorWidth <= 0) return 0;
    const auto width = static_cast<std::uint64_t>(interiorWidth);
    // Never wider than the interior, whatever the counters say.
    return bytesSent >= imageSize ? width : width * bytesSent / imageSize;
}

CProgressDlg::CProgressDlg(CWnd* pParent) : CDialog(IDD_PROGRESS, pParent) {}

// Normally the attempt has closed the socket already; this covers a modal run that
// the session cut short (a termination signal) in the middle of an attempt.
CProgressDlg::~CProgressDlg() {
    if (m_sock != INVALID_SOCKET) closesocket(m_sock);
}

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

// The attempt starts from the modal loop, once the window exists.
BOOL CProgressDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    CenterWindow();
    PostMessage(WM_DL_START, 0, 0);
    return TRUE;
}

// The dialog has no buttons; Enter and Esc would end it with IDOK or IDCANCEL. The
// loop hands out the attempt's posted messages before any key, but should a key
// reach us mid-attempt anyway, ending here would leave the socket open and `result`
// without this attempt's outcome, so keys are ignored until the attempt is over.
void CProgressDlg::OnOK() {
    if (attempt_over_) CDialog::OnOK();
}

void CProgressDlg::OnCancel() {
    if (attempt_over_) CDialog::OnCancel();
}

LRESULT CProgressDlg::OnDownloadStart(WPARAM, LPARAM) {
    if (!m_pJob) {  // nothing to run and nowhere to put a result
        EndAttempt();
        return 0;
    }
    DownloadJob& job = *m_pJob;
    CString status;
    status.LoadString(IDS_PREPARING);
    m_statusText.SetWindowText(status);
    // Paint now: the command exchange blocks for up to 10 seconds, and paint comes
    // after posted messages, so the dialog would otherwise stay blank until the
    // first slice.
    UpdateWindow();

    m_sock = socket(AF_INET, SOCK_DGRAM, 0);
    if (m_sock == INVALID_SOCKET) {
        job.result = DL_E_SOCKET;
        EndAttempt();
        return 0;
    }
    m_peer.sin_family = AF_INET;
    m_peer.sin_addr.s_addr = job.address;
    if (!RequestDownloadMode(job, m_sock, m_peer)) {
        EndAttempt();
        return 0;
    }

    AfxFormatString1(status, IDS_DL_WRITING, job.host);
    m_statusText.SetWindowText(status);

    HRSRC found = FindResource(nullptr, MAKEINTRESOURCE(IDR_FIRMWARE), kResourceTypeBin);
    if (!found) {
        job.result = IDS_NO_IMAGE;
        EndAttempt();
        return 0;
    }
    job.imageSize = SizeofResource(nullptr, found);
    if (job.imageSize == 0) {
        job.result = IDS_NO_IMAGE;
        EndAttempt();
        return 0;
    }
    const void* image = LockResource(LoadResource(nullptr, found));
    if (!image) {
        job.result = IDS_NO_IMAGE;
        EndAttempt();
        return 0;
    }
    job.imageCursor = static_cast<const BYTE*>(image);
    job.blockNumber = 0;
    // The transfer goes to the address the router answered from.
    m_peer.sin_port = htons(kTftpServerPort);
    PostMessage(WM_DL_CONTINUE, 0, 0);
    return 0;
}

LRESULT CProgressDlg::OnDownloadContinue(WPARAM, LPARAM) {
    if (!m_pJob || attempt_over_) return 0;
    const SliceOutcome outcome = TftpWriteSlice(*m_pJob, m_sock, m_peer);
    if (outcome == SLICE_FAILED) {
        EndAttempt();
        return 0;
    }
    // Without erasing: the paint draws the bar first and the default painting must
    // not cover it with the background.
    Invalidate(FALSE);
    UpdateWindow();
    if (outcome == SLICE_MORE) {
        PostMessage(WM_DL_CONTINUE, 0, 0);
        return 0;
    }
    m_pJob->result = DL_OK;
    EndAttempt();
    return 0;
}

void CProgressDlg::EndAttempt() {
    if (m_sock != INVALID_SOCKET) {
        closesocket(m_sock);
        m_sock = INVALID_SOCKET;
    }
    attempt_over_ = true;
    OnOK();
}

void CProgressDlg::OnPaint() {
    CWindowDC dc(this);
    CRect dialog;
    CRect bar;
    GetWindowRect(dialog);
    m_progressBar.GetWindowRect(bar);
    bar.OffsetRect(-dialog.left, -dialog.top);
    bar.DeflateRect(1, 1);

    CBrush white(RGB(255, 255, 255));
    dc.FillRect(bar, &white);
    const std::uint64_t imageSize = m_pJob ? m_pJob->imageSize : 0;
    const std::uint64_t bytesSent = m_pJob ? m_pJob->bytesSent : 0;
    const std::uint64_t fill = ProgressFillWidth(bar.Width(), bytesSent, imageSize);
    if (fill > 0) {
        CRect done = bar;
        done.right = bar.left + static_cast<int>(fill);
        CBrush highlight(GetSysColor(COLOR_HIGHLIGHT));
        dc.FillRect(done, &highlight);
        highlight.DeleteObject();
    }
    Default();
    white.DeleteObject();
}

}  // namespace qx
