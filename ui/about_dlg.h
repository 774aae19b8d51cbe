// CAboutDlg: names the program, the router and the firmware version it carries.
// Opened only from the agreement dialog, over which it is centred.
#pragma once

#include "platform/windows/dialog.h"

namespace qx {

class CAboutDlg : public CDialog {
public:
    explicit CAboutDlg(CWnd* pParent = nullptr);
    ~CAboutDlg() override;

protected:
    const MessageMap* GetMessageMap() const override;
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
};

}  // namespace qx
