// The download-mode command exchange: one command datagram with the router's password
// to UDP port 7, one reply. "OK" (with the router's firmware version) lets the
// transfer go on after a 5-second pause while the router restarts; when the image is
// not newer than the router's firmware the user is asked first. The socket and the
// peer address belong to the caller; the caller sets the peer's family and address,
// this exchange sets the port and leaves the reply's sender in the peer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "app/download_job.h"
#include "platform/sockets/winsock.h"

namespace qx {

inline constexpr std::uint16_t kCommandPort = 7;       // the router's command port
inline constexpr char kCommandWord[] = "launch472";     // the same for every router
inline constexpr std::size_t kReplyBufferSize = 256;    // longer replies are cut here
inline constexpr std::size_t kReplyVersionOffset = 3;   // after "OK" and its NUL
inline constexpr std::size_t kImageVersionCapacity = 10;  // 9 bytes and a NUL
inline constexpr std::uint32_t kRestartPauseMs = 5000;  // the router restarts meanwhile

// The datagram for `password`: command word, NUL, password, NUL. The buffer must hold
// CommandDatagramSize(password) bytes; returns that size.
std::size_t CommandDatagramSize(const char* password);
std::size_t BuildCommandDatagram(const char* password, char* out, std::size_t capacity);

// True: the router is in download mode and the transfer is to go on (after the
// pause). False: job.result holds 59159, 59158, 59162 or 59163.
bool RequestDownloadMode(DownloadJob& job, SOCKET sock, sockaddr_in& peer);

enum class ModeReply {
    Stray,           // not from the router's address: ignored
    Accepted,        // status text exactly "OK"
    Refused,         // status text exactly "NG"
    NotTargetModel,  // anything else, an empty status included
};

// Judges the status text of a reply (bytes up to the first NUL; missing bytes read as
// 0, a reply is looked at only up to kReplyBufferSize bytes).
ModeReply JudgeModeReplyStatus(std::span<const std::byte> reply);

// The whole judgement of one datagram: `sender` against the router's address in
// `peer` (any port), then the status text.
ModeReply JudgeModeReply(std::span<const std::byte> datagram, const sockaddr_in& sender, const sockaddr_in& peer);

}  // namespace qx
