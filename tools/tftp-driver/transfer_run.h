// One whole download run against a real peer, as the progress dialog would drive it
// but without a window: optionally the download-mode command, then TftpWriteSlice
// until the last block is acknowledged or the transfer fails. The caller owns the
// image bytes; the run owns its socket and closes it on every way out.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "app/download_job.h"

namespace qx {

struct TransferRunOptions {
    std::uint32_t address = 0x7F000001;  // router, host byte order
    std::uint16_t tftpPort = 69;
    bool command = false;                // run the download-mode command first
    std::string password;
};

struct TransferRunResult {
    std::int32_t result = 0;  // DL_OK or the failure's result code
    int slices = 0;           // TftpWriteSlice calls made
};

TransferRunResult RunTransfer(const TransferRunOptions& options, std::span<const std::uint8_t> image,
                              DownloadJob& job);

// Deterministic test bytes: the same `size` always gives the same image.
std::string MakeTestImage(std::size_t size);

}  // namespace qx
