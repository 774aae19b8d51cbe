// The multi-line read-only text box and a class attached to it that keeps it view-only:
// what reaches the control, scrolling by keys and by the scroll bar, and where the
// dialog manager's keys go while it has the focus.
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

constexpr int kText = 1000;
constexpr int kAbout = 1004;

DialogTemplate ReaderTemplate() {
    DialogTemplate t;
    t.style = WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER;
    t.caption = "Reader";
    t.cx = 246;
    t.cy = 167;
    t.items = {
        Item(ControlClass::Button, IDOK, "&Yes", WS_TABSTOP | BS_DEFPUSHBUTTON, 135, 146, 50, 14),
        Item(ControlClass::Button, IDCANCEL, "&No", WS_TABSTOP, 189, 146, 50, 14),
        Item(ControlClass::Static, IDC_STATIC, "Read this.", WS_GROUP | SS_LEFT, 7, 7, 145, 8),
        Item(ControlClass::Edit, kText, "",
             WS_BORDER | WS_VSCROLL | WS_TABSTOP | ES_MULTILINE | ES_AUTOVSCROLL | ES_NOHIDESEL | ES_READONLY, 7, 20,
             231, 90),
        Item(ControlClass::Static, IDC_STATIC, "Accept?", WS_GROUP | SS_LEFT, 7, 116, 232, 25),
        Item(ControlClass::Button, kAbout, "&About", WS_TABSTOP, 7, 146, 115, 14),
    };
    return t;
}

// 40 numbered lines, one of them long enough to wrap, ending in a full stop.
std::string LongText() {
    std::string text;
    for (int i = 1; i <= 40; ++i) {
        text += "line " + std::to_string(i);
        if (i == 3) text += std::string(150, 'x');
        text += i < 40 ? "\r\n" : Sjis("。");
    }
    return text;
}

class ViewOnly : public CEdit {
protected:
    const MessageMap* GetMessageMap() const override {
        static const MessageMap map{CEdit::GetMessageMap(),
                                    {
                                        MapKeyDown(&ViewOnly::OnKeyDown),
                                        MapLButtonDown(&ViewOnly::OnLButtonDown),
                                        MapRButtonUp(&ViewOnly::OnRButtonUp),
                                        MapLButtonDblClk(&ViewOnly::OnLButtonDblClk),
                                        MapSetFocus(&ViewOnly::OnSetFocus),
                                    }};
        return &map;
    }

private:
    void OnKeyDown(UINT key, UINT repeat, UINT flags) {
        if (key == VK_TAB || key == VK_PRIOR || key == VK_NEXT) CEdit::OnKeyDown(key, repeat, flags);
    }
    void OnLButtonDown(UINT, CPoint) {}
    void OnRButtonUp(UINT, CPoint) {}
    void OnLButtonDblClk(UINT, CPoint) {}
    void OnSetFocus(CWnd* old) {
        SendMessage(EM_SETSEL, static_cast<WPARAM>(-1), -1);
        SendMessage(EM_SCROLLCARET, 0, 0);
        CEdit::OnSetFocus(old);
    }
};

class ReaderDlg : public CDialog {
public:
    ReaderDlg() : CDialog(ReaderTemplate()) {}
    ViewOnly m_text;
    bool attach = true;
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        if (attach) m_text.SubclassDlgItem(kText, this);
        GetDlgItem(kText)->SetWindowText(LongText().c_str());
        return TRUE;
    }
    CEdit* Text() { return static_cast<CEdit*>(GetDlgItem(kText)); }
    // The text box's cells.
    CRect Cells() {
        CRect r;
        GetDlgItem(kText)->GetWindowRect(&r);
        return CRect((r.left + 4) / 8, (r.top + 8) / 16, (r.right + 4) / 8, (r.bottom + 8) / 16);
    }
};

int FocusId() { return CWnd::GetFocus() ? CWnd::GetFocus()->GetDlgCtrlID() : 0; }

struct Snapshot {
    int focus = 0;
    int first = -1;
    int selStart = -1, selEnd = -1;
};

