// The target entry dialog on its real template: first showing, the password focus
// after a refusal, the 32-byte limits and their refusal, and how it ends.
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "res/resource_ids.h"
#include "tests/ui/ui_test_support.h"
#include "ui/target_dlg.h"

namespace qx {
namespace {

using namespace ui_testing;

TEST(TargetDlgTest, FirstShowingHasTheTargetFocusedAndAnEmptyPassword) {
    UiHarness u;
    CTargetDlg dlg;
    dlg.m_targetText = "QX210-NODE";
    u.h.Input().Then([&] {
        EXPECT_EQ(ItemText(dlg, IDC_TARGET), "QX210-NODE");
        EXPECT_EQ(ItemText(dlg, IDC_PASSWORD), "");
        EXPECT_EQ(FocusId(), IDC_TARGET);
        EXPECT_TRUE(Shows(u.h, "QX210-NODE"));
    }).Press(Key::Escape);
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
}

TEST(TargetDlgTest, AfterARefusedPasswordThePasswordBoxHasTheFocus) {
    UiHarness u;
    CTargetDlg dlg;
    dlg.m_targetText = "router.example";
    dlg.m_passwordRejected = 1;
    u.h.Input().Then([&] {
        EXPECT_EQ(FocusId(), IDC_PASSWORD);
        EXPECT_EQ(ItemText(dlg, IDC_TARGET), "router.example");
    }).Type("pw").Press(Key::Enter);
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(dlg.m_targetText, "router.example");
    EXPECT_EQ(dlg.m_passwordText, "pw");
}

TEST(TargetDlgTest, BoxesTakeAtMost32BytesAndThePasswordShowsStars) {
    UiHarness u;
    CTargetDlg dlg;
    const std::string forty(40, 'x');
    u.h.Input()
        .Type(forty)
        .Press(Key::Tab)
        .Type("secret")
        .Then([&] {
            EXPECT_TRUE(Shows(u.h, "******"));
            EXPECT_FALSE(Shows(u.h, "secret"));
        })
        .Type(forty)
        .Press(Key::Enter);
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(dlg.m_targetText, std::string(32, 'x').c_str());
    EXPECT_EQ(dlg.m_passwordText.GetLength(), 32);
    EXPECT_TRUE(u.h.MessageBoxes().empty());
}

// A text the program preset beyond the limit gets through to the box; the Download
// command refuses it with the framework's prompt and puts the focus back on it.
TEST(TargetDlgTest, ALongerPresetTextIsRefusedWithFocusAndSelectionBack) {
    struct Case {
        const char* name;
        std::string target;
        int refusedBox;
    };
    const std::vector<Case> cases = {
        {"target of 33 bytes", std::string(33, 't'), IDC_TARGET},
        // 17 double-byte characters: 34 bytes, which a box limited by characters lets in.
        {"target of 17 kanji", Sjis("漢字漢字漢字漢字漢字漢字漢字漢字漢"), IDC_TARGET},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        UiHarness u;
        CTargetDlg dlg;
        dlg.m_targetText = c.target.c_str();
        const int length = static_cast<int>(c.target.size());
        u.h.Input()
            .Press(Key::Enter)
            .Then([&] {
                ASSERT_EQ(u.h.MessageBoxes().size(), 0u);  // the box is still up
                EXPECT_TRUE(Shows(u.h, "Please enter no more than 32 characters."));
            })
            .Press(Key::Enter)  // OK of the message box
            .Then([&] {
                EXPECT_EQ(FocusId(), c.refusedBox);
                EXPECT_EQ(Selection(dlg, c.refusedBox), std::make_pair(0, length));
            })
            .Press(Key::Escape);
        EXPECT_EQ(dlg.DoModal(), IDCANCEL);
        ASSERT_EQ(u.h.MessageBoxes().size(), 1u);
        EXPECT_EQ(u.h.MessageBoxes()[0].text, "Please enter no more than 32 characters.");
        EXPECT_EQ(u.h.MessageBoxes()[0].type, 48u);
    }
}

TEST(TargetDlgTest, DownloadAndCancelEndTheDialog) {
    struct Case {
        const char* name;
        std::function<void(HeadlessBackend&)> script;
        int result;
    };
    const std::vector<Case> cases = {
        {"Enter in the target box", [](HeadlessBackend& in) { in.Press(Key::Enter); }, IDOK},
        {"Enter in the password box", [](HeadlessBackend& in) { in.Press(Key::Tab).Press(Key::Enter); }, IDOK},
        {"a click on Download", [](HeadlessBackend& in) { in.ClickOn("ﾀﾞｳﾝﾛｰﾄﾞ(D)"); }, IDOK},
        {"Alt+D", [](HeadlessBackend& in) { in.Alt('d'); }, IDOK},
        {"Esc", [](HeadlessBackend& in) { in.Type("other").Press(Key::Escape); }, IDCANCEL},
        {"the Cancel button", [](HeadlessBackend& in) { in.Type("other").ClickOn("ｷｬﾝｾﾙ"); }, IDCANCEL},
        {"the close box", [](HeadlessBackend& in) { in.Type("other").ClickOn("[X]"); }, IDCANCEL},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        UiHarness u;
        CTargetDlg dlg;
        dlg.m_targetText = "QX210-NODE";
        c.script(u.h.Input());
        EXPECT_EQ(dlg.DoModal(), c.result);
        // Cancel does not read the boxes.
        EXPECT_EQ(dlg.m_targetText, "QX210-NODE");
        EXPECT_TRUE(u.h.MessageBoxes().empty());
    }
}

}  // namespace
}  // namespace qx
