#include "tools/emulator/udp_endpoint.h"

#include <arpa/inet.h>
#include <sys/socket.h>
#include <unistd.h>

namespace qx::emulator {

std::string FormatAddress(const sockaddr_in& addr) {
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &addr.sin_addr, text, sizeof text);
    return std::string(text) + ":" + std::to_string(ntohs(addr.sin_port));
}

bool SameAddress(const sockaddr_in& a, const sockaddr_in& b) {
    return a.sin_addr.s_addr == b.sin_addr.s_addr && a.sin_port == b.sin_port;
}

UdpEndpoint::~UdpEndpoint() {
    if (fd_ >= 0) close(fd_);
}

bool UdpEndpoint::Bind(const std::string& address, std::uint16_t port) {
    fd_ = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd_ < 0) return false;
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(port);
    if (inet_pton(AF_INET, address.c_str(), &local.sin_addr) != 1) return false;
    if (bind(fd_, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) return false;
    socklen_t len = sizeof local;
    if (getsockname(fd_, reinterpret_cast<sockaddr*>(&local), &len) != 0) return false;
    localPort_ = ntohs(local.sin_port);
    return true;
}

bool UdpEndpoint::Send(const sockaddr_in& to, std::span<const std::uint8_t> bytes) const {
    return sendto(fd_, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&to),
                  sizeof to) == static_cast<ssize_t>(bytes.size());
}

long UdpEndpoint::Receive(std::span<std::uint8_t> buffer, sockaddr_in& from) const {
    socklen_t len = sizeof from;
    // MSG_TRUNC reports the datagram's real length, so an oversized one can be told apart.
    ssize_t n = recvfrom(fd_, buffer.data(), buffer.size(), MSG_TRUNC,
                         reinterpret_cast<sockaddr*>(&from), &len);
    if (n < 0 || len != sizeof from || from.sin_family != AF_INET) return -1;
    return static_cast<long>(n);
}

}  // namespace qx::emulator
