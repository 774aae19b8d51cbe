// The modal loop: posted messages before input, timers on the virtual clock, the end
// of a dialog, messages from other threads, and owners of nested dialogs.
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "platform/system/clock.h"
#include "platform/testing/dialog_harness.h"
#include "platform/windows/dialog.h"
#include "tests/windows/fixtures.h"

namespace qx {
namespace {

using namespace testing_fixtures;

constexpr UINT WM_TEST_A = WM_USER + 5;
constexpr UINT WM_TEST_B = WM_USER + 6;

DialogTemplate Plain(DWORD extra = 0) {
    DialogTemplate t;
    t.style = WS_POPUP | WS_VISIBLE | WS_CAPTION | DS_MODALFRAME | extra;
    t.caption = "Plain";
    t.cx = 120;
    t.cy = 40;
    t.items = {Item(ControlClass::Button, IDOK, "OK", WS_TABSTOP | BS_DEFPUSHBUTTON, 35, 20, 50, 14)};
    return t;
}

class Recorder : public CDialog {
public:
    explicit Recorder(DialogTemplate t = Plain()) : CDialog(t) {}
    std::vector<std::string> log;
    bool postOnInit = false;
    UINT timerPeriod = 0;
    int ticksToEnd = 0;
    std::vector<std::uint32_t> tickTimes;

    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        if (postOnInit) PostMessage(WM_TEST_A);
        if (timerPeriod) SetTimer(9, timerPeriod);
        return TRUE;
    }
    void OnOK() override {
        log.push_back("ok");
        CDialog::OnOK();
    }

protected:
    const MessageMap* GetMessageMap() const override {
        static const MessageMap map{CDialog::GetMessageMap(),
                                    {
                                        MapMessage(WM_TEST_A, &Recorder::OnA),
                                        MapMessage(WM_TEST_B, &Recorder::OnB),
                                        MapTimer(&Recorder::OnTimer),
                                    }};
        return &map;
    }

private:
    LRESULT OnA(WPARAM wParam, LPARAM) {
        log.push_back("A" + std::to_string(wParam));
        if (wParam == 1) {  // end from a posted message, with another one still queued
            PostMessage(WM_TEST_B);
            EndDialog(7);
        }
        return 0;
    }
    LRESULT OnB(WPARAM, LPARAM) {
        log.push_back("B");
        return 0;
    }
    void OnTimer(UINT_PTR id) {
        tickTimes.push_back(GetTickCount());
        if (static_cast<int>(tickTimes.size()) == ticksToEnd) {
            KillTimer(id);
            EndDialog(IDOK);
        }
    }
};

TEST(ModalLoopTest, PostedMessageIsHandledBeforeAKeyThatWasAlreadyWaiting) {
    DialogHarness h;
    h.Input().Early().Press(Key::Enter);
    Recorder dlg;
    dlg.postOnInit = true;
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(dlg.log, (std::vector<std::string>{"A0", "ok"}));
}

TEST(ModalLoopTest, EndDialogFromAPostedMessageDropsWhatIsStillQueued) {
    DialogHarness h;
    Recorder dlg;
    h.Input().Then([&] { dlg.PostMessage(WM_TEST_A, 1); });
    EXPECT_EQ(dlg.DoModal(), 7);
    EXPECT_EQ(dlg.log, (std::vector<std::string>{"A1"}));
    // The next dialog's loop must not hand out the old window's message.
    h.Input().Press(Key::Escape);
    Recorder next;
    EXPECT_EQ(next.DoModal(), IDCANCEL);
    EXPECT_TRUE(next.log.empty());
    EXPECT_EQ(dlg.log.size(), 1u);
}

TEST(ModalLoopTest, TimerFiresAtItsVirtualTimesAndKeysArriveBetweenTicks) {
    DialogHarness h(100, 30, 1000);
    std::uint64_t keyTime = 0;
    h.Input().AtTime(2200).Press(Key::Tab).Then([&] { keyTime = h.Clock().NowMs(); });
    Recorder dlg;
    dlg.timerPeriod = 500;
    dlg.ticksToEnd = 4;
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(dlg.tickTimes, (std::vector<std::uint32_t>{1500, 2000, 2500, 3000}));
    EXPECT_EQ(keyTime, 2200u);
    EXPECT_EQ(h.Clock().NowMs(), 3000u);
}

TEST(ModalLoopTest, MessagePostedFromAnotherThreadWakesTheLoop) {
    DialogHarness h;
    Recorder dlg;
    std::thread worker;
    h.Input().Then([&] {
        const HWND target = dlg.m_hWnd;
        worker = std::thread([target] { PostMessage(target, WM_TEST_A, 2, 0); });
    });
    h.Input().AwaitWake().Then([&] { EXPECT_EQ(dlg.log, (std::vector<std::string>{"A2"})); }).Press(Key::Escape);
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    worker.join();
    EXPECT_FALSE(PostMessage(dlg.m_hWnd, WM_TEST_A, 0, 0));  // the window is gone
}

class Outer : public CDialog {
public:
    Outer() : CDialog(FormTemplate()) {}
    BOOL ownerEnabledDuringInner = TRUE;
    RECT outerRect{}, innerRect{};
    INT_PTR innerResult = 0;

protected:
    const MessageMap* GetMessageMap() const override {
        static const MessageMap map{CDialog::GetMessageMap(), {MapBnClicked(IDOK, &Outer::OnInner)}};
        return &map;
    }

private:
    class Inner : public CDialog {
    public:
        explicit Inner(Outer& o) : CDialog(Plain()), outer_(o) {}
        BOOL OnInitDialog() override {
            CDialog::OnInitDialog();
            CenterWindow();
            outer_.ownerEnabledDuringInner = outer_.IsWindowEnabled();
            outer_.GetWindowRect(&outer_.outerRect);
            GetWindowRect(&outer_.innerRect);
            return TRUE;
        }

    private:
        Outer& outer_;
    };
    void OnInner() {
        Inner inner(*this);
        innerResult = inner.DoModal();
    }
};

TEST(ModalLoopTest, NestedDialogIsOwnedCentredOverItsOwnerAndDisablesIt) {
    DialogHarness h;
    int focusAfter = 0;
    BOOL enabledAfter = FALSE;
    Outer outer;
    h.Input().ClickOn("Go");                       // opens the inner dialog
    h.Input().Click(72, 8).Press(Key::Enter);      // the disabled owner's close box does nothing
    h.Input().Then([&] {
        enabledAfter = outer.IsWindowEnabled();
        focusAfter = CWnd::GetFocus() ? CWnd::GetFocus()->GetDlgCtrlID() : 0;
    });
    h.Input().Press(Key::Escape);
    EXPECT_EQ(outer.DoModal(), IDCANCEL);
    EXPECT_EQ(outer.innerResult, IDOK);
    EXPECT_FALSE(outer.ownerEnabledDuringInner);
    EXPECT_TRUE(enabledAfter);
    EXPECT_EQ(focusAfter, IDOK);  // the focus the owner had before
    const int outerMid = (outer.outerRect.left + outer.outerRect.right) / 2;
    const int innerMid = (outer.innerRect.left + outer.innerRect.right) / 2;
    EXPECT_LE(std::abs(outerMid - innerMid), kCellWidthPx);
    EXPECT_GT(outer.innerRect.top, outer.outerRect.top);
    EXPECT_LT(outer.innerRect.bottom, outer.outerRect.bottom);
}

}  // namespace
}  // namespace qx
