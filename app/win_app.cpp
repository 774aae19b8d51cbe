#include "app/win_app.h"

#include "platform/sockets/winsock.h"
#include "platform/windows/dialog.h"
#include "platform/windows/message_box.h"

namespace qx {

namespace {
CWinApp* g_app = nullptr;  // user-interface thread only
}  // namespace

CWinApp::CWinApp(const char* lpszAppName) : m_pszAppName(lpszAppName) {
    g_app = this;
    if (lpszAppName) AfxSetAppName(lpszAppName);
}

CWinApp::~CWinApp() {
    if (g_app == this) g_app = nullptr;
}

BOOL CWinApp::InitInstance() { return TRUE; }
int CWinApp::ExitInstance() { return 0; }

void CWinApp::SetDialogBkColor(COLORREF clrCtlBk, COLORREF clrCtlText) { qx::SetDialogBkColor(clrCtlBk, clrCtlText); }

void CWinApp::LoadStdProfileSettings(UINT) {}

CWinApp* AfxGetApp() { return g_app; }

BOOL AfxSocketInit() {
    CWinApp* app = AfxGetApp();
    if (app && app->m_socketsStarted) return TRUE;
    WSADATA data{};
    const WORD wanted = MAKEWORD(1, 1);
    if (WSAStartup(wanted, &data) != 0) return FALSE;
    if (data.wVersion != wanted) {
        WSACleanup();
        return FALSE;
    }
    if (app) app->m_socketsStarted = true;
    return TRUE;
}

}  // namespace qx
