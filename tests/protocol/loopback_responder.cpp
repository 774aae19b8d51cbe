#include "tests/protocol/loopback_responder.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

namespace qx::testing_support {

namespace {

// Real time is only a safety net here: a broken transfer must not hang the suite.
constexpr int kGiveUpMs = 20000;

int BoundSocket() {
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    return fd;
}

std::uint16_t PortOf(int fd) {
    sockaddr_in address{};
    socklen_t length = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    return ntohs(address.sin_port);
}

// One datagram, or -1 after kGiveUpMs.
ssize_t Receive(int fd, unsigned char* buffer, std::size_t size, sockaddr_in& from) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, kGiveUpMs) <= 0) return -1;
    socklen_t length = sizeof from;
    return ::recvfrom(fd, buffer, size, 0, reinterpret_cast<sockaddr*>(&from), &length);
}

void SendAck(int fd, const sockaddr_in& to, std::uint16_t block) {
    const unsigned char ack[4] = {0, 4, static_cast<unsigned char>(block >> 8), static_cast<unsigned char>(block)};
    ::sendto(fd, ack, sizeof ack, 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
}

}  // namespace

LoopbackTftpResponder::LoopbackTftpResponder(std::uint16_t stray_before_block)
    : stray_before_block_(stray_before_block) {
    listen_fd_ = BoundSocket();
    port_ = PortOf(listen_fd_);
    thread_ = std::thread([this] { Serve(); });
}

LoopbackTftpResponder::~LoopbackTftpResponder() {
    Join();
    if (listen_fd_ >= 0) ::close(listen_fd_);
}

void LoopbackTftpResponder::Join() {
    if (thread_.joinable()) thread_.join();
}

void LoopbackTftpResponder::Serve() {
    unsigned char packet[600];
    sockaddr_in client{};
    const ssize_t got = Receive(listen_fd_, packet, sizeof packet, client);
    static const unsigned char kRequest[14] = {0, 2, 'f', 'i', 'r', 'm', 0, 'o', 'c', 't', 'e', 't', 0, 0};
    if (got != 14 || std::memcmp(packet, kRequest, 14) != 0) {
        failure_ = "no 14-byte write request";
        return;
    }
    const int transfer_fd = BoundSocket();
    const int stray_fd = BoundSocket();
    SendAck(transfer_fd, client, 0);
    for (std::uint16_t block = 1;; ++block) {
        sockaddr_in from{};
        const ssize_t n = Receive(transfer_fd, packet, sizeof packet, from);
        if (n < 4 || packet[0] != 0 || packet[1] != 3 || ((packet[2] << 8) | packet[3]) != block) {
            failure_ = "block " + std::to_string(block) + " missing or wrong";
            break;
        }
        image_.insert(image_.end(), packet + 4, packet + n);
        if (block == stray_before_block_) {
            static const unsigned char kError[] = {0, 5, 0, 0, 's', 't', 'r', 'a', 'y', 0};
            ::sendto(stray_fd, kError, sizeof kError, 0, reinterpret_cast<const sockaddr*>(&from), sizeof from);
        }
        SendAck(transfer_fd, from, block);
        if (n < 516) break;
    }
    ::close(stray_fd);
    ::close(transfer_fd);
}

}  // namespace qx::testing_support
