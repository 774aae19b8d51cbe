// CWinApp: the application object of the framework, as far as this program uses it.
//
// Exactly one application object is meant to exist, a static object built before the
// entry point runs; the most recently constructed live one is AfxGetApp(). The entry
// point (app/main.cpp) installs the screen and the resources, calls InitInstance once
// and, as no main window is ever made, ends when it returns. The object owns nothing
// of the window layer; it only records the state of the socket layer's start-up.
#pragma once

#include "platform/win_types.h"

namespace qx {

class CWinApp {
public:
    // Without a name the application name stays the program file's name without its
    // extension (AfxGetAppName), which captions every message box.
    explicit CWinApp(const char* lpszAppName = nullptr);
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // The start-up of the application; FALSE ends it at once.
    virtual BOOL InitInstance();
    // The exit code of the process.
    virtual int ExitInstance();

    const char* m_pszAppName = nullptr;
    bool m_socketsStarted = false;  // AfxSocketInit succeeded once

protected:
    // The colours of every dialog of the run.
    void SetDialogBkColor(COLORREF clrCtlBk = RGB(192, 192, 192), COLORREF clrCtlText = RGB(0, 0, 0));
    // The framework's profile settings with a recent-file list; this program keeps no
    // settings, so nothing is read or written.
    void LoadStdProfileSettings(UINT nMaxMRU = 4);
};

CWinApp* AfxGetApp();

// Starts the socket layer asking for version 1.1. FALSE when the layer refuses or
// offers another version. Once it has succeeded for the application object, later
// calls succeed at once without doing anything.
BOOL AfxSocketInit();

}  // namespace qx
