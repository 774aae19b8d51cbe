// CProgressDlg: runs one download attempt against a router whose address is known:
// the download-mode command exchange, then the TFTP write in slices, one slice per
// posted WM_DL_CONTINUE so the bar is repainted between slices. Every way out leaves
// the outcome in the job's `result`, closes the socket and ends with IDOK. The job
// belongs to the caller (SetJob before DoModal); the socket and the peer address
// belong to this dialog while it runs.
#pragma once

#include <cstdint>

#include "app/download_job.h"
#include "platform/sockets/winsock.h"
#include "platform/windows/controls.h"
#include "platform/windows/dialog.h"

namespace qx {

inline constexpr UINT WM_DL_START = WM_USER + 5;     // 1029
inline constexpr UINT WM_DL_CONTINUE = WM_USER + 6;  // 1030

// The bar's highlighted width in pixels: interior width x bytes sent / image size,
// in unsigned 64-bit arithmetic and truncated; 0 while the image size is 0.
std::uint64_t ProgressFillWidth(int interiorWidth, std::uint64_t bytesSent, std::uint64_t imageSize);

class CProgressDlg : public CDialog {
public:
    explicit CProgressDlg(CWnd* pParent = nullptr);
    ~CProgressDlg() override;

    void SetJob(DownloadJob* pJob) { m_pJob = pJob; }

    CStatic m_statusText;   // IDC_STATUS
    CStatic m_progressBar;  // IDC_PROGRESS_BAR; the bar is drawn over its rectangle
    sockaddr_in m_peer{};   // the router, for every datagram of the attempt
    SOCKET m_sock = INVALID_SOCKET;
    DownloadJob* m_pJob = nullptr;  // not owned

protected:
    const MessageMap* GetMessageMap() const override;
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    // Enter and Esc are ignored until the attempt has ended (see the source).
    void OnOK() override;
    void OnCancel() override;

    void OnPaint();
    LRESULT OnDownloadStart(WPARAM wParam, LPARAM lParam);
    LRESULT OnDownloadContinue(WPARAM wParam, LPARAM lParam);

private:
    void EndAttempt();
    bool attempt_over_ = false;
};

}  // namespace qx
