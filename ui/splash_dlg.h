// CSplashDlg: the start-up picture ("STARTBMP") in a frame without title bar, centred,
// ending by itself once more than kSplashMinimumMs have passed (checked every
// kSplashTimerPeriodMs), or at once on a click on the picture, Enter or Esc. The
// dialog owns the loaded picture through m_picture.
#pragma once

#include <cstdint>

#include "platform/windows/controls.h"
#include "platform/windows/dialog.h"

namespace qx {

inline constexpr UINT_PTR IDT_SPLASH = 2000;
inline constexpr UINT kSplashTimerPeriodMs = 500;
inline constexpr std::uint32_t kSplashMinimumMs = 3000;

class CSplashDlg : public CDialog {
public:
    explicit CSplashDlg(CWnd* pParent = nullptr);
    ~CSplashDlg() override;

    CBitmapButton m_picture;        // attached to the template's IDOK button
    std::uint32_t m_startTick = 0;  // GetTickCount at the end of set-up

protected:
    const MessageMap* GetMessageMap() const override;
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;

    void OnTimer(UINT_PTR nIDEvent);
};

}  // namespace qx
