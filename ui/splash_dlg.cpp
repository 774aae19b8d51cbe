#include "ui/splash_dlg.h"

#include "platform/system/clock.h"
#include "res/resource_ids.h"

namespace qx {

CSplashDlg::CSplashDlg(CWnd* pParent) : CDialog(IDD_SPLASH, pParent) {}

CSplashDlg::~CSplashDlg() = default;

const MessageMap* CSplashDlg::GetMessageMap() const {
    static const MessageMap map{CDialog::GetMessageMap(), {
        MapTimer(&CSplashDlg::OnTimer),
    }};
    return &map;
}

void CSplashDlg::DoDataExchange(CDataExchange* pDX) { CDialog::DoDataExchange(pDX); }

BOOL CSplashDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    m_picture.SubclassDlgItem(IDOK, this);
    m_picture.LoadBitmaps(kSplashBitmapName);
    m_picture.SizeToContent();

    // The window takes the picture's size, frame included: the frame covers the
    // picture's right and bottom edges.
    CRect picture;
    m_picture.GetWindowRect(picture);
    SetWindowPos(nullptr, 0, 0, picture.Width(), picture.Height(), SWP_NOMOVE | SWP_NOZORDER);
    CenterWindow();

    m_startTick = GetTickCount();
    SetTimer(IDT_SPLASH, kSplashTimerPeriodMs);
    return TRUE;
}

void CSplashDlg::OnTimer(UINT_PTR nIDEvent) {
    // Unsigned 32-bit difference: right across the tick counter's wrap-around.
    const std::uint32_t elapsed = GetTickCount() - m_startTick;
    if (nIDEvent == IDT_SPLASH && elapsed > kSplashMinimumMs) {
        KillTimer(IDT_SPLASH);
        OnOK();
        return;
    }
    CDialog::OnTimer(nIDEvent);
}

}  // namespace qx
