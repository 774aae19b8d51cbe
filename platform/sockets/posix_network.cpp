#include "platform/sockets/posix_network.h"

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <climits>

#include "platform/system/clock.h"
#include "platform/system/termination.h"

namespace qx {

namespace {

sockaddr_in ToSockaddr(const Endpoint& endpoint) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(endpoint.port);
    address.sin_addr.s_addr = htonl(endpoint.address);
    return address;
}

}  // namespace

int PosixNetwork::Socket() {
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    return fd < 0 ? -1 : fd;
}

int PosixNetwork::SendTo(int socket, std::span<const std::byte> datagram, const Endpoint& to) {
    const sockaddr_in address = ToSockaddr(to);
    ssize_t sent;
    do {
        sent = ::sendto(socket, datagram.data(), datagram.size(), 0,
                        reinterpret_cast<const sockaddr*>(&address), sizeof address);
    } while (sent < 0 && errno == EINTR);
    return sent < 0 ? -1 : static_cast<int>(sent);
}

WaitResult PosixNetwork::WaitReadable(int socket, std::uint64_t deadline_ms) {
    Clock& clock = CurrentClock();
    for (;;) {
        const std::uint64_t now = clock.NowMs();
        const std::uint64_t left = deadline_ms > now ? deadline_ms - now : 0;
        const int timeout =
            clock.IsVirtual() ? 0 : static_cast<int>(std::min<std::uint64_t>(left, INT_MAX));
        pollfd fds[2] = {{socket, POLLIN, 0}, {TerminationFd(), POLLIN, 0}};
        const nfds_t count = fds[1].fd >= 0 ? 2 : 1;
        const int ready = ::poll(fds, count, timeout);
        if (ready < 0) {
            if (errno == EINTR) continue;
            return WaitResult::Failed;
        }
        if (count == 2 && (fds[1].revents & POLLIN)) FinishTermination();
        if (fds[0].revents & POLLNVAL) return WaitResult::Failed;
        if (fds[0].revents & (POLLIN | POLLERR)) return WaitResult::Readable;
        if (clock.IsVirtual()) {
            // Nothing is waiting: a virtual clock jumps to the deadline.
            static_cast<VirtualClock&>(clock).AdvanceTo(deadline_ms);
            return WaitResult::TimedOut;
        }
        if (clock.NowMs() >= deadline_ms) return WaitResult::TimedOut;
    }
}

ReceiveResult PosixNetwork::RecvFrom(int socket, std::span<std::byte> buffer) {
    ReceiveResult result;
    sockaddr_in from{};
    socklen_t length = sizeof from;
    ssize_t got;
    do {
        // MSG_TRUNC gives the datagram's real length, so a cut one can be reported.
        got = ::recvfrom(socket, buffer.data(), buffer.size(), MSG_TRUNC | MSG_DONTWAIT,
                         reinterpret_cast<sockaddr*>(&from), &length);
    } while (got < 0 && errno == EINTR);
    if (got < 0) return result;
    result.truncated = static_cast<std::size_t>(got) > buffer.size();
    result.bytes = static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(got), buffer.size()));
    result.from = Endpoint{ntohl(from.sin_addr.s_addr), ntohs(from.sin_port)};
    return result;
}

bool PosixNetwork::Close(int socket) { return socket >= 0 && ::close(socket) == 0; }

}  // namespace qx
