#include "app/downloader_app.h"

#include <cstdio>
#include <cstring>

#include "app/result_codes.h"
#include "platform/sockets/winsock.h"
#include "platform/strings/cstring.h"
#include "platform/strings/format.h"
#include "platform/windows/message_box.h"
#include "ui/agreement_dlg.h"
#include "ui/lookup_dlg.h"
#include "ui/progress_dlg.h"
#include "ui/splash_dlg.h"
#include "ui/target_dlg.h"

namespace qx {

namespace {

// The dialogs hold at most 32 bytes, but a copy into the job never runs past its
// buffer whatever it is given: a longer text is cut, and always terminated.
template <std::size_t N>
void CopyText(char (&to)[N], const char* from) {
    std::size_t n = std::strlen(from);
    if (n >= N) n = N - 1;
    std::memcpy(to, from, n);
    to[n] = '\0';
}

// The code text: 260 bytes, zero-filled, the code printed with "%d".
struct CodeText {
    char text[260];
    explicit CodeText(int code) {
        std::memset(text, 0, sizeof text);
        std::snprintf(text, sizeof text, "%d", code);
    }
};

// The outcome messages whose text is the result code's own string.
bool HasOwnText(int result) {
    switch (result) {
        case IDS_NO_IMAGE:
        case IDS_CHECK_CONNECTION:
        case IDS_DL_REFUSED:
        case IDS_DL_TIMEOUT:
        case IDS_NOT_TARGET_MODEL:
        case IDS_IN_DOWNLOAD_MODE:
            return true;
        default:
            return false;
    }
}

}  // namespace

CDownloaderApp::CDownloaderApp() : CWinApp(nullptr) { std::memset(&m_job, 0, sizeof m_job); }

CDownloaderApp::~CDownloaderApp() = default;

BOOL CDownloaderApp::InitInstance() {
    // Only one instance: a second one ends silently.
    if (HANDLE running = OpenMutexA(MUTEX_ALL_ACCESS, FALSE, kInstanceMutexName)) {
        CloseHandle(running);
        return FALSE;
    }
    // Kept for the life of the process; a failure goes unreported and the run goes on.
    m_hMutex = CreateMutexA(nullptr, FALSE, kInstanceMutexName);

    SetDialogBkColor(RGB(192, 192, 192), RGB(0, 0, 0));
    LoadStdProfileSettings(4);
    CopyText(m_job.name, kDefaultTargetName);

    CSplashDlg splash;
    splash.DoModal();  // its result does not matter

    CAgreementDlg agreement;
    if (agreement.DoModal() != IDOK) {
        AfxMessageBox(IDS_DL_CANCELLED, kStyleMessage);
        return FALSE;
    }

    CString message;
    for (;;) {
        if (!AfxSocketInit()) {
            const CodeText code(DL_E_SOCKET_INIT);  // shown, never stored in the job
            AfxFormatString2(message, IDS_DL_FAILED, m_job.name, code.text);
            AfxMessageBox(message, kStyleMessage);
            return FALSE;
        }

        CTargetDlg target;
        target.m_targetText = m_job.name;
        target.m_passwordRejected = m_job.passwordRejected;
        if (m_job.passwordRejected == 1) m_job.passwordRejected = 0;  // the focus moves once
        if (target.DoModal() != IDOK) {
            AfxMessageBox(IDS_DL_CANCELLED, kStyleMessage);
            return FALSE;
        }

        CopyText(m_job.name, target.m_targetText);
        CopyText(m_job.host, target.m_targetText);
        m_job.address = inet_addr(target.m_targetText);

        if (m_job.address == INADDR_NONE) {  // not a dotted address: a host name
            CLookupDlg lookup;
            lookup.m_pJob = &m_job;
            const INT_PTR found = lookup.DoModal();
            if (found == LOOKUP_RESULT_ABORTED) {
                AfxFormatString1(message, IDS_LOOKUP_CANCELLED, m_job.name);
                AfxMessageBox(message, kStyleMessage);
                continue;
            }
            // Only a lookup that reports an address goes on. A dialog that could not
            // run at all (-1) found nothing either, and the job's address is still
            // INADDR_NONE, which must never become a target.
            if (found != LOOKUP_RESULT_FOUND) {
                AfxFormatString1(message, IDS_ADDRESS_UNKNOWN, m_job.name);
                AfxMessageBox(message, kStyleMessage);
                continue;
            }
        }

        // Only now: a lookup that sends the user back leaves the job's password alone.
        CopyText(m_job.password, target.m_passwordText);

        AfxFormatString1(message, IDS_CONFIRM_DOWNLOAD, m_job.host);
        const int answer = AfxMessageBox(message, kStyleQuestion);
        // A question that could not be shown (0) is no consent to write the router.
        if (answer == IDCANCEL || answer == 0) {
            AfxMessageBox(IDS_DL_CANCELLED, kStyleMessage);
            return FALSE;
        }

        {
            CProgressDlg progress;
            progress.SetJob(&m_job);
            // A progress dialog that could not run (-1) stored no outcome; the
            // zero-filled or earlier result must not be read as this attempt's.
            if (progress.DoModal() == -1) m_job.result = -1;
        }
        message.Empty();
        const CodeText code(m_job.result);

        const int result = m_job.result;
        const UINT textId = result == DL_OK ? IDS_DL_SUCCEEDED
                            : HasOwnText(result) ? static_cast<UINT>(result)
                                                 : IDS_DL_FAILED;
        AfxFormatString2(message, textId, m_job.name, code.text);
        AfxMessageBox(message, kStyleMessage);
        if (result == IDS_DL_REFUSED) {
            m_job.passwordRejected = 1;
            continue;
        }
        if (result == IDS_NOT_TARGET_MODEL) continue;
        return TRUE;
    }
}

}  // namespace qx
