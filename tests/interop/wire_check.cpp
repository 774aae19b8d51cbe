#include "tests/interop/wire_check.h"

#include <gtest/gtest.h>

namespace qx::interop {

void ExpectLockStepWrite(const std::vector<CapturedPacket>& packets, std::uint32_t server,
                         std::size_t imageSize) {
    constexpr std::uint16_t kTftpPort = 69;
    std::size_t i = 0;
    while (i < packets.size() && !(packets[i].dstAddress == server && packets[i].dstPort == kTftpPort)) ++i;
    ASSERT_LT(i, packets.size()) << "no write request to port 69 was captured";
    const CapturedPacket& request = packets[i];
    EXPECT_EQ(request.payload, 14u) << "write request size";
    const std::uint32_t client = request.srcAddress;
    const std::uint16_t clientPort = request.srcPort;

    std::uint16_t transferPort = 0;
    std::vector<std::size_t> data, acks;
    for (++i; i < packets.size(); ++i) {
        const CapturedPacket& p = packets[i];
        const bool fromServer = p.srcAddress == server && p.dstAddress == client && p.dstPort == clientPort;
        const bool fromClient = p.srcAddress == client && p.srcPort == clientPort && p.dstAddress == server;
        if (fromServer) {
            if (transferPort == 0) transferPort = p.srcPort;
            EXPECT_EQ(p.srcPort, transferPort) << "reply #" << acks.size() << " from another port";
            acks.push_back(p.payload);
        } else if (fromClient) {
            EXPECT_EQ(p.dstPort, transferPort) << "DATA #" << data.size() + 1 << " not sent to the transfer port";
            data.push_back(p.payload);
        }
    }
    EXPECT_NE(transferPort, kTftpPort) << "the server should answer from a fresh port";

    const std::size_t blocks = imageSize / 512 + 1;
    ASSERT_EQ(data.size(), blocks) << "DATA packets: every block exactly once";
    for (std::size_t b = 0; b + 1 < blocks; ++b) ASSERT_EQ(data[b], 516u) << "DATA block " << b + 1;
    EXPECT_EQ(data.back(), 4 + imageSize % 512) << "last DATA block";
    ASSERT_EQ(acks.size(), blocks + 1) << "ACKs: one for the request and one per block";
    for (std::size_t a = 0; a < acks.size(); ++a) ASSERT_EQ(acks[a], 4u) << "ACK #" << a;
}

}  // namespace qx::interop
