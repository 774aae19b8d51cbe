// The transfer over real UDP sockets on 127.0.0.1, with the real network and clock.
#include <gtest/gtest.h>

#include <vector>

#include "app/download_job.h"
#include "platform/sockets/winsock.h"
#include "protocol/tftp_write.h"
#include "tests/protocol/loopback_responder.h"

namespace qx {
namespace {

TEST(LoopbackTransfer, ImageArrivesByteIdentical) {
    for (const std::uint16_t stray_before : {std::uint16_t{0}, std::uint16_t{3}}) {
        SCOPED_TRACE(stray_before ? "with an ERROR from another port before ACK 3" : "plain");
        std::vector<BYTE> image(100'000);
        for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<BYTE>((i * 7 + i / 251) & 0xFF);

        testing_support::LoopbackTftpResponder responder(stray_before);
        DownloadJob job{};
        job.imageSize = image.size();
        job.imageCursor = image.data();
        sockaddr_in peer{};
        peer.sin_family = AF_INET;
        peer.sin_addr.s_addr = inet_addr("127.0.0.1");
        peer.sin_port = htons(responder.Port());

        const SOCKET sock = socket(AF_INET, SOCK_DGRAM, 0);
        ASSERT_NE(sock, INVALID_SOCKET);
        SliceOutcome outcome;
        int slices = 0;
        do {
            outcome = TftpWriteSlice(job, sock, peer);
            ++slices;
        } while (outcome == SLICE_MORE && slices < 100);
        closesocket(sock);
        responder.Join();

        EXPECT_EQ(outcome, SLICE_FINISHED) << "result " << job.result;
        EXPECT_EQ(slices, 1 + 4);  // the write request, then 196 blocks in slices of 50
        EXPECT_EQ(responder.Failure(), "");
        EXPECT_TRUE(responder.Image() == image);
        EXPECT_NE(ntohs(peer.sin_port), responder.Port());  // the transfer went to the transfer port
    }
}

}  // namespace
}  // namespace qx
