// The dialog manager's keys and mouse, data exchange, and the modal loop's order.
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/testing/dialog_harness.h"
#include "platform/windows/controls.h"
#include "platform/windows/dialog.h"
#include "tests/windows/fixtures.h"

namespace qx {
namespace {

using namespace testing_fixtures;

class FormDlg : public CDialog {
public:
    explicit FormDlg(const DialogTemplate& t = FormTemplate()) : CDialog(t) {}
    CString m_name;
    CString m_password;
    int m_limit = 8;
    bool m_focusPassword = false;
    bool m_returnFalse = false;

    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        CenterWindow();
        if (m_focusPassword) {
            GetDlgItem(kPasswordBox)->SetFocus();
            return FALSE;
        }
        return m_returnFalse ? FALSE : TRUE;
    }

protected:
    void DoDataExchange(CDataExchange* pDX) override {
        DDX_Text(pDX, kNameBox, m_name);
        DDV_MaxChars(pDX, m_name, m_limit);
        DDX_Text(pDX, kPasswordBox, m_password);
        DDV_MaxChars(pDX, m_password, m_limit);
    }
};

int FocusId() {
    CWnd* f = CWnd::GetFocus();
    return f ? f->GetDlgCtrlID() : 0;
}

struct KeyCase {
    const char* name;
    std::function<void(HeadlessBackend&)> script;
    int result;
    const char* name_after;  // m_name after the run (UTF-8)
};

TEST(DialogKeysTest, EnterEscTabMnemonicsAndMouseEndTheFormAsExpected) {
    const std::vector<KeyCase> cases = {
        {"Enter in a box gives the default button", [](HeadlessBackend& in) { in.Press(Key::Enter); }, IDOK, "start"},
        {"Esc gives Cancel", [](HeadlessBackend& in) { in.Type("zz").Press(Key::Escape); }, IDCANCEL, "start"},
        {"typing replaces the text selected on entry",
         [](HeadlessBackend& in) { in.Type("abc").Press(Key::Enter); }, IDOK, "abc"},
        {"Enter on the focused Cancel button",
         [](HeadlessBackend& in) { in.Press(Key::Tab).Press(Key::Tab).Press(Key::Tab).Press(Key::Enter); }, IDCANCEL,
         "start"},
        {"Shift+Tab wraps around to Cancel",
         [](HeadlessBackend& in) { in.Press(Key::BackTab).Press(Key::Enter); }, IDCANCEL, "start"},
        {"Space presses the focused button",
         [](HeadlessBackend& in) { in.Press(Key::Tab).Press(Key::Tab).Type(" "); }, IDOK, "start"},
        {"Alt+G presses Go from inside a box", [](HeadlessBackend& in) { in.Type("x").Alt('g'); }, IDOK, "x"},
        {"a plain letter in a box is text, not a mnemonic",
         [](HeadlessBackend& in) { in.Type("g").Press(Key::Enter); }, IDOK, "g"},
        {"a plain letter on a button is its mnemonic",
         [](HeadlessBackend& in) { in.Press(Key::Tab).Press(Key::Tab).Press(Key::Tab).Type("g"); }, IDOK, "start"},
        {"the close box gives Cancel", [](HeadlessBackend& in) { in.Click(72, 8); }, IDCANCEL, "start"},
        {"a click on Cancel", [](HeadlessBackend& in) { in.ClickOn("Cancel"); }, IDCANCEL, "start"},
        {"a press that is released elsewhere does not click",
         [](HeadlessBackend& in) {
             in.Mouse(64, 18, MouseButton::Left, MouseAction::Press)
                 .Mouse(30, 18, MouseButton::Left, MouseAction::Release)
                 .Press(Key::Escape);
         },
         IDCANCEL, "start"},
    };
    for (const KeyCase& c : cases) {
        SCOPED_TRACE(c.name);
        DialogHarness h;
        c.script(h.Input());
        FormDlg dlg;
        dlg.m_name = "start";
        EXPECT_EQ(dlg.DoModal(), c.result);
        EXPECT_EQ(dlg.m_name, c.name_after);
        EXPECT_TRUE(h.Input().ScriptDone());
    }
}

TEST(DialogKeysTest, TabOrderMnemonicFocusAndInitialFocus) {
    DialogHarness h;
    std::vector<int> seen;
    auto note = [&] { seen.push_back(FocusId()); };
    h.Input().Then(note).Press(Key::Tab).Then(note).Press(Key::Tab).Then(note).Press(Key::Tab).Then(note);
    h.Input().Press(Key::Tab).Then(note).Press(Key::BackTab).Then(note);
    h.Input().Alt('p').Then(note).Alt('n').Then(note).Press(Key::Escape);
    FormDlg dlg;
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_EQ(seen, (std::vector<int>{kNameBox, kPasswordBox, IDOK, IDCANCEL, kNameBox, IDCANCEL, kPasswordBox,
                                      kNameBox}));

    // OnInitDialog returning FALSE keeps the focus it set.
    h.Input().Then(note).Press(Key::Escape);
    FormDlg second;
    second.m_focusPassword = true;
    second.DoModal();
    EXPECT_EQ(seen.back(), kPasswordBox);

    // FALSE without a focus of its own still leaves the first tab stop focused.
    h.Input().Then(note).Press(Key::Escape);
    FormDlg third;
    third.m_returnFalse = true;
    third.DoModal();
    EXPECT_EQ(seen.back(), kNameBox);
}

TEST(DialogKeysTest, ClickFocusesABoxWithoutSelectingAndPlacesTheCaret) {
    DialogHarness h;
    int focus = 0, start = -1, end = -1;
    h.Input().Press(Key::Tab).Then([&] {  // from the password box
        const auto label = h.Input().Find("Name:");
        ASSERT_TRUE(label.has_value());
        // The name box starts 17 columns right of its label; click its third column.
        h.Input().Click(label->first + 17 + 2, label->second).Then([&] {
            focus = FocusId();
            static_cast<CEdit*>(CWnd::GetFocus())->GetSel(start, end);
        });
        h.Input().Type("X").Press(Key::Enter);
    });
    FormDlg dlg;
    dlg.m_name = "abcdef";
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(focus, kNameBox);
    EXPECT_EQ(start, 2);
    EXPECT_EQ(end, 2);
    EXPECT_EQ(dlg.m_name, "abXcdef");
}

TEST(DialogKeysTest, PasswordBoxShowsStarsAndTheDefaultButtonIsMarked) {
    DialogHarness h;
    std::string screen;
    h.Input().Alt('p').Type("abc").Then([&] { screen = h.ScreenText(); }).Press(Key::Enter);
    FormDlg dlg;
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(dlg.m_password, "abc");
    EXPECT_NE(screen.find("***"), std::string::npos);
    EXPECT_EQ(screen.find("abc"), std::string::npos);
    const auto go = h.Input().Find("Go");
    ASSERT_TRUE(go.has_value());
    EXPECT_TRUE(h.Screen().At(go->first, go->second).attr & kAttrBold);
    EXPECT_TRUE(h.Screen().At(go->first, go->second).attr & kAttrUnderline);  // the mnemonic
    EXPECT_NE(h.ScreenText().find("Name:"), std::string::npos);                 // "&" removed
}

TEST(DialogKeysTest, TypingStopsAtTheByteLimitAndRefusesWhatCp932CannotHold) {
    struct Case {
        const char* typed;
        int limit;
        std::string expected;
        int beeps;
    };
    const std::vector<Case> cases = {
        {"abcdef", 4, "abcd", 2},
        {"日本語", 4, Sjis("日本"), 1},
        {"aｱ日", 4, Sjis("aｱ日"), 0},  // half-width katakana is one byte
        {"a😀b", 8, "ab", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        DialogHarness h;
        h.Input().Type(c.typed).Press(Key::Enter);
        FormDlg dlg;
        dlg.m_limit = c.limit;
        EXPECT_EQ(dlg.DoModal(), IDOK);
        EXPECT_EQ(dlg.m_name.Bytes(), c.expected);
        EXPECT_EQ(h.Input().Beeps(), c.beeps);
    }
}

TEST(DialogKeysTest, EditingKeysMoveAndDelete) {
    DialogHarness h;
    h.Input().Press(Key::End).Press(Key::Left).Press(Key::Backspace).Press(Key::Home).Press(Key::Delete);
    h.Input().Type("X").Press(Key::Enter);
    FormDlg dlg;
    dlg.m_name = Sjis("a日本b").c_str();
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(dlg.m_name.Bytes(), Sjis("X日b"));
}

TEST(DataExchangeTest, TooLongTextIsRefusedWithFocusAndSelectionBackOnItsBox) {
    DialogHarness h;
    h.Resources().AddString(61716, "Enter no more than %1 characters.");
    int focus = 0, selStart = -1, selEnd = -1;
    h.Input().Press(Key::Tab).Press(Key::Enter);  // Enter on the password box: Go
    h.Input().Press(Key::Enter);                  // the message box's OK
    h.Input().Then([&] {
        focus = FocusId();
        static_cast<CEdit*>(CWnd::GetFocus())->GetSel(selStart, selEnd);
    });
    h.Input().Press(Key::Escape);
    FormDlg dlg;
    dlg.m_limit = 4;
    dlg.m_name = "abcdefg";  // set by the program: only the exchange can refuse it
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    ASSERT_EQ(h.MessageBoxes().size(), 1u);  // the password was not checked as well
    EXPECT_EQ(h.MessageBoxes()[0].text, "Enter no more than 4 characters.");
    EXPECT_EQ(h.MessageBoxes()[0].type, 48u);
    EXPECT_EQ(focus, kNameBox);
    EXPECT_EQ(selStart, 0);
    EXPECT_EQ(selEnd, 7);
    EXPECT_EQ(dlg.m_name, "abcdefg");
}

TEST(DialogLifecycleTest, MissingOrDamagedTemplateGivesMinusOne) {
    DialogHarness h;
    h.Resources().Add(RT_DIALOG, 77, std::string_view("QXDT\x01"));
    CDialog missing(76);
    CDialog damaged(77);
    EXPECT_EQ(missing.DoModal(), -1);
    EXPECT_EQ(damaged.DoModal(), -1);

    h.Resources().AddDialog(78, FormTemplate());
    h.Input().Press(Key::Escape);
    CDialog fromResource(78);
    EXPECT_EQ(fromResource.DoModal(), IDCANCEL);
}

TEST(DialogLifecycleTest, ExhaustedScriptEndsTheDialogInsteadOfHanging) {
    DialogHarness h;
    FormDlg dlg;
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);  // the fallback Esc
}

}  // namespace
}  // namespace qx
