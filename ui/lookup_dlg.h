// CLookupDlg: resolves the job's `host` through the platform's asynchronous resolver
// while a "please wait" text and an abort button are shown. On success the first
// IPv4 address goes into the job's `address`; the modal result says found, aborted
// or failed. The job belongs to the caller. The result buffer belongs to this object:
// the resolver fills it on the user-interface thread just before it hands out
// WM_LOOKUP_DONE, and never once the dialog's window is gone, so a completion that
// comes after an abort touches neither the buffer nor the job.
#pragma once

#include <cstddef>

#include "app/download_job.h"
#include "platform/sockets/resolver.h"
#include "platform/windows/dialog.h"

namespace qx {

// The resolver's completion (posted by the platform) and the dialog's own ends,
// each posted to itself with both parameters 0.
inline constexpr UINT WM_LOOKUP_DONE = WM_USER + 7;     // 1031
inline constexpr UINT WM_LOOKUP_FOUND = WM_USER + 10;   // 1034
inline constexpr UINT WM_LOOKUP_ABORT = WM_USER + 11;   // 1035
inline constexpr UINT WM_LOOKUP_FAILED = WM_USER + 12;  // 1036

// Modal results; 1 and 2 do not mean IDOK and IDCANCEL here.
inline constexpr int LOOKUP_RESULT_FOUND = 0;
inline constexpr int LOOKUP_RESULT_ABORTED = 1;
inline constexpr int LOOKUP_RESULT_FAILED = 2;

class CLookupDlg : public CDialog {
public:
    explicit CLookupDlg(CWnd* pParent = nullptr);
    ~CLookupDlg() override;

    DownloadJob* m_pJob = nullptr;  // not owned; set before DoModal
    alignas(std::max_align_t) char m_hostBuffer[MAXGETHOSTSTRUCT] = {};

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    BOOL OnInitDialog() override;
    void OnCancel() override;
};

}  // namespace qx