TEST(ViewOnlyTextTest, DropsKeysAndClicksButPagesScrollsAndLetsTheDialogKeysThrough) {
    DialogHarness h;
    ReaderDlg dlg;
    std::vector<Snapshot> shots;
    std::string screen;
    auto shot = [&] {
        Snapshot s;
        s.focus = FocusId();
        s.first = dlg.Text()->GetFirstVisibleLine();
        dlg.Text()->GetSel(s.selStart, s.selEnd);
        shots.push_back(s);
    };
    // A click into the text does not take the focus from Yes.
    h.Input().Then([&] {
        const CRect c = dlg.Cells();
        h.Input().Click(c.left + 2, c.top + 2).Then(shot);
        h.Input().Click(c.left + 2, c.top + 2, MouseButton::Right).Then(shot);
        // Tab, Tab: into the text, which shows its end with nothing selected.
        h.Input().Press(Key::Tab).Press(Key::Tab).Then(shot).Then([&] { screen = h.ScreenText(); });
        // Enter, arrows and Home reach the control and are dropped.
        h.Input().Press(Key::Enter).Press(Key::Left).Press(Key::Home).Press(Key::Up).Then(shot);
        h.Input().Press(Key::PageUp).Then(shot).Press(Key::PageDown).Then(shot);
        // The scroll bar: the up arrow, then the thumb dragged to the top.
        h.Input().Click(c.right - 1, c.top).Then(shot);
        h.Input().Then([&, c] {
            int thumb = -1;
            for (int y = c.top + 1; y < c.bottom - 1; ++y) {
                if (h.Screen().At(c.right - 1, y).ch == U'█') {
                    thumb = y;
                    break;
                }
            }
            ASSERT_GE(thumb, 0);
            h.Input()
                .Mouse(c.right - 1, thumb, MouseButton::Left, MouseAction::Press)
                .Mouse(c.right - 1, c.top + 1, MouseButton::Left, MouseAction::Move)
                .Mouse(c.right - 1, c.top + 1, MouseButton::Left, MouseAction::Release)
                .Then(shot);
            // Tab leaves to About, Shift+Tab comes back; Esc from the text cancels.
            h.Input().Press(Key::Tab).Then(shot).Press(Key::BackTab).Then(shot).Press(Key::Escape);
        });
    });
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    const int length = static_cast<int>(LongText().size());
    ASSERT_EQ(shots.size(), 10u);
    EXPECT_EQ(shots[0].focus, IDOK);
    EXPECT_EQ(shots[1].focus, IDOK);
    EXPECT_EQ(shots[2].focus, kText);
    EXPECT_EQ(shots[2].selStart, length);
    EXPECT_EQ(shots[2].selEnd, length);
    EXPECT_GT(shots[2].first, 0);
    EXPECT_NE(screen.find("line 40。"), std::string::npos);
    EXPECT_EQ(shots[3].focus, kText);  // Enter did not press Yes
    EXPECT_EQ(shots[3].selStart, length);
    EXPECT_EQ(shots[3].first, shots[2].first);
    const int page = shots[2].first - shots[4].first;
    EXPECT_GT(page, 5);
    EXPECT_EQ(shots[5].first, shots[2].first);
    EXPECT_EQ(shots[6].first, shots[5].first - 1);
    EXPECT_EQ(shots[7].first, 0);
    EXPECT_EQ(shots[8].focus, kAbout);
    EXPECT_EQ(shots[9].focus, kText);
}

TEST(TextBoxTest, WrapsByDisplayWidthCountsEveryLineAndPagesWithoutAnAttachedClass) {
    DialogHarness h;
    ReaderDlg dlg;
    dlg.attach = false;
    int lines = 0, firstAtEnd = -1, firstAfterPage = -1;
    std::vector<std::string> rows;
    h.Input().Press(Key::Tab).Press(Key::Tab).Then([&] {
        lines = dlg.Text()->GetLineCount();
        firstAtEnd = dlg.Text()->GetFirstVisibleLine();
    });
    h.Input().Press(Key::PageUp).Then([&] { firstAfterPage = dlg.Text()->GetFirstVisibleLine(); });
    h.Input().Press(Key::PageUp).Press(Key::PageUp).Press(Key::PageUp).Then([&] {
        const CRect c = dlg.Cells();
        for (int y = c.top; y < c.top + 5; ++y) {
            std::string row;  // the text columns, without the scroll bar
            for (int x = c.left; x < c.right - 1; ++x) row += static_cast<char>(h.Screen().At(x, y).ch);
            rows.push_back(row);
        }
    });
    h.Input().Press(Key::Escape);
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    // 40 lines; the third breaks after its space and wraps its 151-column word at 57.
    EXPECT_EQ(lines, 43);
    // Selecting does not scroll a multi-line box by itself; Page Up moves the caret
    // (at the end) a page up and brings it into view.
    EXPECT_EQ(firstAtEnd, 0);
    EXPECT_EQ(firstAfterPage, 43 - 1 - 11 - 11 + 1);
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[0].rfind("line 1 ", 0), 0u) << rows[0];
    EXPECT_EQ(rows[2], "line " + std::string(52, ' '));
    EXPECT_EQ(rows[3], "3" + std::string(56, 'x'));
    EXPECT_EQ(rows[4], std::string(57, 'x'));
}

}  // namespace
}  // namespace qx
