#include "tools/tftp-driver/transfer_run.h"

#include <cstring>

#include "platform/sockets/winsock.h"
#include "platform/system/resources.h"
#include "protocol/download_mode.h"
#include "protocol/tftp_write.h"
#include "res/program_resources.h"

namespace qx {

TransferRunResult RunTransfer(const TransferRunOptions& options, std::span<const std::uint8_t> image,
                              DownloadJob& job) {
    TransferRunResult run;
    SOCKET sock = socket(AF_INET, SOCK_DGRAM, 0);
    if (sock == INVALID_SOCKET) {
        run.result = DL_E_SOCKET;
        return run;
    }
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_addr.s_addr = htonl(options.address);
    std::strncpy(job.password, options.password.c_str(), sizeof job.password - 1);

    // The program's own string table: the exchange compares the router's version with
    // the image's version text from it, as the downloader does.
    const ScopedResourceDirectory resources(ProgramResources());
    if (options.command && !RequestDownloadMode(job, sock, peer)) {
        closesocket(sock);
        run.result = job.result;
        return run;
    }
    // The transfer goes to the address that answered, on the TFTP port.
    peer.sin_port = htons(options.tftpPort);
    job.imageSize = image.size();
    job.imageCursor = image.data();
    job.blockNumber = 0;
    job.bytesSent = 0;
    for (;;) {
        ++run.slices;
        SliceOutcome outcome = TftpWriteSlice(job, sock, peer);
        if (outcome == SLICE_MORE) continue;
        if (outcome == SLICE_FINISHED) job.result = DL_OK;
        break;
    }
    closesocket(sock);
    run.result = job.result;
    return run;
}

std::string MakeTestImage(std::size_t size) {
    // A 32-bit xorshift stream: no runs, no period within any image a block number
    // can carry, so a misplaced or repeated block changes the bytes.
    std::string image(size, '\0');
    std::uint32_t x = 0x51A2D0E5u;
    for (std::size_t i = 0; i < size; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        image[i] = static_cast<char>(x >> 24);
    }
    return image;
}

}  // namespace qx
