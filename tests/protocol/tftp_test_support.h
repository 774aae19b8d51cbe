// Packets and addresses shared by the transfer tests.
#pragma once

#include <cstdint>
#include <string>

#include "platform/sockets/winsock.h"
#include "platform/testing/scripted_network.h"

namespace qx::testing_support {

inline constexpr Endpoint kRouter = MakeEndpoint(192, 168, 0, 1, 69);
inline constexpr Endpoint kTransfer = MakeEndpoint(192, 168, 0, 1, 3001);
inline constexpr Endpoint kOtherHost = MakeEndpoint(192, 168, 0, 66, 3001);
inline constexpr Endpoint kOtherPort = MakeEndpoint(192, 168, 0, 1, 3002);

inline sockaddr_in ToSockaddr(const Endpoint& endpoint) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(endpoint.port);
    address.sin_addr.s_addr = htonl(endpoint.address);
    return address;
}

inline Endpoint ToEndpoint(const sockaddr_in& address) {
    return Endpoint{ntohl(address.sin_addr.s_addr), ntohs(address.sin_port)};
}

inline Bytes Ack(std::uint32_t block) { return ToBytes({0, 4, int(block >> 8) & 0xFF, int(block & 0xFF)}); }
inline Bytes ErrorPacket() { return ToBytes("\0\5\0\1disk full\0"); }
inline Bytes Unexpected() { return ToBytes({0, 9, 0, 0}); }
inline Bytes WriteRequest() { return ToBytes("\0\2firm\0octet\0\0"); }
inline Bytes Data(std::uint32_t block, std::size_t payload_size, std::uint8_t first = 0) {
    Bytes out = ToBytes({0, 3, int(block >> 8) & 0xFF, int(block & 0xFF)});
    for (std::size_t i = 0; i < payload_size; ++i) out.push_back(static_cast<std::byte>(first + i));
    return out;
}

}  // namespace qx::testing_support
