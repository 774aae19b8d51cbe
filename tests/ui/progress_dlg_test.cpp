// The progress dialog against a scripted router on the virtual clock: a whole
// attempt with its status lines and the bar drawn after every slice, every way the
// attempt can fail, and keys that arrive while a slice blocks.
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/sockets/winsock.h"
#include "platform/testing/scripted_network.h"
#include "res/resource_ids.h"
#include "tests/ui/ui_test_support.h"
#include "ui/progress_dlg.h"

namespace qx {
namespace {

using namespace ui_testing;

constexpr std::uint32_t kRouterIp = 0xC0A80001;  // 192.168.0.1
constexpr Endpoint kCommandPort{kRouterIp, 7};
constexpr Endpoint kServerPort{kRouterIp, 69};
constexpr Endpoint kReplyPort{kRouterIp, 4000};     // the command reply's source port
constexpr Endpoint kTransferPort{kRouterIp, 3001};  // the server's transfer port
constexpr std::uint64_t kImageSize = 783578;       // the embedded image
constexpr int kBlocks = 1531;                       // 1,530 full blocks and one of 218 bytes

const std::string kPreparing = "ﾀﾞｳﾝﾛｰﾄﾞの準備をしています...";
const std::string kWriting = "\"router.lan\"のQX210-NODEへﾌｧｰﾑｳｪｱをﾀﾞｳﾝﾛｰﾄﾞしています。";

Bytes Ack(int block) { return ToBytes({0, 4, (block >> 8) & 0xFF, block & 0xFF}); }

int BlockOf(const Bytes& datagram) {
    if (datagram.size() < 4 || std::to_integer<int>(datagram[1]) != 3) return -1;
    return (std::to_integer<int>(datagram[2]) << 8) | std::to_integer<int>(datagram[3]);
}

DownloadJob RouterJob() {
    DownloadJob job{};
    std::strcpy(job.name, "router.lan");
    std::strcpy(job.host, "router.lan");
    std::strcpy(job.password, "secret");
    job.address = htonl(kRouterIp);
    return job;
}

// The status line as it shows on the screen (UTF-8), wrapped lines joined.
std::string StatusText(CWnd& dlg) { return ItemText(dlg, IDC_STATUS); }

// The bar as the screen shows it: where its highlight ends and where its white
// interior ends, in screen pixels, read from the cells of its row.
struct BarCells {
    int row = -1;
    int startPx = -1;       // left edge of the first cell of the interior
    int highlightPx = 0;    // right edge of the highlight (startPx: none)
    int endPx = 0;          // right edge of the interior
};

constexpr Color kHighlight = Color::Navy;

int EighthsOf(char32_t ch) { return ch >= U'▉' && ch <= U'▏' ? static_cast<int>(0x2590 - ch) : 0; }

BarCells ReadBar(const ScreenBuffer& s, int row, int firstCol, int lastCol) {
    BarCells bar;
    bar.row = row;
    bar.startPx = firstCol * kCellWidthPx;
    bar.highlightPx = bar.startPx;
    for (int x = firstCol; x <= lastCol; ++x) {
        const Cell& c = s.At(x, row);
        const int eighths = EighthsOf(c.ch);
        if (c.ch == U' ' && c.bg == kHighlight) bar.highlightPx = (x + 1) * kCellWidthPx;
        else if (eighths > 0 && c.fg == kHighlight) bar.highlightPx = x * kCellWidthPx + eighths;
        if (c.ch == U' ' && (c.bg == Color::White || c.bg == kHighlight)) bar.endPx = (x + 1) * kCellWidthPx;
        else if (eighths > 0) bar.endPx = x * kCellWidthPx + eighths;
    }
    return bar;
}

// The interior of the bar in screen pixels, from the dialog's geometry.
CRect Interior(CProgressDlg& dlg) {
    CRect bar;
    dlg.m_progressBar.GetWindowRect(bar);
    bar.DeflateRect(1, 1);
    return bar;
}

// A router that answers the command with "OK" and firmware 1.01 (older: no
// question) from kReplyPort, and acknowledges every transfer packet from
// kTransferPort. `onSend` sees every datagram first.
void PlayRouter(ScriptedNetwork& net, std::function<void(const SentDatagram&)> onSend = {},
                std::function<bool(const SentDatagram&, ScriptedNetwork&)> instead = {}) {
    net.SetResponder([onSend, instead](const SentDatagram& sent, ScriptedNetwork& n) {
        if (onSend) onSend(sent);
        if (instead && instead(sent, n)) return;
        if (sent.to.port == 7) n.Deliver(ToBytes("OK\0" "1.01"), kReplyPort);
        else if (sent.to.port == 69) n.Deliver(Ack(0), kTransferPort);
        else n.Deliver(Ack(BlockOf(sent.bytes)), kTransferPort);
    });
}

TEST(ProgressDlgTest, AWholeAttemptPaintsTheBarAfterEverySlice) {
    UiHarness u;
    ScriptedNetwork net(u.h.Clock());
    ScopedNetwork scopedNet(net);
    DownloadJob job = RouterJob();
    CProgressDlg dlg;
    dlg.SetJob(&job);

    std::vector<std::string> statusAt;  // at the command and at the write request
    std::vector<std::pair<int, BarCells>> shots;  // (block about to go, bar on screen)
    CRect interior;
    int presentsAtLastBlock = -1;
    PlayRouter(net, [&](const SentDatagram& sent) {
        if (sent.to.port == 7 || sent.to.port == 69) statusAt.push_back(StatusText(dlg));
        const int block = BlockOf(sent.bytes);
        if (block == kBlocks) presentsAtLastBlock = u.h.Input().Presents();
        if (block < 0 || block % 50 != 1) return;
        // The first block of a slice: the screen shows the bar after the slice before.
        if (interior.IsRectEmpty()) interior = Interior(dlg);
        const int row = (interior.top + interior.bottom) / 2 / kCellHeightPx;
        shots.emplace_back(block, ReadBar(u.h.Screen(), row, (interior.left + 4) / kCellWidthPx,
                                          (interior.right - 1) / kCellWidthPx));
    });

    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(job.result, DL_OK);
    EXPECT_EQ(job.imageSize, kImageSize);
    EXPECT_EQ(job.bytesSent, kImageSize);
    EXPECT_EQ(net.OpenSockets(), 0u);
    EXPECT_EQ(dlg.m_sock, INVALID_SOCKET);
    EXPECT_TRUE(net.Problems().empty()) << net.Problems().front();

    // One command, one write request to port 69 of the router, then every block to
    // the transfer port, each once.
    ASSERT_EQ(net.Sent().size(), 2u + kBlocks);
    EXPECT_EQ(net.Sent()[0].to, kCommandPort);
    EXPECT_EQ(net.Sent()[1].to, kServerPort);
    EXPECT_EQ(net.Sent()[1].bytes, ToBytes("\0\2firm\0octet\0\0"));
    EXPECT_EQ(net.Sent()[2].to, kTransferPort);
    EXPECT_EQ(BlockOf(net.Sent().back().bytes), kBlocks);
    // The write request waits for the router's 5-second restart pause.
    EXPECT_EQ(net.Sent()[1].at_ms - net.Sent()[0].at_ms, 5000u);

    ASSERT_EQ(statusAt.size(), 2u);
    EXPECT_EQ(statusAt[0], Sjis(kPreparing));
    EXPECT_EQ(statusAt[1].rfind(Sjis(kWriting), 0), 0u) << statusAt[1];

    // 31 slices of blocks: a shot before each, the first after the write request's
    // slice (all white).
    ASSERT_EQ(shots.size(), 31u);
    for (const auto& [block, bar] : shots) {
        SCOPED_TRACE("before block " + std::to_string(block));
        const std::uint64_t sent = std::uint64_t{512} * static_cast<std::uint64_t>(block - 1);
        const int fill = static_cast<int>(ProgressFillWidth(interior.Width(), sent, kImageSize));
        EXPECT_EQ(bar.highlightPx, fill == 0 ? bar.startPx : interior.left + fill);
        EXPECT_EQ(bar.endPx, interior.right);
    }
    EXPECT_EQ(shots[0].second.highlightPx, shots[0].second.startPx);
    // The last slice is painted too (wholly highlighted), and nothing after it.
    EXPECT_EQ(u.h.Input().Presents(), presentsAtLastBlock + 1);
    const BarCells last = ReadBar(u.h.Screen(), shots[0].second.row, (interior.left + 4) / kCellWidthPx,
                                  (interior.right - 1) / kCellWidthPx);
    EXPECT_EQ(last.highlightPx, interior.right);
    // Successive shots grow: slices of 25,600 bytes are more than one pixel each.
    for (std::size_t i = 1; i < shots.size(); ++i) EXPECT_GT(shots[i].second.highlightPx, shots[i - 1].second.highlightPx);
}

TEST(ProgressDlgTest, FillWidthInUnsigned64BitArithmetic) {
    struct Case {
        int width;
        std::uint64_t sent, size, fill;
    };
    const std::vector<Case> cases = {
        {171, 0, 0, 0},                 // image not located yet: all white
        {171, 512, 0, 0},
        {171, 512, 783578, 0},          // one block of the image: under a pixel
        {171, 391789, 783578, 85},      // half: truncated
        {171, 783578, 783578, 171},     // all: the whole interior
        {344, 1, 4'000'000'000, 0},     // one byte of a large image
        {344, 3'999'999'999, 4'000'000'000, 343},  // 344 x 4e9 does not fit 32 bits
        {344, 4'294'967'295, 4'294'967'295, 344},
        {0, 10, 20, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ProgressFillWidth(c.width, c.sent, c.size), c.fill)
            << c.width << " x " << c.sent << " / " << c.size;
    }
}

// Keeps the status line as it was when the attempt ended.
class StatusRecordingDlg : public CProgressDlg {
public:
    std::string statusAtEnd;

protected:
    void OnOK() override {
        statusAtEnd = StatusText(*this);
        CProgressDlg::OnOK();
    }
};

// Every failure ends the dialog with IDOK, the reason in the job, the socket closed.
TEST(ProgressDlgTest, EveryFailureEndsWithItsResultAndTheSocketClosed) {
    const auto noImage = [](const ResourceEntry& e) {
        return IsResource(e, kResourceTypeBin, WORD{IDR_FIRMWARE});
    };
    static const std::byte kNothing{};
    const std::vector<ResourceEntry> emptyImage = {
        {ResourceName(kResourceTypeBin), ResourceName(WORD{IDR_FIRMWARE}), &kNothing, 0}};
    using Reply = std::function<bool(const SentDatagram&, ScriptedNetwork&)>;
    const Reply refuse = [](const SentDatagram& s, ScriptedNetwork& n) {
        if (s.to.port == 7) n.Deliver(ToBytes("NG"), kReplyPort);
        return s.to.port == 7;
    };
    const Reply silence = [](const SentDatagram& s, ScriptedNetwork&) { return s.to.port == 7; };
    const Reply otherModel = [](const SentDatagram& s, ScriptedNetwork& n) {
        if (s.to.port == 7) n.Deliver(ToBytes("HELLO"), kReplyPort);
        return s.to.port == 7;
    };
    const Reply tftpError = [](const SentDatagram& s, ScriptedNetwork& n) {
        if (BlockOf(s.bytes) != 101) return false;
        n.Deliver(ToBytes("\0\5\0\3disk full\0"), kTransferPort);
        return true;
    };
    const Reply lostAcks = [](const SentDatagram& s, ScriptedNetwork&) { return BlockOf(s.bytes) >= 101; };

    struct Case {
        const char* name;
        bool failSocket;
        ResourcesFor::Filter leaveOut;
        std::vector<ResourceEntry> extra;
        Reply reply;
        int result;
        std::string status;   // UTF-8, how the status line starts
        std::size_t datagrams;  // sent in all
        bool imageTouched;
    };
    const std::vector<Case> cases = {
        {"no socket", true, {}, {}, {}, DL_E_SOCKET, kPreparing, 0, false},
        {"password refused", false, {}, {}, refuse, IDS_DL_REFUSED, kPreparing, 1, false},
        {"no reply", false, {}, {}, silence, IDS_DL_TIMEOUT, kPreparing, 1, false},
        {"not the model", false, {}, {}, otherModel, IDS_NOT_TARGET_MODEL, kPreparing, 1, false},
        {"image missing", false, noImage, {}, {}, IDS_NO_IMAGE, kWriting, 1, false},
        {"image empty", false, noImage, emptyImage, {}, IDS_NO_IMAGE, kWriting, 1, false},
        {"TFTP error in a later slice", false, {}, {}, tftpError, DL_E_TFTP_ERROR, kWriting, 2 + 101, true},
        {"acknowledgements stop", false, {}, {}, lostAcks, IDS_DL_TIMEOUT, kWriting, 2 + 100 + 6, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        UiHarness u(0, c.leaveOut, c.extra);
        ScriptedNetwork net(u.h.Clock());
        net.FailSocket(c.failSocket);
        ScopedNetwork scopedNet(net);
        DownloadJob job = RouterJob();
        job.blockNumber = 77;  // must stay as it is unless the image was located
        StatusRecordingDlg dlg;
        dlg.SetJob(&job);
        int presentsAtLastSend = -1;
        PlayRouter(net, [&](const SentDatagram&) { presentsAtLastSend = u.h.Input().Presents(); }, c.reply);

        EXPECT_EQ(dlg.DoModal(), IDOK);
        EXPECT_EQ(job.result, c.result);
        EXPECT_EQ(net.Sent().size(), c.datagrams);
        EXPECT_EQ(net.OpenSockets(), 0u);
        EXPECT_EQ(dlg.statusAtEnd.rfind(Sjis(c.status), 0), 0u) << dlg.statusAtEnd;
        if (c.failSocket) {
            EXPECT_EQ(net.SocketsMade(), 0);
        }
        if (c.imageTouched) {
            // A failing slice ends without a last repaint.
            EXPECT_EQ(u.h.Input().Presents(), presentsAtLastSend);
        } else {
            EXPECT_EQ(job.imageCursor, nullptr);
            EXPECT_EQ(job.blockNumber, 77u);
            if (c.status == kPreparing) {
                EXPECT_EQ(job.imageSize, 0u);
            }
            // No TFTP datagram: only the command, if anything.
            for (const SentDatagram& s : net.Sent()) EXPECT_EQ(s.to, kCommandPort);
        }
        EXPECT_TRUE(u.h.MessageBoxes().empty());
    }
}

// The dialog has no buttons; Enter and Esc would end it. A key typed while a slice
// blocks waits behind the attempt's posted messages, and a command that reached the
// dialog mid-attempt anyway would be ignored: either way the attempt runs to its end.
TEST(ProgressDlgTest, EnterAndEscDuringTheAttemptDoNotEndIt) {
    struct Case {
        const char* name;
        std::function<void(DialogHarness&, CProgressDlg&)> during;
    };
    const std::vector<Case> cases = {
        {"keys typed during a slice",
         [](DialogHarness& h, CProgressDlg&) {
             h.Input().Early().Press(Key::Enter);
             h.Input().Early().Press(Key::Escape);
         }},
        {"commands handed to the dialog during a slice",
         [](DialogHarness&, CProgressDlg& dlg) {
             dlg.SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
             dlg.SendMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        UiHarness u;
        ScriptedNetwork net(u.h.Clock());
        ScopedNetwork scopedNet(net);
        DownloadJob job = RouterJob();
        CProgressDlg dlg;
        dlg.SetJob(&job);
        PlayRouter(net, [&](const SentDatagram& sent) {
            if (BlockOf(sent.bytes) == 120) c.during(u.h, dlg);
        });
        EXPECT_EQ(dlg.DoModal(), IDOK);
        EXPECT_EQ(job.result, DL_OK);
        EXPECT_EQ(net.Sent().size(), 2u + kBlocks);
        EXPECT_EQ(net.OpenSockets(), 0u);
    }
}

// The dialog is on the screen with its status line while the command exchange
// blocks, without buttons or a close box.
TEST(ProgressDlgTest, ShownDuringTheCommandExchangeWithNoButtonsAndNoCloseBox) {
    UiHarness u;
    ScriptedNetwork net(u.h.Clock());
    ScopedNetwork scopedNet(net);
    DownloadJob job = RouterJob();
    CProgressDlg dlg;
    dlg.SetJob(&job);
    PlayRouter(net, [&](const SentDatagram& sent) {
        if (sent.to.port != 7) return;
        EXPECT_TRUE(Shows(u.h, "QX210-NODEﾀﾞｳﾝﾛｰﾀﾞ"));
        EXPECT_TRUE(Shows(u.h, kPreparing));
        EXPECT_FALSE(Shows(u.h, "[X]"));
        EXPECT_EQ(FocusId(), 0);
    });
    EXPECT_EQ(dlg.DoModal(), IDOK);
}

}  // namespace
}  // namespace qx
