#include "protocol/tftp_write.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "protocol/protocol_failures.h"
#include "protocol/router_wait.h"
#include "protocol/tftp_wire.h"

namespace qx {

namespace {

struct RetryRules {
    int timeout_limit;
    int other_ack_limit;
    ProtocolFailure other_ack_failure;
};

constexpr RetryRules kRequestRules{kRequestTimeoutLimit, kRequestOtherAckLimit, ProtocolFailure::RequestWrongBlock};
constexpr RetryRules kDataRules{kDataRetryLimit, kDataRetryLimit, ProtocolFailure::NoAck};

// Sends `packet` until the server acknowledges `block`. The peer's port is fixed once
// the transfer port is known (every block after the write request).
std::optional<ProtocolFailure> ExchangeUntilAck(SOCKET sock, sockaddr_in& peer, const char* packet,
                                                std::size_t length, std::uint32_t block, const RetryRules& rules) {
    const bool match_port = block != 0;
    int retries = 0;
    int uncounted = 0;
    char reply[kTftpPacketSize];
    for (;;) {
        // A failed send is not looked at: it shows up as a timeout.
        sendto(sock, packet, static_cast<int>(length), 0, reinterpret_cast<const sockaddr*>(&peer), sizeof peer);
        if (!ReceiveFromRouter(sock, peer, reply, sizeof reply, match_port)) {
            if (++retries <= rules.timeout_limit) continue;
            return ProtocolFailure::NoAck;
        }
        switch (JudgeTftpPacket(std::as_bytes(std::span(reply)), block)) {
            case TftpReply::AckOfBlock:
                return std::nullopt;
            case TftpReply::AckOfOtherBlock:
                // Also a late ACK of the previous block: the current one goes out again.
                if (++retries <= rules.other_ack_limit) continue;
                return rules.other_ack_failure;
            case TftpReply::Error:
                return ProtocolFailure::ErrorPacket;
            case TftpReply::Unexpected:
            case TftpReply::Stray:
                if (++uncounted <= kMaxUncountedResends) continue;
                return ProtocolFailure::EndlessUnexpected;
        }
    }
}

std::optional<ProtocolFailure> RequestPhase(SOCKET sock, sockaddr_in& peer) {
    char request[kWriteRequestSize] = {};
    auto* bytes = reinterpret_cast<unsigned char*>(request);
    PutU16(bytes, static_cast<std::uint16_t>(TftpOpcode::WriteRequest));
    std::memcpy(request + 2, kFirmwareFileName, sizeof kFirmwareFileName);  // with its NUL
    std::memcpy(request + 2 + sizeof kFirmwareFileName, kTransferMode, sizeof kTransferMode);
    static_assert(2 + sizeof kFirmwareFileName + sizeof kTransferMode + 1 == kWriteRequestSize);
    return ExchangeUntilAck(sock, peer, request, sizeof request, 0, kRequestRules);
}

SliceOutcome Fail(DownloadJob& job, ProtocolFailure failure) {
    job.result = ResultCodeFor(failure);
    return SLICE_FAILED;
}

}  // namespace

TftpReply JudgeTftpPacket(std::span<const std::byte> packet, std::uint32_t blockNumber) {
    unsigned char header[kTftpHeaderSize] = {};
    if (!packet.empty()) std::memcpy(header, packet.data(), std::min(packet.size(), sizeof header));
    switch (static_cast<TftpOpcode>(GetU16(header))) {
        case TftpOpcode::Ack:
            return GetU16(header + 2) == blockNumber ? TftpReply::AckOfBlock : TftpReply::AckOfOtherBlock;
        case TftpOpcode::Error:
            return TftpReply::Error;
        default:
            return TftpReply::Unexpected;
    }
}

TftpReply JudgeTftpReply(std::span<const std::byte> datagram, const sockaddr_in& sender, const sockaddr_in& peer,
                         std::uint32_t blockNumber) {
    if (!IsFromRouter(sender, peer, blockNumber != 0)) return TftpReply::Stray;
    return JudgeTftpPacket(datagram.first(std::min(datagram.size(), kTftpPacketSize)), blockNumber);
}

SliceOutcome TftpWriteSlice(DownloadJob& job, SOCKET sock, sockaddr_in& peer) {
    if (job.blockNumber == 0) {
        if (auto failure = RequestPhase(sock, peer)) return Fail(job, *failure);
        job.blockNumber = 1;  // the first slice never sends data, however fast the ACK
        return SLICE_MORE;
    }

    const std::uint64_t blocks = TftpBlockCount(job.imageSize);
    char packet[kTftpPacketSize];
    for (int built = 0; job.blockNumber <= blocks && built < kBlocksPerSlice; ++built) {
        const std::uint64_t left = job.imageSize > job.bytesSent ? job.imageSize - job.bytesSent : 0;
        const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(left, kTftpBlockSize));
        if (n > 0 && job.imageCursor == nullptr) return Fail(job, ProtocolFailure::NoImage);

        std::memset(packet, 0, sizeof packet);
        auto* bytes = reinterpret_cast<unsigned char*>(packet);
        PutU16(bytes, static_cast<std::uint16_t>(TftpOpcode::Data));
        // Past block 65,535 the number wraps to 0 and no ACK can match it.
        PutU16(bytes + 2, static_cast<std::uint16_t>(job.blockNumber & 0xFFFF));
        if (n > 0) std::memcpy(packet + kTftpHeaderSize, job.imageCursor, n);
        job.imageCursor += n;
        job.bytesSent += n;

        if (auto failure = ExchangeUntilAck(sock, peer, packet, kTftpHeaderSize + n, job.blockNumber, kDataRules))
            return Fail(job, *failure);
        ++job.blockNumber;
    }
    return job.blockNumber > blocks ? SLICE_FINISHED : SLICE_MORE;
}

}  // namespace qx
