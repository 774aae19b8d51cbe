#include "protocol/router_wait.h"

#include <cstring>

#include "platform/system/clock.h"

namespace qx {

bool IsFromRouter(const sockaddr_in& sender, const sockaddr_in& peer, bool match_port) {
    if (sender.sin_addr.s_addr != peer.sin_addr.s_addr) return false;
    return !match_port || sender.sin_port == peer.sin_port;
}

bool ReceiveFromRouter(SOCKET sock, sockaddr_in& peer, char* buffer, std::size_t size, bool match_port) {
    Clock& clock = CurrentClock();
    const std::uint64_t deadline = clock.NowMs() + kReplyWaitMs;
    for (;;) {
        const std::uint64_t now = clock.NowMs();
        const std::uint64_t left = deadline > now ? deadline - now : 0;
        std::memset(buffer, 0, size);
        fd_set read_set;
        FD_ZERO(&read_set);
        FD_SET(sock, &read_set);
        timeval timeout{static_cast<long>(left / 1000), static_cast<long>(left % 1000) * 1000};
        if (select(0, &read_set, nullptr, nullptr, &timeout) <= 0 || !FD_ISSET(sock, &read_set)) return false;

        // A failed receive leaves `from` as the peer: it reads as an empty datagram
        // from the router.
        sockaddr_in from = peer;
        int from_length = sizeof from;
        const int got = recvfrom(sock, buffer, static_cast<int>(size), 0, reinterpret_cast<sockaddr*>(&from),
                                 &from_length);
        if (got == SOCKET_ERROR && WSAGetLastError() != WSAEMSGSIZE) {
            std::memset(buffer, 0, size);
            from = peer;
        }
        if (IsFromRouter(from, peer, match_port)) {
            peer = from;
            return true;
        }
        // A stray datagram: keep waiting, but only until the original deadline.
        if (clock.NowMs() >= deadline) {
            std::memset(buffer, 0, size);
            return false;
        }
    }
}

}  // namespace qx
