// The real network: UDP over IPv4 with POSIX sockets. Waits use poll() with the time
// left until the deadline and also watch TerminationFd(), so a SIGTERM that arrives
// during a transfer restores the terminal at once instead of after the timeout.
#pragma once

#include "platform/sockets/network.h"

namespace qx {

class PosixNetwork final : public Network {
public:
    int Socket() override;
    int SendTo(int socket, std::span<const std::byte> datagram, const Endpoint& to) override;
    // With a virtual current clock nothing really sleeps: the socket is polled once
    // and, when nothing is waiting, the clock is moved to the deadline.
    WaitResult WaitReadable(int socket, std::uint64_t deadline_ms) override;
    ReceiveResult RecvFrom(int socket, std::span<std::byte> buffer) override;
    bool Close(int socket) override;
};

}  // namespace qx
