// The host-name lookup dialog with the platform's asynchronous resolver behind a
// scripted name service: found, failed, aborted, and which of a completion and an
// abort wins. A completion that comes after the dialog has gone must touch neither the
// job nor the freed dialog (the dialog lives on the heap here, so a late write into
// its buffer shows under AddressSanitizer).
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/sockets/resolver.h"
#include "platform/sockets/winsock.h"
#include "platform/testing/held_resolver.h"
#include "res/resource_ids.h"
#include "tests/ui/ui_test_support.h"
#include "ui/lookup_dlg.h"
#include "ui/target_dlg.h"

namespace qx {
namespace {

using namespace ui_testing;

constexpr std::uint32_t kFirst = htonl(0x0A010203);   // 10.1.2.3
constexpr std::uint32_t kSecond = htonl(0x0A090909);  // 10.9.9.9
constexpr std::uint32_t kBefore = 0xFFFFFFFF;         // what the sequence leaves for a name

// Lets a held lookup finish and waits (bounded) until its worker has posted or
// dropped its completion.
void FinishLookups(HeldResolver& resolver) {
    resolver.Release();
    ASSERT_TRUE(WaitForLookups(std::chrono::seconds(10)));
}

DownloadJob JobFor(const char* host) {
    DownloadJob job{};
    std::strcpy(job.host, host);
    job.address = kBefore;
    return job;
}

TEST(LookupDlgTest, TheResolversAnswerDecidesTheResult) {
    struct Case {
        const char* name;
        int error;
        std::vector<std::uint32_t> addresses;
        int result;
        std::uint32_t address;
    };
    const std::vector<Case> cases = {
        {"found: the first address is kept", 0, {kFirst, kSecond}, LOOKUP_RESULT_FOUND, kFirst},
        {"no such host", WSAHOST_NOT_FOUND, {}, LOOKUP_RESULT_FAILED, kBefore},
        {"name service down", WSANO_RECOVERY, {}, LOOKUP_RESULT_FAILED, kBefore},
        {"success without an address", 0, {}, LOOKUP_RESULT_FAILED, kBefore},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        UiHarness u;
        HeldResolver resolver;
        resolver.error = c.error;
        resolver.addresses = c.addresses;
        ScopedResolver scoped(resolver);
        DownloadJob job = JobFor("router.lan");
        CLookupDlg dlg;
        dlg.m_pJob = &job;
        u.h.Input().AwaitWake();
        EXPECT_EQ(dlg.DoModal(), c.result);
        EXPECT_EQ(job.address, c.address);
        EXPECT_EQ(resolver.Asked(), std::vector<std::string>{"router.lan"});
        EXPECT_TRUE(u.h.MessageBoxes().empty());
    }
}

TEST(LookupDlgTest, AnAbortEndsItAndALaterCompletionChangesNothing) {
    struct Case {
        const char* name;
        std::function<void(HeadlessBackend&)> abort;
    };
    const std::vector<Case> cases = {
        {"the abort button", [](HeadlessBackend& in) { in.ClickOn("中止"); }},
        {"Esc", [](HeadlessBackend& in) { in.Press(Key::Escape); }},
        {"Enter on the focused abort button", [](HeadlessBackend& in) { in.Press(Key::Enter); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        UiHarness u;
        HeldResolver resolver;
        resolver.addresses = {kFirst};
        resolver.hold = true;
        ScopedResolver scoped(resolver);
        DownloadJob job = JobFor("router.lan");
        auto dlg = std::make_unique<CLookupDlg>();
        dlg->m_pJob = &job;
        c.abort(u.h.Input());
        EXPECT_EQ(dlg->DoModal(), LOOKUP_RESULT_ABORTED);
        dlg.reset();
        FinishLookups(resolver);

        // Run another modal loop, so that anything the late completion left queued
        // would be handed out now.
        u.h.Input().Press(Key::Escape);
        CTargetDlg next;
        EXPECT_EQ(next.DoModal(), IDCANCEL);
        EXPECT_EQ(job.address, kBefore);
    }
}

TEST(LookupDlgTest, ACompletionHandledBeforeTheAbortWins) {
    UiHarness u;
    HeldResolver resolver;
    resolver.addresses = {kSecond};
    ScopedResolver scoped(resolver);
    DownloadJob job = JobFor("router.lan");
    CLookupDlg dlg;
    dlg.m_pJob = &job;
    // The completion is already queued when Esc arrives: it is handed out first.
    u.h.Input().AwaitWake().Early().Press(Key::Escape);
    EXPECT_EQ(dlg.DoModal(), LOOKUP_RESULT_FOUND);
    EXPECT_EQ(job.address, kSecond);
}

// A completion that claims success but carries no address must not be read through.
TEST(LookupDlgTest, ASuccessWithoutAnAddressListIsAFailure) {
    UiHarness u;
    HeldResolver resolver;
    resolver.hold = true;
    ScopedResolver scoped(resolver);
    DownloadJob job = JobFor("router.lan");
    CLookupDlg dlg;
    dlg.m_pJob = &job;
    u.h.Input().Then([&] {
        std::memset(dlg.m_hostBuffer, 0, sizeof dlg.m_hostBuffer);
        dlg.PostMessage(WM_LOOKUP_DONE, 0, 0);
    });
    EXPECT_EQ(dlg.DoModal(), LOOKUP_RESULT_FAILED);
    EXPECT_EQ(job.address, kBefore);
    FinishLookups(resolver);
}

// Records what the screen showed the moment initialisation returned, before the
// modal loop had a chance to paint anything.
class ObservedLookupDlg : public CLookupDlg {
public:
    explicit ObservedLookupDlg(DialogHarness& h) : h_(h) {}
    bool visibleAtInit = false;
    bool paintedAtInit = false;

protected:
    BOOL OnInitDialog() override {
        const BOOL result = CLookupDlg::OnInitDialog();
        visibleAtInit = IsWindowVisible();
        paintedAtInit = Shows(h_, "QX210-NODEを探しています。");
        return result;
    }

private:
    DialogHarness& h_;
};

TEST(LookupDlgTest, ShownAndPaintedAtOnceCentredWithTheFocusOnAbortAndNoCloseBox) {
    UiHarness u;
    HeldResolver resolver;
    resolver.hold = true;
    ScopedResolver scoped(resolver);
    DownloadJob job = JobFor("router.lan");
    ObservedLookupDlg dlg(u.h);
    dlg.m_pJob = &job;
    u.h.Input().Then([&] {
        EXPECT_EQ(FocusId(), IDCANCEL);
        EXPECT_FALSE(Shows(u.h, "[X]"));
        EXPECT_TRUE(Shows(u.h, "しばらくお待ちくだ"));
        // Centred on the 800 x 480 pixel screen, to within a cell.
        CRect r;
        dlg.GetWindowRect(r);
        EXPECT_LE(std::abs(r.left + r.right - 800), 2 * kCellWidthPx) << r.left << ".." << r.right;
        EXPECT_LE(std::abs(r.top + r.bottom - 480), 2 * kCellHeightPx) << r.top << ".." << r.bottom;
    }).Press(Key::Escape);
    EXPECT_EQ(dlg.DoModal(), LOOKUP_RESULT_ABORTED);
    EXPECT_TRUE(dlg.visibleAtInit);
    EXPECT_TRUE(dlg.paintedAtInit);
    FinishLookups(resolver);
}

}  // namespace
}  // namespace qx
