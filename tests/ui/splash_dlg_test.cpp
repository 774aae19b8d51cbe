// The splash screen: the picture's size and place, the end by its timer just past
// 3,000 ms (also across the tick counter's wrap-around), and the quick ways out.
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/system/clock.h"
#include "tests/ui/ui_test_support.h"
#include "ui/splash_dlg.h"

namespace qx {
namespace {

using namespace ui_testing;

TEST(SplashDlgTest, TheWindowIsThePicturesSizeCentredOnTheScreen) {
    UiHarness u;
    CSplashDlg dlg;
    u.h.Input().Then([&] {
        CRect window;
        dlg.GetWindowRect(window);
        EXPECT_EQ(window.Width(), 300);
        EXPECT_EQ(window.Height(), 179);
        // The 100 x 30 screen is 800 x 480 pixels; centred to within a cell.
        EXPECT_LE(std::abs(window.left + window.right - 800), 2 * kCellWidthPx) << window.left;
        EXPECT_LE(std::abs(window.top + window.bottom - 480), 2 * kCellHeightPx) << window.top;
        CRect picture;
        dlg.m_picture.GetWindowRect(picture);
        EXPECT_EQ(picture.Width(), 300);
        EXPECT_EQ(picture.Height(), 179);
        CRect client;
        dlg.GetClientRect(client);
        dlg.ClientToScreen(client);
        EXPECT_EQ(picture.left, client.left);
        EXPECT_EQ(picture.top, client.top);
    }).Press(Key::Escape);
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
}

// Ticks come every 500 ms from set-up; the one at exactly 3,000 ms does not end the
// splash, the next one does. The tick counter is 32 bits: starting just below its
// wrap-around must not end the splash early or never.
TEST(SplashDlgTest, EndsAtTheFirstTickAfter3000Ms) {
    const std::vector<std::uint64_t> starts = {0, 1'000'000, (std::uint64_t{1} << 32) - 1200,
                                               (std::uint64_t{1} << 32) - 3000, (std::uint64_t{1} << 32) - 1};
    for (std::uint64_t start : starts) {
        SCOPED_TRACE(start);
        UiHarness u(start);
        CSplashDlg dlg;
        EXPECT_EQ(dlg.DoModal(), IDOK);
        EXPECT_EQ(dlg.m_startTick, static_cast<std::uint32_t>(start));
        EXPECT_EQ(u.h.Clock().NowMs() - start, 3500u);
    }
}

TEST(SplashDlgTest, AClickOnThePictureEnterOrEscEndItAtOnce) {
    struct Case {
        const char* name;
        std::function<void(HeadlessBackend&)> script;
        int result;
    };
    const std::vector<Case> cases = {
        {"a click in the picture's middle", [](HeadlessBackend& in) { in.Click(50, 15); }, IDOK},
        {"a click near its corner", [](HeadlessBackend& in) { in.Click(32, 10); }, IDOK},
        {"Enter", [](HeadlessBackend& in) { in.Press(Key::Enter); }, IDOK},
        {"Esc", [](HeadlessBackend& in) { in.Press(Key::Escape); }, IDCANCEL},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        UiHarness u;
        CSplashDlg dlg;
        c.script(u.h.Input());
        EXPECT_EQ(dlg.DoModal(), c.result);
        EXPECT_LT(u.h.Clock().NowMs(), 500u);
    }
}

TEST(SplashDlgTest, PressingTheMouseOnThePictureLeavesItUnchanged) {
    UiHarness u;
    CSplashDlg dlg;
    ScreenBuffer before;
    u.h.Input()
        .Then([&] { before = u.h.Screen(); })
        .Mouse(50, 15, MouseButton::Left, MouseAction::Press)
        .Then([&] {
            int changed = 0;
            for (int y = 0; y < before.Rows(); ++y) {
                for (int x = 0; x < before.Columns(); ++x) changed += before.At(x, y) == u.h.Screen().At(x, y) ? 0 : 1;
            }
            EXPECT_EQ(changed, 0) << "cells changed by the press";
        })
        .Mouse(50, 15, MouseButton::Left, MouseAction::Release);
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_LT(u.h.Clock().NowMs(), 500u);
}

}  // namespace
}  // namespace qx
