#include "ui/agreement_dlg.h"

#include <string>

#include "platform/system/resources.h"
#include "res/resource_ids.h"
#include "ui/about_dlg.h"

namespace qx {

CAgreementDlg::CAgreementDlg(CWnd* pParent) : CDialog(IDD_AGREEMENT, pParent) {}

CAgreementDlg::~CAgreementDlg() = default;

const MessageMap* CAgreementDlg::GetMessageMap() const {
    static const MessageMap map{CDialog::GetMessageMap(), {
        MapBnClicked(IDC_ABOUT, &CAgreementDlg::OnAbout),
    }};
    return &map;
}

void CAgreementDlg::DoDataExchange(CDataExchange* pDX) { CDialog::DoDataExchange(pDX); }

// A missing or empty text leaves the box empty and unattached; the dialog still
// lets the user accept or refuse.
BOOL CAgreementDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    CenterWindow();

    HRSRC found = FindResource(nullptr, MAKEINTRESOURCE(IDR_AGREEMENT_TEXT), kResourceTypeBin);
    if (!found) return TRUE;
    HGLOBAL loaded = LoadResource(nullptr, found);
    if (!loaded) return TRUE;
    const void* bytes = LockResource(loaded);
    if (!bytes) return TRUE;
    const DWORD size = SizeofResource(nullptr, found);
    if (size == 0) return TRUE;

    m_textView.SubclassDlgItem(IDC_AGREEMENT_TEXT, this);
    // The resource carries no terminator of its own.
    const std::string text(static_cast<const char*>(bytes), size);
    m_textView.SetWindowText(text.c_str());
    return TRUE;
}

void CAgreementDlg::OnAbout() {
    CAboutDlg about;
    about.DoModal();
}

}  // namespace qx
