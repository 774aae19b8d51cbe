// Odd and plentiful input must never crash the layer or keep it busy.
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "platform/testing/dialog_harness.h"
#include "platform/windows/controls.h"
#include "platform/windows/dialog.h"
#include "tests/windows/fixtures.h"

namespace qx {
namespace {

using namespace testing_fixtures;

// Every kind of control at once.
DialogTemplate Everything() {
    DialogTemplate t = FormTemplate();
    t.items.push_back(Item(ControlClass::Edit, 1000, "",
                           WS_VSCROLL | WS_TABSTOP | ES_MULTILINE | ES_READONLY, 6, 4, 60, 20));
    t.items.push_back(Item(ControlClass::Static, 1002, "", SS_BLACKFRAME | SS_SUNKEN, 9, 60, 60, 11));
    DialogItemTemplate icon = Item(ControlClass::Static, IDC_STATIC, "", SS_ICON, 170, 2, 18, 20);
    icon.textOrdinal = 104;  // not in the resources: nothing drawn
    t.items.push_back(icon);
    t.items.push_back(Item(ControlClass::Button, 3, "", BS_OWNERDRAW, 2, 60, 20, 20));
    return t;
}

class Everyone : public CDialog {
public:
    Everyone() : CDialog(Everything()) {}
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        m_picture.SubclassDlgItem(3, this);
        m_picture.LoadBitmaps("NONE");
        GetDlgItem(kNameBox)->SendMessage(EM_LIMITTEXT, 8);
        SetDlgItemText(1000, Sjis("日本語\r\n\r\nabc def\r\n").c_str());
        CenterWindow();
        SetTimer(1, 250);
        armed = armedFromStart;
        return TRUE;
    }
    void OnOK() override {
        if (armed) CDialog::OnOK();
    }
    void OnCancel() override {
        if (armed) CDialog::OnCancel();
    }
    CBitmapButton m_picture;
    bool armed = false;  // until the storm is over, nothing ends the dialog
    bool armedFromStart = false;
};

TEST(RobustnessTest, RandomKeysMouseAndResizesNeverCrash) {
    for (unsigned seed = 1; seed <= 3; ++seed) {
        SCOPED_TRACE(seed);
        DialogHarness h;
        std::mt19937 random(seed);
        auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
        const char* texts[] = {"a", "日", "ｱ", "😀", "%", "&", "\x7f", " "};
        const Key keys[] = {Key::Tab, Key::BackTab, Key::Backspace, Key::Delete, Key::Left, Key::Right,
                            Key::Up,  Key::Down,    Key::Home,      Key::End,    Key::PageUp, Key::PageDown,
                            Key::Insert};
        for (int i = 0; i < 1500; ++i) {
            switch (pick(0, 9)) {
                case 0: h.Input().ResizeTo(pick(0, 120), pick(0, 40)); break;
                case 1:
                case 2:
                    h.Input().Mouse(pick(-3, 110), pick(-3, 35), static_cast<MouseButton>(pick(0, 4)),
                                    static_cast<MouseAction>(pick(0, 3)));
                    break;
                case 3: h.Input().Type(texts[pick(0, 7)]); break;
                default: h.Input().Press(keys[pick(0, 12)], pick(0, 1) == 1); break;
            }
        }
        Everyone dlg;
        int nameLength = -1;
        h.Input().ResizeTo(100, 30).Then([&] {
            nameLength = dlg.GetDlgItem(kNameBox)->GetWindowTextLength();
            dlg.armed = true;
        });
        h.Input().Press(Key::Escape);
        EXPECT_EQ(dlg.DoModal(), IDCANCEL);
        EXPECT_TRUE(h.Input().ScriptDone());
        EXPECT_GE(nameLength, 0);
        EXPECT_LE(nameLength, 8);  // the data exchange's limit held against all typing
    }
}

TEST(RobustnessTest, IdleDialogWithATimerWaitsInsteadOfSpinning) {
    DialogHarness h;
    h.Input().AtTime(60'000).Press(Key::Escape);  // a minute of idling with a 250 ms timer
    Everyone dlg;
    dlg.armedFromStart = true;
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_EQ(h.Clock().NowMs(), 60'000u);
    // Each tick costs a poll and a wait, and a paint at most once: not more.
    EXPECT_LE(h.Input().Waits(), 60'000 / 250 * 3 + 20);
    EXPECT_LE(h.Input().Presents(), 10);
}

TEST(RobustnessTest, NoBackendMeansNoDialog) {
    Everyone dlg;
    EXPECT_EQ(dlg.DoModal(), -1);
}

}  // namespace
}  // namespace qx
