// Waiting for the router's answer. Both exchanges wait the same way: up to 5 seconds
// from the moment the wait starts, for a datagram from the router. Any other sender
// could otherwise redirect the firmware or end the download, so a datagram from
// another address (and, once a transfer port is known, from another port) is dropped
// unread: it does not change the peer, does not restart the wait and counts for
// nothing (RFC 1350 section 4, without the ERROR reply).
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/sockets/winsock.h"

namespace qx {

inline constexpr std::uint32_t kReplyWaitMs = 5000;

// True when `sender` is the router named by `peer`: the same address and, when
// `match_port`, the same port.
bool IsFromRouter(const sockaddr_in& sender, const sockaddr_in& peer, bool match_port);

// Clears `buffer` and waits up to kReplyWaitMs for one datagram from the router,
// reading at most `size` bytes of it (a longer one is cut). On arrival the sender
// becomes `peer` and the result is true. A receive that fails leaves the buffer
// cleared and `peer` unchanged and still counts as an arrival. False: nothing usable
// came before the deadline.
bool ReceiveFromRouter(SOCKET sock, sockaddr_in& peer, char* buffer, std::size_t size, bool match_port);

}  // namespace qx
