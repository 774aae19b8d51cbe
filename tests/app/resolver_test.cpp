// The asynchronous host lookup and the posted-message prelude it relies on. Real
// lookups use names from the test namespace's hosts file and a .invalid name; the
// test binary runs in a private network namespace, so no query leaves the machine.
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstring>
#include <functional>
#include <thread>

#include "platform/sockets/resolver.h"
#include "platform/sockets/winsock.h"
#include "platform/testing/dialog_harness.h"
#include "platform/testing/held_resolver.h"
#include "platform/windows/dialog.h"
#include "platform/windows/styles.h"

namespace qx {
namespace {

constexpr UINT kDone = WM_USER + 7;
constexpr UINT kEnd = WM_USER + 20;
constexpr unsigned char kUntouched = 0xAB;

DialogTemplate ProbeTemplate() {
    DialogTemplate t;
    t.style = WS_POPUP | WS_VISIBLE | WS_CAPTION | DS_MODALFRAME | DS_CENTER;
    t.caption = "probe";
    t.cx = 120;
    t.cy = 40;
    DialogItemTemplate cancel;
    cancel.controlClass = ControlClass::Button;
    cancel.id = IDCANCEL;
    cancel.text = "Cancel";
    cancel.style = WS_CHILD | WS_VISIBLE | WS_TABSTOP;
    cancel.x = 35;
    cancel.y = 20;
    cancel.cx = 50;
    cancel.cy = 14;
    t.items = {cancel};
    return t;
}

// A dialog that starts one lookup when it opens and ends with the completion.
class LookupProbe : public CDialog {
public:
    LookupProbe(std::string name, int buflen) : CDialog(ProbeTemplate()), name_(std::move(name)), buflen_(buflen) {
        buffer.fill(kUntouched);
    }
    alignas(std::max_align_t) std::array<unsigned char, MAXGETHOSTSTRUCT> buffer{};
    HANDLE request = nullptr;
    int completions = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    std::function<void()> onInit;

protected:
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        request = WSAAsyncGetHostByName(m_hWnd, kDone, name_.c_str(), reinterpret_cast<char*>(buffer.data()), buflen_);
        if (onInit) onInit();
        return TRUE;
    }
    LRESULT WindowProc(UINT message, WPARAM wp, LPARAM lp) override {
        if (message == kDone) {
            ++completions;
            wParam = wp;
            lParam = lp;
            EndDialog(IDOK);
        }
        return CDialog::WindowProc(message, wp, lp);
    }

private:
    std::string name_;
    int buflen_;
};

bool Untouched(const LookupProbe& p) {
    for (unsigned char b : p.buffer)
        if (b != kUntouched) return false;
    return true;
}

bool InBuffer(const LookupProbe& p, const void* ptr) {
    auto* c = static_cast<const unsigned char*>(ptr);
    return c >= p.buffer.data() && c < p.buffer.data() + p.buffer.size();
}

void WaitForWorkers() { ASSERT_TRUE(WaitForLookups(std::chrono::seconds(10))); }

struct RealCase {
    const char* name;
    bool found;
    std::uint32_t address;  // host byte order
};

TEST(AsyncHostLookup, RealNamesResolveOrFailWithoutTouchingTheBuffer) {
    const RealCase cases[] = {
        {"localhost", true, 0x7F000001},
        {"no-such-host.invalid", false, 0},
        {"", false, 0},
    };
    for (const RealCase& c : cases) {
        SCOPED_TRACE(c.name);
        DialogHarness h;
        h.Input().AwaitWake();
        LookupProbe probe(c.name, MAXGETHOSTSTRUCT);
        EXPECT_EQ(probe.DoModal(), IDOK);
        ASSERT_NE(probe.request, nullptr);
        EXPECT_EQ(probe.completions, 1);
        EXPECT_EQ(reinterpret_cast<HANDLE>(probe.wParam), probe.request);
        const int error = HIWORD(probe.lParam);
        if (!c.found) {
            // Not found, or no name service reachable from the namespace.
            EXPECT_TRUE(error == WSAHOST_NOT_FOUND || error == WSATRY_AGAIN || error == WSANO_RECOVERY) << error;
            EXPECT_TRUE(Untouched(probe));
            continue;
        }
        ASSERT_EQ(error, 0);
        const auto* he = reinterpret_cast<const hostent*>(probe.buffer.data());
        EXPECT_EQ(he->h_addrtype, AF_INET);
        EXPECT_EQ(he->h_length, 4);
        ASSERT_TRUE(InBuffer(probe, he->h_aliases));
        EXPECT_EQ(he->h_aliases[0], nullptr);
        ASSERT_TRUE(InBuffer(probe, he->h_addr_list));
        ASSERT_TRUE(InBuffer(probe, he->h_addr_list[0]));
        std::uint32_t first = 0;
        std::memcpy(&first, he->h_addr_list[0], 4);
        EXPECT_EQ(first, htonl(c.address));
        ASSERT_TRUE(InBuffer(probe, he->h_name));
        const std::size_t used = LOWORD(probe.lParam);
        EXPECT_GT(used, sizeof(hostent));
        EXPECT_LE(used, probe.buffer.size());
        EXPECT_LT(reinterpret_cast<const unsigned char*>(he->h_name) + std::strlen(he->h_name),
                  probe.buffer.data() + used);
    }
}

TEST(AsyncHostLookup, RecordListsEveryAddressOnceInOrder) {
    HeldResolver fake;
    fake.official = "router.example";
    fake.addresses = {htonl(0x0A000005), htonl(0x0A000006), htonl(0x0A000005)};
    ScopedResolver scoped(fake);
    DialogHarness h;
    h.Input().AwaitWake();
    LookupProbe probe("router", MAXGETHOSTSTRUCT);
    probe.DoModal();
    ASSERT_EQ(HIWORD(probe.lParam), 0);
    const auto* he = reinterpret_cast<const hostent*>(probe.buffer.data());
    std::vector<std::uint32_t> got;
    for (char** a = he->h_addr_list; *a; ++a) {
        std::uint32_t v = 0;
        std::memcpy(&v, *a, 4);
        got.push_back(ntohl(v));
    }
    EXPECT_EQ(got, (std::vector<std::uint32_t>{0x0A000005, 0x0A000006}));
    EXPECT_STREQ(he->h_name, "router.example");
}

TEST(AsyncHostLookup, TooSmallBufferReportsTheNeededLengthAndStaysUntouched) {
    HeldResolver fake;
    fake.addresses = {htonl(0x0A000005)};
    ScopedResolver scoped(fake);
    DialogHarness h;
    h.Input().AwaitWake();
    LookupProbe probe("router", 16);
    probe.DoModal();
    EXPECT_EQ(HIWORD(probe.lParam), WSAENOBUFS);
    EXPECT_GT(LOWORD(probe.lParam), 16);
    EXPECT_LE(LOWORD(probe.lParam), MAXGETHOSTSTRUCT);
    EXPECT_TRUE(Untouched(probe));
}

TEST(AsyncHostLookup, ResolverErrorsAndEmptyAnswersAreFailures) {
    const std::pair<int, std::vector<std::uint32_t>> cases[] = {
        {WSAHOST_NOT_FOUND, {}},
        {WSATRY_AGAIN, {}},
        {0, {}},  // the name exists but has no IPv4 address
    };
    for (const auto& [error, addresses] : cases) {
        SCOPED_TRACE(error);
        HeldResolver fake;
        fake.error = error;
        fake.addresses = addresses;
        ScopedResolver scoped(fake);
        DialogHarness h;
        h.Input().AwaitWake();
        LookupProbe probe("router", MAXGETHOSTSTRUCT);
        probe.DoModal();
        EXPECT_EQ(HIWORD(probe.lParam), error == 0 ? WSANO_DATA : error);
        EXPECT_TRUE(Untouched(probe));
    }
}

TEST(AsyncHostLookup, LateCompletionAfterTheWindowEndedIsDropped) {
    HeldResolver fake;
    fake.addresses = {htonl(0x0A000005)};
    fake.hold = true;
    ScopedResolver scoped(fake);
    DialogHarness h;
    h.Input().Press(Key::Escape);
    LookupProbe probe("router", MAXGETHOSTSTRUCT);
    EXPECT_EQ(probe.DoModal(), IDCANCEL);
    ASSERT_NE(probe.request, nullptr);
    EXPECT_EQ(PendingLookups(), 1);
    fake.Release();
    WaitForWorkers();
    EXPECT_EQ(probe.completions, 0);
    EXPECT_TRUE(Untouched(probe));
}

TEST(AsyncHostLookup, RefusesBadArguments) {
    DialogHarness h;
    char buffer[MAXGETHOSTSTRUCT];
    h.Input().Press(Key::Escape);
    LookupProbe probe("x", MAXGETHOSTSTRUCT);
    HWND live = nullptr;
    probe.onInit = [&] { live = probe.m_hWnd; };
    probe.DoModal();
    WaitForWorkers();
    struct Case {
        const char* what;
        HWND hwnd;
        const char* name;
        char* buf;
        int len;
        int error;
    };
    // The dialog's window is gone by now: a window handle that no longer exists.
    const Case cases[] = {
        {"null name", live, nullptr, buffer, MAXGETHOSTSTRUCT, WSAEFAULT},
        {"null buffer", live, "localhost", nullptr, MAXGETHOSTSTRUCT, WSAEFAULT},
        {"no window", live, "localhost", buffer, MAXGETHOSTSTRUCT, WSAEINVAL},
        {"zero length", live, "localhost", buffer, 0, WSAEINVAL},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WSASetLastError(0);
        EXPECT_EQ(WSAAsyncGetHostByName(c.hwnd, kDone, c.name, c.buf, c.len), nullptr);
        EXPECT_EQ(WSAGetLastError(), c.error);
    }
    EXPECT_EQ(PendingLookups(), 0);
}

// The window layer's hook: the prelude runs on the UI thread right before dispatch,
// and not at all when the window ended while the message was queued.
class PreludeProbe : public CDialog {
public:
    PreludeProbe() : CDialog(ProbeTemplate()) {}
    std::vector<std::string> events;
    std::thread::id preludeThread;
    bool endFirst = false;

protected:
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        if (endFirst) PostMessage(kEnd);
        const HWND self = m_hWnd;
        std::thread([this, self] {
            PostMessageWithPrelude(self, kDone, 0, 0, [this] {
                preludeThread = std::this_thread::get_id();
                events.push_back("prelude");
            });
        }).join();
        if (!endFirst) PostMessage(kEnd);
        return TRUE;
    }
    LRESULT WindowProc(UINT message, WPARAM wp, LPARAM lp) override {
        if (message == kDone) events.push_back("done");
        if (message == kEnd) {
            events.push_back("end");
            EndDialog(IDOK);
        }
        return CDialog::WindowProc(message, wp, lp);
    }
};

TEST(PostedMessagePrelude, RunsOnTheUiThreadJustBeforeDispatchOnlyToALiveWindow) {
    {
        DialogHarness h;
        PreludeProbe probe;
        probe.DoModal();
        EXPECT_EQ(probe.events, (std::vector<std::string>{"prelude", "done", "end"}));
        EXPECT_EQ(probe.preludeThread, std::this_thread::get_id());
    }
    {
        DialogHarness h;
        PreludeProbe probe;
        probe.endFirst = true;
        probe.DoModal();
        EXPECT_EQ(probe.events, (std::vector<std::string>{"end"}));
    }
}

}  // namespace
}  // namespace qx
