// CDownloaderApp: the application object and the start-up sequence, the whole visible
// life of the program: the single-instance guard, the dialog colours, the splash, the
// terms of use, then the loop of target entry, host lookup, confirmation, download and
// one outcome message. A refused password, a device of another model and a stopped or
// failed lookup lead back to the target entry; every other end ends the program.
//
// The object owns the one DownloadJob for the life of the process (zero-filled once,
// by the constructor) and hands the dialogs a plain pointer to it. Dialog objects are
// locals of InitInstance, one modal run each. The guard's handle is kept and never
// closed: the system drops it when the process ends.
#pragma once

#include "app/download_job.h"
#include "app/win_app.h"
#include "platform/system/instance_guard.h"

namespace qx {

// The presence marker of a running instance.
inline constexpr const char* kInstanceMutexName = "hPrevInstance";
// The target the first target dialog shows.
inline constexpr const char* kDefaultTargetName = "QX210-NODE";
// Message box styles: exclamation with OK (every message), with OK and Cancel (questions).
inline constexpr UINT kStyleMessage = 48;
inline constexpr UINT kStyleQuestion = 49;

class CDownloaderApp : public CWinApp {
public:
    CDownloaderApp();
    ~CDownloaderApp() override;

    // The start-up sequence. FALSE on the early ends (second instance, terms declined,
    // socket layer not started, target entry or confirmation cancelled); TRUE after
    // the outcome message.
    BOOL InitInstance() override;

    HANDLE m_hMutex = nullptr;
    DownloadJob m_job;
};

}  // namespace qx
