// The agreement dialog with its view-only text and the About dialog over it: how it
// ends, the tab order through the text, what the text lets through, and a missing
// agreement text.
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "res/resource_ids.h"
#include "tests/ui/ui_test_support.h"
#include "ui/about_dlg.h"
#include "ui/agreement_dlg.h"

namespace qx {
namespace {

using namespace ui_testing;

CEdit& TextBox(CAgreementDlg& dlg) { return *static_cast<CEdit*>(dlg.GetDlgItem(IDC_AGREEMENT_TEXT)); }

// Where the text box is on the screen: a cell inside its text.
std::pair<int, int> TextCell(CAgreementDlg& dlg) {
    CRect r;
    TextBox(dlg).GetWindowRect(r);
    return {r.left / kCellWidthPx + 3, r.top / kCellHeightPx + 2};
}

TEST(AgreementDlgTest, WaysOfEnding) {
    struct Case {
        const char* name;
        std::function<void(HeadlessBackend&)> script;
        int result;
    };
    const std::vector<Case> cases = {
        {"Enter at once accepts (Yes has the focus)", [](HeadlessBackend& in) { in.Press(Key::Enter); }, IDOK},
        {"a click on Yes", [](HeadlessBackend& in) { in.ClickOn("はい(Y)"); }, IDOK},
        {"Alt+Y", [](HeadlessBackend& in) { in.Alt('y'); }, IDOK},
        {"a click on No", [](HeadlessBackend& in) { in.ClickOn("いいえ(N)"); }, IDCANCEL},
        {"Enter on No", [](HeadlessBackend& in) { in.Press(Key::Tab).Press(Key::Enter); }, IDCANCEL},
        {"Alt+N", [](HeadlessBackend& in) { in.Alt('n'); }, IDCANCEL},
        {"Esc", [](HeadlessBackend& in) { in.Press(Key::Escape); }, IDCANCEL},
        {"Esc from the text", [](HeadlessBackend& in) { in.Press(Key::Tab).Press(Key::Tab).Press(Key::Escape); },
         IDCANCEL},
        {"the close box", [](HeadlessBackend& in) { in.ClickOn("[X]"); }, IDCANCEL},
        {"Alt+F4", [](HeadlessBackend& in) { in.Event({InputEvent::Kind::Key, {Key::F4, 0, true}, {}}); },
         IDCANCEL},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        UiHarness u;
        CAgreementDlg dlg;
        u.h.Input().Then([&] { EXPECT_EQ(FocusId(), IDOK); });
        c.script(u.h.Input());
        EXPECT_EQ(dlg.DoModal(), c.result);
        EXPECT_TRUE(u.h.MessageBoxes().empty());
    }
}

TEST(AgreementDlgTest, TheTextIsTheWholeAgreementEndingWithItsLastSentence) {
    UiHarness u;
    CAgreementDlg dlg;
    u.h.Input().Then([&] {
        const std::string text = ItemText(dlg, IDC_AGREEMENT_TEXT);
        const std::string last = Sjis("。");
        ASSERT_GE(text.size(), last.size());
        EXPECT_EQ(text.substr(text.size() - last.size()), last);
        // 29 lines between CR LF pairs; the box wraps them further at its width.
        std::size_t breaks = 0;
        for (std::size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 2)) ++breaks;
        EXPECT_EQ(breaks + 1, 29u);
        EXPECT_GE(TextBox(dlg).GetLineCount(), 29);
        EXPECT_EQ(TextBox(dlg).GetFirstVisibleLine(), 0);
        EXPECT_NE(dlg.m_textView.m_hWnd, nullptr);
    }).Press(Key::Escape);
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
}

// Tab order: Yes, No, the text, About. Tabbing into the text shows its end with
// nothing selected; Enter there does nothing; Tab and Shift+Tab leave it.
TEST(AgreementDlgTest, TabbingThroughTheText) {
    UiHarness u;
    CAgreementDlg dlg;
    int length = 0;
    auto expectEndShownUnselected = [&] {
        EXPECT_EQ(FocusId(), IDC_AGREEMENT_TEXT);
        length = TextBox(dlg).GetWindowTextLength();
        EXPECT_EQ(Selection(dlg, IDC_AGREEMENT_TEXT), std::make_pair(length, length));
        EXPECT_GT(TextBox(dlg).GetFirstVisibleLine(), 0);
    };
    u.h.Input()
        .Press(Key::Tab)
        .Then([&] { EXPECT_EQ(FocusId(), IDCANCEL); })
        .Press(Key::Tab)
        .Then(expectEndShownUnselected)
        .Press(Key::Enter)
        .Then(expectEndShownUnselected)
        .Press(Key::Tab)
        .Then([&] { EXPECT_EQ(FocusId(), IDC_ABOUT); })
        .Press(Key::BackTab)
        .Then(expectEndShownUnselected)
        .Press(Key::BackTab)
        .Then([&] { EXPECT_EQ(FocusId(), IDCANCEL); })
        .Press(Key::BackTab)
        .Then([&] { EXPECT_EQ(FocusId(), IDOK); })
        .Press(Key::Escape);
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
}

TEST(AgreementDlgTest, PagesScrollButArrowsHomeEndAndTypingDoNothing) {
    UiHarness u;
    CAgreementDlg dlg;
    int bottom = 0;
    std::pair<int, int> selection;
    std::string text;
    u.h.Input()
        .Press(Key::Tab)
        .Press(Key::Tab)
        .Then([&] {
            text = ItemText(dlg, IDC_AGREEMENT_TEXT);
            bottom = TextBox(dlg).GetFirstVisibleLine();
            selection = Selection(dlg, IDC_AGREEMENT_TEXT);
        })
        .Press(Key::Up).Press(Key::Home).Press(Key::Left).Press(Key::Down).Press(Key::End)
        .Type("x").Press(Key::Backspace).Press(Key::Delete)
        .Then([&] {
            EXPECT_EQ(TextBox(dlg).GetFirstVisibleLine(), bottom);
            EXPECT_EQ(Selection(dlg, IDC_AGREEMENT_TEXT), selection);
            EXPECT_EQ(ItemText(dlg, IDC_AGREEMENT_TEXT), text);
            EXPECT_EQ(FocusId(), IDC_AGREEMENT_TEXT);
        })
        .Press(Key::PageUp)
        .Then([&] { EXPECT_LT(TextBox(dlg).GetFirstVisibleLine(), bottom); })
        .Then([&] {
            for (int i = 0; i < 20; ++i) u.h.Input().Press(Key::PageUp);
            u.h.Input().Then([&] { EXPECT_EQ(TextBox(dlg).GetFirstVisibleLine(), 0); }).Press(Key::PageDown);
            u.h.Input().Then([&] { EXPECT_GT(TextBox(dlg).GetFirstVisibleLine(), 0); }).Press(Key::Escape);
        });
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_EQ(u.h.MessageBoxes().size(), 0u);
}

TEST(AgreementDlgTest, ClicksInTheTextNeitherFocusNorSelect) {
    struct Case {
        const char* name;
        MouseButton button;
        MouseAction action;
    };
    const std::vector<Case> cases = {
        {"left click", MouseButton::Left, MouseAction::Press},
        {"double click", MouseButton::Left, MouseAction::DoubleClick},
        {"right click", MouseButton::Right, MouseAction::Press},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        UiHarness u;
        CAgreementDlg dlg;
        std::pair<int, int> cell;
        std::pair<int, int> selection;
        u.h.Input().Then([&] {
            cell = TextCell(dlg);
            selection = Selection(dlg, IDC_AGREEMENT_TEXT);
        });
        u.h.Input().Then([&] {
            u.h.Input().Mouse(cell.first, cell.second, c.button, c.action);
            u.h.Input().Mouse(cell.first, cell.second, c.button, MouseAction::Release);
            u.h.Input().Then([&] {
                EXPECT_EQ(FocusId(), IDOK);
                EXPECT_EQ(Selection(dlg, IDC_AGREEMENT_TEXT), selection);
                EXPECT_EQ(TextBox(dlg).GetFirstVisibleLine(), 0);
            });
            u.h.Input().Press(Key::Enter);
        });
        EXPECT_EQ(dlg.DoModal(), IDOK);
    }
}

TEST(AgreementDlgTest, AboutOpensCentredOverTheAgreementWhichWaitsUntilItCloses) {
    struct Case {
        const char* name;
        std::function<void(HeadlessBackend&)> close;
    };
    const std::vector<Case> cases = {
        {"OK", [](HeadlessBackend& in) { in.ClickOn("OK"); }},
        {"Enter", [](HeadlessBackend& in) { in.Press(Key::Enter); }},
        {"Esc", [](HeadlessBackend& in) { in.Press(Key::Escape); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        UiHarness u;
        CAgreementDlg dlg;
        CRect agreement;
        u.h.Input()
            .Then([&] { dlg.GetWindowRect(agreement); })
            .Alt('a')
            .Then([&] {
                EXPECT_TRUE(Shows(u.h, "version1.02"));
                EXPECT_FALSE(dlg.IsWindowEnabled());
                CWnd* focus = CWnd::GetFocus();
                ASSERT_NE(focus, nullptr);
                CRect about;
                focus->GetParent()->GetWindowRect(about);
                EXPECT_LE(std::abs((about.left + about.right) - (agreement.left + agreement.right)), 2 * kCellWidthPx);
                EXPECT_LE(std::abs((about.top + about.bottom) - (agreement.top + agreement.bottom)), 2 * kCellHeightPx);
                EXPECT_EQ(FocusId(), IDOK);  // the About dialog's OK
            })
            // Keys meant for the agreement go to About while it is open: Alt+N does
            // nothing there.
            .Alt('n');
        c.close(u.h.Input());
        u.h.Input()
            .Then([&] {
                EXPECT_FALSE(Shows(u.h, "version1.02"));
                EXPECT_TRUE(dlg.IsWindowEnabled());
                EXPECT_EQ(FocusId(), IDOK);  // where it was: a mnemonic does not move it
            })
            .Press(Key::Escape);
        EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    }
}

TEST(AgreementDlgTest, AMissingOrEmptyTextLeavesTheBoxEmptyAndTheDialogUsable) {
    const std::byte nothing{};
    const std::vector<ResourceEntry> emptyText = {
        {ResourceName(kResourceTypeBin), ResourceName(WORD{IDR_AGREEMENT_TEXT}), &nothing, 0}};
    struct Case {
        const char* name;
        std::vector<ResourceEntry> extra;
    };
    const std::vector<Case> cases = {{"missing", {}}, {"empty", emptyText}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        UiHarness u(0, [](const ResourceEntry& e) { return IsResource(e, kResourceTypeBin, WORD{IDR_AGREEMENT_TEXT}); },
                    c.extra);
        CAgreementDlg dlg;
        u.h.Input()
            .Then([&] {
                EXPECT_EQ(ItemText(dlg, IDC_AGREEMENT_TEXT), "");
                EXPECT_EQ(dlg.m_textView.m_hWnd, nullptr);
                EXPECT_EQ(FocusId(), IDOK);
            })
            .Press(Key::Tab)
            .Press(Key::Tab)
            .Then([&] { EXPECT_EQ(FocusId(), IDC_AGREEMENT_TEXT); })
            .Press(Key::Tab)
            .Press(Key::Enter)  // About
            .Press(Key::Escape)
            .Press(Key::BackTab)
            .Press(Key::BackTab)
            .Press(Key::BackTab)
            .Press(Key::Enter);
        EXPECT_EQ(dlg.DoModal(), IDOK);
    }
}

}  // namespace
}  // namespace qx
