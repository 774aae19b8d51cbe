// The splash picture and the About dialog (with its icon) as the window layer draws
// them in a terminal, compared with reviewed screenshots kept as text. Pictures are
// written one character per half cell: the palette index (0-F) the layer chose, '.'
// where the picture left the cell alone. Run with QX_UPDATE_GOLDEN=1 to rewrite the
// files after a deliberate change, then review the diff.
#include <cstdlib>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "platform/testing/dialog_harness.h"
#include "platform/windows/controls.h"
#include "platform/windows/dialog.h"
#include "res/program_resources.h"
#include "res/resource_ids.h"

namespace qx {
namespace {

// Copies the program's resources that the dialogs under test need into the harness.
void AddProgramResources(TestResources& resources) {
    for (const ResourceEntry& entry : ProgramResources()) {
        if (entry.type.Matches(RT_STRING) || entry.type.Matches(kResourceTypeBin)) continue;
        resources.Add(entry.type, entry.name, std::vector<std::byte>(entry.data, entry.data + entry.size));
    }
}

char HexColour(Color c) { return "0123456789ABCDEF"[static_cast<int>(c)]; }

// The half-block cells of the screen as two lines of colour digits per cell row,
// cropped to the cells that show a picture.
std::string PictureCells(const ScreenBuffer& screen) {
    int left = screen.Columns(), right = -1, top = screen.Rows(), bottom = -1;
    const auto is_picture = [&](int x, int y) {
        const char32_t ch = screen.At(x, y).ch;
        return ch == U'▀' || ch == U'▄';
    };
    for (int y = 0; y < screen.Rows(); ++y) {
        for (int x = 0; x < screen.Columns(); ++x) {
            if (!is_picture(x, y)) continue;
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
    }
    std::string out;
    for (int y = top; y <= bottom; ++y) {
        std::string upper, lower;
        for (int x = left; x <= right; ++x) {
            const Cell& cell = screen.At(x, y);
            if (!is_picture(x, y)) {
                upper += '.';
                lower += '.';
            } else if (cell.ch == U'▀') {
                upper += HexColour(cell.fg);
                lower += HexColour(cell.bg);
            } else {
                upper += HexColour(cell.bg);
                lower += HexColour(cell.fg);
            }
        }
        out += upper + "\n" + lower + "\n";
    }
    return out;
}

// The screen's text without trailing blanks and without empty rows at either end.
std::string TrimmedText(const ScreenBuffer& screen) {
    std::vector<std::string> rows;
    for (int y = 0; y < screen.Rows(); ++y) {
        std::string row = screen.RowText(y);
        row.erase(row.find_last_not_of(' ') + 1);
        rows.push_back(row);
    }
    while (!rows.empty() && rows.back().empty()) rows.pop_back();
    std::size_t first = 0;
    while (first < rows.size() && rows[first].empty()) ++first;
    std::string out;
    for (std::size_t i = first; i < rows.size(); ++i) out += rows[i] + "\n";
    return out;
}

void ExpectGolden(const std::string& name, const std::string& actual) {
    const std::string path = std::string(QX_RES_GOLDEN_DIR) + "/" + name;
    if (std::getenv("QX_UPDATE_GOLDEN")) {
        std::ofstream(path, std::ios::binary) << actual;
        GTEST_SKIP() << "rewrote " << path;
    }
    std::ifstream in(path, std::ios::binary);
    ASSERT_TRUE(in) << path << " is missing; run with QX_UPDATE_GOLDEN=1 and review it";
    std::stringstream expected;
    expected << in.rdbuf();
    EXPECT_EQ(actual, expected.str()) << "the screen differs from " << path << ":\n" << actual;
}

// Shows the splash picture the way the splash screen does: the picture button sized
// to the picture at the client area's top-left corner.
class PictureDialog : public CDialog {
public:
    PictureDialog() : CDialog(IDD_SPLASH) {}
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        picture_.SubclassDlgItem(IDOK, this);
        loaded_ = picture_.LoadBitmaps(kSplashBitmapName);
        picture_.SizeToContent();
        RECT r;
        picture_.GetWindowRect(&r);
        SetWindowPos(nullptr, 0, 0, r.right - r.left, r.bottom - r.top, SWP_NOZORDER | SWP_NOMOVE);
        return TRUE;
    }
    BOOL loaded_ = FALSE;

private:
    CBitmapButton picture_;
};

TEST(ScreenGoldenTest, SplashPicture) {
    DialogHarness h(100, 30);
    AddProgramResources(h.Resources());
    std::string cells;
    h.Input().Then([&] { cells = PictureCells(h.Screen()); }).Press(Key::Escape);
    PictureDialog dialog;
    dialog.DoModal();
    EXPECT_TRUE(dialog.loaded_);
    ExpectGolden("splash.txt", cells);
}

TEST(ScreenGoldenTest, AboutDialogWithItsIcon) {
    DialogHarness h(100, 30);
    AddProgramResources(h.Resources());
    std::string shot;
    h.Input().Then([&] { shot = TrimmedText(h.Screen()) + "\nicon:\n" + PictureCells(h.Screen()); }).Press(Key::Escape);
    CDialog dialog(IDD_ABOUTBOX);
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    ExpectGolden("about.txt", shot);
}

}  // namespace
}  // namespace qx
