// The TFTP write transfer fed with any datagrams from any sender: whole transfers of a
// small image run slice by slice while the fuzzer decides every reply. Besides the
// sanitizers' checks (no read past the 516-byte buffers, no stray write) it checks
// that the job stays consistent, every DATA block carries the right image bytes, the
// transfer port never changes once DATA flows, and a run ends with a known result.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstring>
#include <vector>

#include "app/result_codes.h"
#include "fuzz/fuzz_network.h"
#include "protocol/tftp_write.h"

using namespace qx;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    FuzzedDataProvider data(bytes, size);
    VirtualClock clock;
    ScopedClock scopedClock(clock);
    fuzz::FuzzNetwork network(data, clock);
    ScopedNetwork scopedNetwork(network);

    // Up to five blocks, in a buffer of exactly the image's size.
    const std::size_t imageSize = data.ConsumeIntegralInRange<std::size_t>(1, 4 * 512 + 100);
    std::vector<BYTE> image(imageSize);
    for (std::size_t i = 0; i < imageSize; ++i) image[i] = static_cast<BYTE>(i * 7 + (i >> 9));

    SOCKET sock = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(69);
    peer.sin_addr.s_addr = htonl(fuzz::kRouter);
    DownloadJob job{};
    job.imageSize = imageSize;
    job.imageCursor = image.data();

    const std::uint64_t blocks = TftpBlockCount(imageSize);
    std::uint16_t dataPort = 0;
    for (int slice = 0; slice < 100; ++slice) {
        unsigned sendsBefore = network.Sends();
        SliceOutcome outcome = TftpWriteSlice(job, sock, peer);
        if (job.bytesSent > job.imageSize) fuzz::Violation("more bytes sent than the image holds");
        if (job.imageCursor != image.data() + job.bytesSent) fuzz::Violation("cursor and byte count disagree");

        const auto& last = network.LastSent();
        if (network.Sends() > sendsBefore && last.size() >= 4 && last[1] == std::byte{3}) {
            // The last DATA packet sent: its payload must be the image at its block.
            const std::uint64_t block = job.blockNumber - (outcome == SLICE_FAILED ? 0 : 1);
            const std::size_t offset = static_cast<std::size_t>((block - 1) * 512);
            const std::size_t n = last.size() - 4;
            if (offset + n > imageSize || std::memcmp(last.data() + 4, image.data() + offset, n) != 0)
                fuzz::Violation("DATA payload is not the image's bytes for its block");
            if (dataPort == 0) dataPort = network.LastDestination().port;
            if (network.LastDestination().port != dataPort) fuzz::Violation("DATA went to another port");
        }
        if (outcome == SLICE_MORE) continue;
        if (outcome == SLICE_FINISHED) {
            if (job.blockNumber != blocks + 1 || job.bytesSent != imageSize)
                fuzz::Violation("finished before every block was acknowledged");
        } else if (job.result != IDS_DL_TIMEOUT && job.result != IDS_CHECK_CONNECTION &&
                   job.result != DL_E_TFTP_ERROR) {
            fuzz::Violation("failed with an unknown result code");
        }
        closesocket(sock);
        return 0;
    }
    fuzz::Violation("the transfer neither finished nor failed within 100 slices");
}
