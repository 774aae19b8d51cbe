// The TFTP write transfer of the firmware image, cut into slices so the progress
// dialog can repaint between them. The transfer's state lives in the DownloadJob
// (blockNumber, bytesSent, imageCursor); the socket and the peer address belong to
// the caller, which also sets the peer's port to the server port (69) before the
// first slice. All waiting happens inside a slice, through the platform's select and
// clock: each reply is waited for 5 seconds, a packet is sent at most 6 times.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "app/download_job.h"
#include "platform/sockets/winsock.h"

namespace qx {

enum SliceOutcome {
    SLICE_MORE,      // the slice went well and blocks remain
    SLICE_FINISHED,  // the last block has been acknowledged; job.result is untouched
    SLICE_FAILED,    // the transfer is over; job.result holds the reason
};

inline constexpr char kFirmwareFileName[] = "firm";
inline constexpr char kTransferMode[] = "octet";
// The write request always carries one more NUL after the mode: 14 bytes.
inline constexpr std::size_t kWriteRequestSize = 14;
// Blocks per slice: 25,600 bytes, so the progress bar moves at least that often.
inline constexpr int kBlocksPerSlice = 50;
// A packet is sent again while its count of timeouts and acknowledgements of other
// blocks stays at or below these limits.
inline constexpr int kRequestTimeoutLimit = 5;
inline constexpr int kRequestOtherAckLimit = 2;
inline constexpr int kDataRetryLimit = 5;
// Replies that are neither ACK nor ERROR, and receives that fail, make the packet go
// out again without counting a retry. A peer that answers every packet that way (or
// a port that rejects each datagram at once) would keep a slice sending forever, so
// one packet is resent at most this many times for such reasons before the transfer
// gives up as if unanswered.
inline constexpr int kMaxUncountedResends = 50;

// Number of DATA blocks for an image: always one more than the whole blocks, so the
// last block is short (possibly empty) and ends the transfer.
constexpr std::uint64_t TftpBlockCount(std::uint64_t image_size) { return image_size / 512 + 1; }

// Runs one slice. The first (blockNumber 0) sends only the write request; each later
// one sends up to kBlocksPerSlice DATA blocks.
SliceOutcome TftpWriteSlice(DownloadJob& job, SOCKET sock, sockaddr_in& peer);

// How one received datagram is judged.
enum class TftpReply {
    Stray,           // not from the router (or not from its transfer port): ignored
    AckOfBlock,      // the awaited acknowledgement
    AckOfOtherBlock,
    Error,
    Unexpected,      // any other opcode, including an empty or failed receive
};

// Judges the first four bytes of a received packet (missing bytes read as 0) against
// the block awaited: 0 for the write request, else the full 32-bit block number.
TftpReply JudgeTftpPacket(std::span<const std::byte> packet, std::uint32_t blockNumber);

// The whole judgement of one datagram, as a slice makes it: `sender` against the
// router in `peer` (whose port counts once blockNumber is 1 or more), then the packet.
TftpReply JudgeTftpReply(std::span<const std::byte> datagram, const sockaddr_in& sender,
                         const sockaddr_in& peer, std::uint32_t blockNumber);

}  // namespace qx
