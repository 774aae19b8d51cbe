// The splash screen and the About dialog (with its icon) as the real dialog classes
// draw them, compared exactly with reviewed screenshots in tests/ui/golden/. Each
// file holds the window's cells as text, then its picture cells as two rows of
// palette digits (0-F) per cell row, upper and lower half, '.' for cells without a
// half-block. After a deliberate change to the artwork or the layout, regenerate with
//     QX_UPDATE_GOLDEN=1 build-ui/tests/ui/ui_tests --gtest_filter='GoldenScreen*'
// and review the diff of the .txt files before committing it.
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "tests/ui/ui_test_support.h"
#include "ui/about_dlg.h"
#include "ui/splash_dlg.h"
#include "platform/strings/cp932.h"

namespace qx {
namespace {

using namespace ui_testing;

// The cells of `dlg`'s whole window: its text, then its picture cells.
std::string WindowShot(const ScreenBuffer& s, CWnd& dlg) {
    CRect r;
    dlg.GetWindowRect(r);
    const int left = r.left / kCellWidthPx;
    const int top = r.top / kCellHeightPx;
    const int right = (r.right + kCellWidthPx - 1) / kCellWidthPx;
    const int bottom = (r.bottom + kCellHeightPx - 1) / kCellHeightPx;
    std::string text;
    std::string picture;
    for (int y = top; y < bottom; ++y) {
        std::string upper;
        std::string lower;
        for (int x = left; x < right; ++x) {
            const Cell& c = s.At(x, y);
            if (c.ch != U'\0') text += UnicodeToUtf8(std::u32string(1, c.ch));
            const char fg = "0123456789ABCDEF"[static_cast<int>(c.fg)];
            const char bg = "0123456789ABCDEF"[static_cast<int>(c.bg)];
            upper += c.ch == U'▀' ? fg : c.ch == U'▄' ? bg : '.';
            lower += c.ch == U'▀' ? bg : c.ch == U'▄' ? fg : '.';
        }
        text += '\n';
        picture += upper + '\n' + lower + '\n';
    }
    return text + "picture:\n" + picture;
}

void ExpectGolden(const std::string& name, const std::string& actual) {
    const std::string path = std::string(QX_UI_GOLDEN_DIR) + "/" + name;
    if (std::getenv("QX_UPDATE_GOLDEN")) {
        std::ofstream(path, std::ios::binary) << actual;
        GTEST_SKIP() << "rewrote " << path << "; review the diff";
    }
    std::ifstream in(path, std::ios::binary);
    ASSERT_TRUE(in) << path << " is missing; regenerate it with QX_UPDATE_GOLDEN=1 and review it";
    std::stringstream expected;
    expected << in.rdbuf();
    EXPECT_EQ(actual, expected.str()) << "the screen differs from " << path << ":\n" << actual;
}

TEST(GoldenScreenTest, SplashPicture) {
    UiHarness u;
    CSplashDlg dlg;
    std::string shot;
    u.h.Input().Then([&] { shot = WindowShot(u.h.Screen(), dlg); }).Press(Key::Escape);
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    ExpectGolden("splash.txt", shot);
}

TEST(GoldenScreenTest, AboutDialogWithItsIcon) {
    UiHarness u;
    CAboutDlg dlg;
    std::string shot;
    u.h.Input().Then([&] { shot = WindowShot(u.h.Screen(), dlg); }).Press(Key::Escape);
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    ExpectGolden("about.txt", shot);
}

}  // namespace
}  // namespace qx
