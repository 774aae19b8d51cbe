#include "protocol/tftp_write.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "app/result_codes.h"
#include "platform/system/clock.h"
#include "tests/protocol/tftp_test_support.h"

namespace qx {
namespace {

using namespace testing_support;

class TftpWriteTest : public ::testing::Test {
protected:
    VirtualClock clock_;
    ScopedClock scoped_clock_{clock_};
    DownloadJob job_{};
    std::vector<BYTE> image_;
    sockaddr_in peer_ = ToSockaddr(kRouter);

    // An image whose byte i is i mod 251, so misplaced blocks show.
    void SetImage(std::size_t size) {
        image_.resize(size);
        for (std::size_t i = 0; i < size; ++i) image_[i] = static_cast<BYTE>(i % 251);
        job_.imageSize = size;
        job_.imageCursor = image_.data();
        job_.bytesSent = 0;
        job_.blockNumber = 0;
    }
    // As after an acknowledged write request: the transfer port is the peer.
    void StartDataPhase(std::size_t size) {
        SetImage(size);
        job_.blockNumber = 1;
        peer_ = ToSockaddr(kTransfer);
    }
    // Runs slices until one does not return SLICE_MORE; returns the outcomes.
    std::vector<SliceOutcome> RunAll(ScriptedNetwork& network) {
        ScopedNetwork scoped(network);
        const SOCKET sock = socket(AF_INET, SOCK_DGRAM, 0);
        std::vector<SliceOutcome> outcomes;
        do outcomes.push_back(TftpWriteSlice(job_, sock, peer_));
        while (outcomes.back() == SLICE_MORE && outcomes.size() < 5000);
        closesocket(sock);
        return outcomes;
    }
};

// Each row: a script for the scripted router, and what the last slice must leave.
struct RetryCase {
    const char* name;
    bool data_phase;  // start with block 1 acknowledged (image of 1 byte), else with the write request
    std::vector<ScriptRow> rows;
    SliceOutcome outcome;
    std::int32_t result;  // when the outcome is SLICE_FAILED
    std::uint64_t end_ms;
    Endpoint peer_after;
};

TEST_F(TftpWriteTest, RetryRules) {
    const Bytes d1 = Data(1, 1);
    const RetryCase cases[] = {
        {"no server: six write requests 5 s apart, then 59159",
         false,
         {OutAt(0, WriteRequest(), kRouter), OutAt(5000, WriteRequest(), kRouter), OutAt(10000, WriteRequest(), kRouter),
          OutAt(15000, WriteRequest(), kRouter), OutAt(20000, WriteRequest(), kRouter),
          OutAt(25000, WriteRequest(), kRouter)},
         SLICE_FAILED, IDS_DL_TIMEOUT, 30000, kRouter},
        {"write request acknowledged from the transfer port",
         false,
         {Out(WriteRequest(), kRouter), InAfter(30, Ack(0), kTransfer)},
         SLICE_MORE, 0, 30, kTransfer},
        {"write request answered with ACK 1 three times: 10002 after the third",
         false,
         {Out(WriteRequest(), kRouter), In(Ack(1), kTransfer), Out(WriteRequest(), kTransfer), In(Ack(1), kTransfer),
          Out(WriteRequest(), kTransfer), In(Ack(1), kTransfer)},
         SLICE_FAILED, IDS_CHECK_CONNECTION, 0, kTransfer},
        {"ACK of another block after two timeouts: 10002 at once",
         false,
         {OutAt(0, WriteRequest(), kRouter), OutAt(5000, WriteRequest(), kRouter), OutAt(10000, WriteRequest(), kRouter),
          InAfter(100, Ack(7), kTransfer)},
         SLICE_FAILED, IDS_CHECK_CONNECTION, 10100, kTransfer},
        {"ERROR in reply to the write request",
         false,
         {Out(WriteRequest(), kRouter), In(ErrorPacket(), kTransfer)},
         SLICE_FAILED, DL_E_TFTP_ERROR, 0, kTransfer},
        {"a 2-byte reply holding only the ACK opcode acknowledges block 0",
         false,
         {Out(WriteRequest(), kRouter), In(ToBytes({0, 4}), kTransfer)},
         SLICE_MORE, 0, 0, kTransfer},
        {"unexpected opcode: the write request goes out again at once, uncounted",
         false,
         {Out(WriteRequest(), kRouter), InAfter(10, Unexpected(), kTransfer), OutAt(10, WriteRequest(), kTransfer),
          InAfter(10, Ack(0), kTransfer)},
         SLICE_MORE, 0, 20, kTransfer},
        {"stray datagrams from another host during the write request: ignored, deadline kept",
         false,
         {OutAt(0, WriteRequest(), kRouter), InAfter(4000, Ack(0), kOtherHost), InAfter(4500, ErrorPacket(), kOtherHost),
          OutAt(5000, WriteRequest(), kRouter), InAfter(1, Ack(0), kRouter)},
         SLICE_MORE, 0, 5001, kRouter},
        {"lost ACK: the block goes out again after 5 s and the late ACK is taken",
         true,
         {OutAt(0, d1, kTransfer), OutAt(5000, d1, kTransfer), InAfter(200, Ack(1), kTransfer)},
         SLICE_FINISHED, 0, 5200, kTransfer},
        {"no ACK for a block: six sends, then 59159",
         true,
         {OutAt(0, d1, kTransfer), OutAt(5000, d1, kTransfer), OutAt(10000, d1, kTransfer), OutAt(15000, d1, kTransfer),
          OutAt(20000, d1, kTransfer), OutAt(25000, d1, kTransfer)},
         SLICE_FAILED, IDS_DL_TIMEOUT, 30000, kTransfer},
        {"timeouts and ACKs of other blocks share one count of five",
         true,
         {OutAt(0, d1, kTransfer), OutAt(5000, d1, kTransfer), In(Ack(0), kTransfer), OutAt(5000, d1, kTransfer),
          OutAt(10000, d1, kTransfer), In(Ack(0), kTransfer), OutAt(10000, d1, kTransfer),
          OutAt(15000, d1, kTransfer), In(Ack(2), kTransfer)},
         SLICE_FAILED, IDS_DL_TIMEOUT, 15000, kTransfer},
        {"ERROR in reply to a DATA block",
         true,
         {Out(d1, kTransfer), In(ErrorPacket(), kTransfer)},
         SLICE_FAILED, DL_E_TFTP_ERROR, 0, kTransfer},
        {"a datagram from another port in the data phase is ignored, deadline kept",
         true,
         {OutAt(0, d1, kTransfer), InAfter(3000, Ack(1), kOtherPort), InAfter(3000, ErrorPacket(), kRouter),
          OutAt(5000, d1, kTransfer), InAfter(1, Ack(1), kTransfer)},
         SLICE_FINISHED, 0, 5001, kTransfer},
        {"a datagram from another host in the data phase is ignored",
         true,
         {OutAt(0, d1, kTransfer), InAfter(10, ErrorPacket(), kOtherHost), InAfter(20, Ack(1), kTransfer)},
         SLICE_FINISHED, 0, 20, kTransfer},
        {"a receive that fails sends the block again at once, uncounted",
         true,
         {Out(d1, kTransfer), InFailure(40), OutAt(40, d1, kTransfer), In(Ack(1), kTransfer)},
         SLICE_FINISHED, 0, 40, kTransfer},
    };
    for (const RetryCase& c : cases) {
        SCOPED_TRACE(c.name);
        VirtualClock fresh;  // each case starts at virtual time 0
        ScopedClock scoped(fresh);
        ScriptedNetwork network(fresh, c.rows);
        if (c.data_phase) StartDataPhase(1); else { SetImage(1); peer_ = ToSockaddr(kRouter); }
        job_.result = -1;
        const std::vector<SliceOutcome> outcomes = [&] {
            ScopedNetwork scoped_network(network);
            const SOCKET sock = socket(AF_INET, SOCK_DGRAM, 0);
            std::vector<SliceOutcome> got{TftpWriteSlice(job_, sock, peer_)};
            closesocket(sock);
            return got;
        }();
        EXPECT_EQ(outcomes.back(), c.outcome);
        EXPECT_EQ(job_.result, c.outcome == SLICE_FAILED ? c.result : -1);
        EXPECT_EQ(fresh.NowMs(), c.end_ms);
        EXPECT_EQ(ToString(ToEndpoint(peer_)), ToString(c.peer_after));
        for (const std::string& problem : network.Problems()) ADD_FAILURE() << problem;
    }
}

// Every DATA block acknowledged at once from the transfer port.
void AcknowledgeEverything(const SentDatagram& sent, ScriptedNetwork& network) {
    const auto* b = reinterpret_cast<const unsigned char*>(sent.bytes.data());
    const std::uint32_t block = b[1] == 3 ? (b[2] << 8 | b[3]) : 0;
    network.Deliver(Ack(block), kTransfer, 1);
}

TEST_F(TftpWriteTest, ImagesOfEverySizeArriveWhole) {
    struct Case {
        std::size_t size;
        std::size_t blocks;
        std::size_t slices;  // the write request's slice included
        std::size_t last_payload;
    };
    const Case cases[] = {
        {1, 1, 2, 1},          {511, 1, 2, 511},        {512, 2, 2, 0},           {513, 2, 2, 1},
        {25600, 51, 3, 0},     {25599, 50, 2, 511},     {783578, 1531, 32, 218},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("image of " + std::to_string(c.size) + " bytes");
        VirtualClock fresh;
        ScopedClock scoped(fresh);
        ScriptedNetwork network(fresh);
        network.SetResponder(AcknowledgeEverything);
        SetImage(c.size);
        peer_ = ToSockaddr(kRouter);
        job_.result = -1;
        const std::vector<SliceOutcome> outcomes = RunAll(network);

        EXPECT_EQ(outcomes.size(), c.slices);
        EXPECT_EQ(outcomes.back(), SLICE_FINISHED);
        EXPECT_EQ(job_.result, -1);  // a finished transfer leaves the result to the caller
        EXPECT_EQ(job_.bytesSent, c.size);
        EXPECT_EQ(job_.imageCursor, image_.data() + c.size);
        EXPECT_EQ(job_.blockNumber, c.blocks + 1);

        const std::vector<SentDatagram>& sent = network.Sent();
        ASSERT_EQ(sent.size(), c.blocks + 1);
        EXPECT_EQ(sent[0].bytes, WriteRequest());
        EXPECT_EQ(ToString(sent[0].to), ToString(kRouter));
        std::vector<BYTE> received;
        for (std::size_t k = 1; k < sent.size(); ++k) {
            const Bytes& packet = sent[k].bytes;
            ASSERT_EQ(Bytes(packet.begin(), packet.begin() + 4), Data(k, 0)) << "block " << k;
            ASSERT_EQ(packet.size(), k < c.blocks ? 516u : 4 + c.last_payload) << "block " << k;
            ASSERT_EQ(ToString(sent[k].to), ToString(kTransfer));
            for (std::size_t i = 4; i < packet.size(); ++i) received.push_back(static_cast<BYTE>(packet[i]));
        }
        EXPECT_EQ(received, image_);
        EXPECT_TRUE(network.Problems().empty());
    }
}

TEST_F(TftpWriteTest, SlicesStopAtFiftyBlocksAndTheFirstSendsNoData) {
    ScriptedNetwork network(clock_);
    network.SetResponder(AcknowledgeEverything);
    ScopedNetwork scoped(network);
    const SOCKET sock = socket(AF_INET, SOCK_DGRAM, 0);
    SetImage(25600);
    EXPECT_EQ(TftpWriteSlice(job_, sock, peer_), SLICE_MORE);
    EXPECT_EQ(network.Sent().size(), 1u);
    EXPECT_EQ(job_.blockNumber, 1u);
    EXPECT_EQ(job_.bytesSent, 0u);
    EXPECT_EQ(TftpWriteSlice(job_, sock, peer_), SLICE_MORE);
    EXPECT_EQ(network.Sent().size(), 51u);
    EXPECT_EQ(job_.bytesSent, 25600u);
    EXPECT_EQ(TftpWriteSlice(job_, sock, peer_), SLICE_FINISHED);
    EXPECT_EQ(network.Sent().back().bytes, Data(51, 0));
    EXPECT_EQ(TftpWriteSlice(job_, sock, peer_), SLICE_FINISHED);  // complete: nothing more is sent
    EXPECT_EQ(network.Sent().size(), 52u);
    closesocket(sock);
}

// A peer that never gives a usable answer ends the transfer after 50 uncounted
// resends of one packet, in either phase and for either cause.
TEST_F(TftpWriteTest, UncountedResendsAreBounded) {
    struct Case {
        const char* name;
        bool data_phase;
        bool failing_receive;
    };
    const Case cases[] = {
        {"unexpected opcode to the write request", false, false},
        {"failing receive after the write request", false, true},
        {"unexpected opcode to a DATA block", true, false},
        {"failing receive after a DATA block", true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        VirtualClock fresh;
        ScopedClock scoped(fresh);
        ScriptedNetwork network(fresh);
        network.SetResponder([&](const SentDatagram&, ScriptedNetwork& net) {
            if (c.failing_receive) net.DeliverFailure(); else net.Deliver(Unexpected(), kTransfer);
        });
        if (c.data_phase) StartDataPhase(1); else { SetImage(1); peer_ = ToSockaddr(kRouter); }
        const std::vector<SliceOutcome> outcomes = RunAll(network);
        EXPECT_EQ(outcomes.back(), SLICE_FAILED);
        EXPECT_EQ(job_.result, IDS_DL_TIMEOUT);
        EXPECT_EQ(network.Sent().size(), 1u + kMaxUncountedResends);
        EXPECT_EQ(fresh.NowMs(), 0u);
    }
}

// The bound is per packet: each block may use up its own allowance and still succeed.
TEST_F(TftpWriteTest, UncountedResendAllowanceIsFreshForEachBlock) {
    ScriptedNetwork network(clock_);
    int answered = 0;
    network.SetResponder([&](const SentDatagram& sent, ScriptedNetwork& net) {
        if (++answered % (kMaxUncountedResends + 1) != 0) net.Deliver(Unexpected(), kTransfer);
        else AcknowledgeEverything(sent, net);
    });
    StartDataPhase(600);  // two blocks
    EXPECT_EQ(RunAll(network).back(), SLICE_FINISHED);
    EXPECT_EQ(network.Sent().size(), 2u * (kMaxUncountedResends + 1));
}

// Block numbers are 16 bits: block 65,536 travels as 0, no ACK can match it, and the
// transfer fails there after six sends instead of reporting success.
TEST_F(TftpWriteTest, The65536thBlockCannotBeAcknowledged) {
    ScriptedNetwork network(clock_);
    network.SetResponder(AcknowledgeEverything);
    image_.assign(512, BYTE{7});
    job_.imageSize = 65535ull * 512;  // needs 65,536 blocks, the last one empty
    job_.bytesSent = 65534ull * 512;
    job_.imageCursor = image_.data();
    job_.blockNumber = 65535;
    peer_ = ToSockaddr(kTransfer);
    EXPECT_EQ(RunAll(network).back(), SLICE_FAILED);
    EXPECT_EQ(job_.result, IDS_DL_TIMEOUT);
    const std::vector<SentDatagram>& sent = network.Sent();
    ASSERT_EQ(sent.size(), 7u);  // block 65,535 once, then block "0" six times
    EXPECT_EQ(sent[0].bytes.size(), 516u);
    EXPECT_EQ(sent[0].bytes[2], std::byte{0xFF});
    for (std::size_t i = 1; i < sent.size(); ++i) EXPECT_EQ(sent[i].bytes, Data(0, 0));
    EXPECT_EQ(job_.blockNumber, 65536u);
}

TEST(JudgeTftpReply, AnyBytesAnySender) {
    using testing_support::ToSockaddr;
    const sockaddr_in router = ToSockaddr(kTransfer);
    struct Case {
        Bytes datagram;
        Endpoint sender;
        std::uint32_t block;
        TftpReply verdict;
    };
    const Case cases[] = {
        {Ack(5), kTransfer, 5, TftpReply::AckOfBlock},
        {Ack(4), kTransfer, 5, TftpReply::AckOfOtherBlock},
        {Ack(5), kOtherPort, 5, TftpReply::Stray},
        {Ack(0), kOtherPort, 0, TftpReply::AckOfBlock},  // the write request's reply sets the port
        {Ack(0), kOtherHost, 0, TftpReply::Stray},
        {ToBytes({0, 4}), kTransfer, 0, TftpReply::AckOfBlock},
        {ToBytes({0}), kTransfer, 0, TftpReply::Unexpected},
        {Bytes{}, kTransfer, 1, TftpReply::Unexpected},
        {ErrorPacket(), kTransfer, 9, TftpReply::Error},
        {ToBytes({0, 3, 0, 1}), kTransfer, 1, TftpReply::Unexpected},
        {ToBytes({1, 4, 0, 1}), kTransfer, 1, TftpReply::Unexpected},
        {Ack(0), kTransfer, 65536, TftpReply::AckOfOtherBlock},
        {Bytes(70000, std::byte{4}), kTransfer, 0x0404, TftpReply::Unexpected},
    };
    for (const Case& c : cases)
        EXPECT_EQ(JudgeTftpReply(c.datagram, ToSockaddr(c.sender), router, c.block), c.verdict)
            << HexDump(c.datagram) << " from " << ToString(c.sender) << " awaiting " << c.block;
}

}  // namespace
}  // namespace qx
