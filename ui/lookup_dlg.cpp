#include "ui/lookup_dlg.h"

#include <cstring>

#include "platform/sockets/winsock.h"
#include "res/resource_ids.h"

namespace qx {

namespace {

// The first IPv4 address of a completed lookup's record, or nothing when the record
// does not hold one (a platform that reports success with an empty list must not
// make us read through a null pointer).
bool FirstAddress(const char* buffer, std::uint32_t& address) {
    hostent entry;
    std::memcpy(&entry, buffer, sizeof entry);
    if (entry.h_addrtype != AF_INET || entry.h_length != 4 || !entry.h_addr_list || !entry.h_addr_list[0]) {
        return false;
    }
    std::memcpy(&address, entry.h_addr_list[0], 4);
    return true;
}

}  // namespace

CLookupDlg::CLookupDlg(CWnd* pParent) : CDialog(IDD_LOOKUP, pParent) {}

CLookupDlg::~CLookupDlg() = default;

void CLookupDlg::DoDataExchange(CDataExchange* pDX) { CDialog::DoDataExchange(pDX); }

// Every end goes through a posted message, and the modal loop stops at the first
// EndDialog: whichever of found, aborted and failed is handled first decides, and the
// rest are dropped with the window.
LRESULT CLookupDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_LOOKUP_DONE: {
            std::uint32_t address = 0;
            if (HIWORD(lParam) == 0 && m_pJob && FirstAddress(m_hostBuffer, address)) {
                m_pJob->address = address;
                PostMessage(WM_LOOKUP_FOUND, 0, 0);
            } else {
                PostMessage(WM_LOOKUP_FAILED, 0, 0);
            }
            break;
        }
        case WM_LOOKUP_FOUND: EndDialog(LOOKUP_RESULT_FOUND); break;
        case WM_LOOKUP_ABORT: EndDialog(LOOKUP_RESULT_ABORTED); break;
        case WM_LOOKUP_FAILED: EndDialog(LOOKUP_RESULT_FAILED); break;
        default: break;
    }
    return CDialog::WindowProc(message, wParam, lParam);
}

BOOL CLookupDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    // A lookup the platform refuses to start reports nothing; the user can still abort.
    if (m_pJob) WSAAsyncGetHostByName(m_hWnd, WM_LOOKUP_DONE, m_pJob->host, m_hostBuffer, MAXGETHOSTSTRUCT);
    // Not visible by its template: show and paint it before the modal loop runs.
    ShowWindow(SW_SHOW);
    UpdateWindow();
    return TRUE;
}

// The abort ends the dialog only through its posted message; the lookup runs on and
// its completion, if it comes later, is dropped with the window.
void CLookupDlg::OnCancel() { PostMessage(WM_LOOKUP_ABORT, 0, 0); }

}  // namespace qx
