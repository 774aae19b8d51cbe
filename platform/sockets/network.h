// The network seam. Every datagram the program sends or receives goes through the
// current Network: the real one is PosixNetwork (UDP over IPv4); tests install a
// ScriptedNetwork (platform/testing/scripted_network.h) that plays a peer in-process
// against the virtual clock. The Windows-Sockets-shaped calls in
// platform/sockets/winsock.h are thin adapters over this interface.
//
// Handles are small non-negative integers owned by the Network that made them; the
// caller closes what it opened. Addresses and ports here are in host byte order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace qx {

struct Endpoint {
    std::uint32_t address = 0;  // IPv4, host byte order (127.0.0.1 is 0x7F000001)
    std::uint16_t port = 0;     // host byte order
    friend bool operator==(const Endpoint&, const Endpoint&) = default;
};

// "a.b.c.d:port", for test output and diagnostics.
std::string ToString(const Endpoint& endpoint);
constexpr Endpoint MakeEndpoint(std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d,
                                std::uint16_t port) {
    return Endpoint{(std::uint32_t{a} << 24) | (std::uint32_t{b} << 16) | (std::uint32_t{c} << 8) | d,
                    port};
}

enum class WaitResult { Readable, TimedOut, Failed };

struct ReceiveResult {
    int bytes = -1;          // bytes stored into the buffer; -1 when the receive failed
    bool truncated = false;  // the datagram was longer than the buffer and was cut
    Endpoint from;           // the sender; meaningful only when bytes >= 0
};

class Network {
public:
    virtual ~Network() = default;
    // Starting the socket layer; false makes WSAStartup fail.
    virtual bool Startup() { return true; }
    // A new unbound UDP socket; the system picks its local port at the first send.
    // Returns -1 on failure.
    virtual int Socket() = 0;
    // Sends one datagram. Returns the bytes sent or -1.
    virtual int SendTo(int socket, std::span<const std::byte> datagram, const Endpoint& to) = 0;
    // Waits until a datagram can be read or the current clock reaches `deadline_ms`
    // (CurrentClock().NowMs() time). A deadline already past still reports a datagram
    // that is waiting.
    virtual WaitResult WaitReadable(int socket, std::uint64_t deadline_ms) = 0;
    // Reads one datagram into `buffer` without waiting, cutting it at the buffer's size.
    virtual ReceiveResult RecvFrom(int socket, std::span<std::byte> buffer) = 0;
    // Returns false for a handle that is not open.
    virtual bool Close(int socket) = 0;
};

// The network the socket calls use. Defaults to a process-wide PosixNetwork.
Network& CurrentNetwork();

// Installs `network` as the current network for the life of the object (tests).
class ScopedNetwork {
public:
    explicit ScopedNetwork(Network& network);
    ~ScopedNetwork();
    ScopedNetwork(const ScopedNetwork&) = delete;
    ScopedNetwork& operator=(const ScopedNetwork&) = delete;

private:
    Network* previous_;
};

}  // namespace qx
