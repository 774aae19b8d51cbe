// CTargetDlg: asks for the router (host name or dotted IPv4 address) and its
// password. The caller presets m_targetText and m_passwordRejected before DoModal and
// reads both texts after IDOK; the dialog neither parses the target nor touches the
// network or the job. Both texts are CP932 and at most kTargetTextLimit bytes.
#pragma once

#include "platform/strings/cstring.h"
#include "platform/windows/dialog.h"

namespace qx {

// The most bytes either box holds; longer texts are refused by the data exchange.
inline constexpr int kTargetTextLimit = 32;

class CTargetDlg : public CDialog {
public:
    explicit CTargetDlg(CWnd* pParent = nullptr);
    ~CTargetDlg() override;

    BYTE m_passwordRejected = 0;  // 1: the password box gets the first focus
    CString m_targetText;
    CString m_passwordText;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
};

}  // namespace qx
