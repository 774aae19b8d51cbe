// A bound IPv4 datagram socket for the emulator, owned RAII-style, and the address
// helpers it needs. Every send goes to an address that a datagram came from.
#pragma once

#include <netinet/in.h>

#include <cstdint>
#include <span>
#include <string>

namespace qx::emulator {

std::string FormatAddress(const sockaddr_in& addr);
bool SameAddress(const sockaddr_in& a, const sockaddr_in& b);

class UdpEndpoint {
public:
    UdpEndpoint() = default;
    ~UdpEndpoint();
    UdpEndpoint(const UdpEndpoint&) = delete;
    UdpEndpoint& operator=(const UdpEndpoint&) = delete;

    // Binds to `address`:`port` (port 0: the system picks one). False with errno set.
    bool Bind(const std::string& address, std::uint16_t port);
    int Fd() const { return fd_; }
    std::uint16_t LocalPort() const { return localPort_; }
    bool Send(const sockaddr_in& to, std::span<const std::uint8_t> bytes) const;
    // One datagram into `buffer`; returns its full length (may exceed the buffer when
    // it was cut) or -1 when nothing could be read.
    long Receive(std::span<std::uint8_t> buffer, sockaddr_in& from) const;

private:
    int fd_ = -1;
    std::uint16_t localPort_ = 0;
};

}  // namespace qx::emulator
