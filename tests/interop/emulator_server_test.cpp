// The emulator's own server behaviour, seen from a raw UDP peer: requests it must
// refuse (with the RFC 1350 error code), datagrams from a wrong port that it must
// ignore, and a repeated DATA block that it must acknowledge again without storing it
// twice. Runs in a private network namespace like the other interop tests.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/interop/interop_support.h"

namespace qx::interop {
namespace {

using Bytes = std::vector<std::uint8_t>;

// One client socket on 127.0.0.1 with a port of its own.
class RawPeer {
public:
    RawPeer() : fd_(socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0)) {}
    ~RawPeer() { close(fd_); }
    void SendTo(std::uint16_t port, const Bytes& bytes) const {
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(port);
        to.sin_addr.s_addr = htonl(0x7F000001);
        sendto(fd_, bytes.data(), bytes.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
    }
    // The next datagram within `ms`, with the port it came from; empty on silence.
    Bytes Receive(int ms, std::uint16_t* fromPort = nullptr) const {
        pollfd p{fd_, POLLIN, 0};
        if (poll(&p, 1, ms) <= 0) return {};
        Bytes buffer(600);
        sockaddr_in from{};
        socklen_t len = sizeof from;
        ssize_t n = recvfrom(fd_, buffer.data(), buffer.size(), 0, reinterpret_cast<sockaddr*>(&from), &len);
        buffer.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
        if (fromPort) *fromPort = ntohs(from.sin_port);
        return buffer;
    }

private:
    int fd_;
};

// Sized up front (g++ 12 takes an insert after a braced initialiser for an overflow).
Bytes Packet(std::uint16_t opcode, const std::string& rest) {
    Bytes p(2 + rest.size());
    p[0] = static_cast<std::uint8_t>(opcode >> 8);
    p[1] = static_cast<std::uint8_t>(opcode);
    std::copy(rest.begin(), rest.end(), p.begin() + 2);
    return p;
}
Bytes Data(std::uint16_t block, std::size_t n, std::uint8_t fill) {
    Bytes p(4 + n, fill);
    p[0] = 0;
    p[1] = 3;
    p[2] = static_cast<std::uint8_t>(block >> 8);
    p[3] = static_cast<std::uint8_t>(block);
    return p;
}
Bytes Ack(std::uint16_t block) { return {0, 4, static_cast<std::uint8_t>(block >> 8), static_cast<std::uint8_t>(block)}; }

class EmulatorServer : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = MakeTempDir("server");
        emulator_ = std::make_unique<ChildProcess>(
            std::vector<std::string>{QX_EMULATOR_PATH, "--verbose", "--output", (dir_ / "stored.bin").string()},
            dir_ / "emulator.log");
        ASSERT_TRUE(WaitForUdpPort(0x7F000001, 69, 5000)) << emulator_->Log();
    }
    void TearDown() override {
        emulator_->Terminate();
        const std::string log = emulator_->Log();
        EXPECT_EQ(log.find("Sanitizer"), std::string::npos) << log;
        emulator_.reset();
        std::filesystem::remove_all(dir_);
    }
    std::filesystem::path dir_;
    std::unique_ptr<ChildProcess> emulator_;
};

TEST_F(EmulatorServer, RefusesWhatItDoesNotServe) {
    struct Case {
        const char* what;
        Bytes request;
        std::uint16_t errorCode;  // RFC 1350
    };
    const Case cases[] = {
        {"read request", Packet(1, std::string("firm\0octet\0", 11)), 2},
        {"another file", Packet(2, std::string("boot\0octet\0", 11)), 2},
        {"netascii mode", Packet(2, std::string("firm\0netascii\0", 14)), 4},
        {"mode without terminator", Packet(2, std::string("firm\0octet", 10)), 4},
        {"no mode at all", Packet(2, std::string("firm", 4)), 4},
        {"one byte", Bytes{2}, 4},
        {"ACK to the server port", Ack(0), 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RawPeer peer;
        peer.SendTo(69, c.request);
        Bytes reply = peer.Receive(2000);
        ASSERT_GE(reply.size(), 5u);
        EXPECT_EQ(reply[1], 5) << "an ERROR packet";
        EXPECT_EQ((reply[2] << 8) | reply[3], c.errorCode);
        EXPECT_EQ(reply.back(), 0) << "a terminated message";
    }
    // Refusals leave the server serving: a proper request still gets ACK 0. ("OCTET":
    // the mode is matched without regard to case.)
    RawPeer peer;
    peer.SendTo(69, Packet(2, std::string("firm\0OCTET\0", 11)));
    EXPECT_EQ(peer.Receive(2000), Ack(0));
}

TEST_F(EmulatorServer, IgnoresOtherPortsAndReacknowledgesRepeats) {
    RawPeer client, intruder;
    client.SendTo(69, Packet(2, std::string("firm\0octet\0\0", 12)));
    std::uint16_t transferPort = 0;
    ASSERT_EQ(client.Receive(2000, &transferPort), Ack(0));
    EXPECT_NE(transferPort, 69);

    // A DATA block from another port is neither answered nor stored.
    intruder.SendTo(transferPort, Data(1, 512, 0xEE));
    EXPECT_TRUE(intruder.Receive(300).empty());

    client.SendTo(transferPort, Data(1, 512, 0x11));
    EXPECT_EQ(client.Receive(2000), Ack(1));
    client.SendTo(transferPort, Data(1, 512, 0x11));  // our ACK was "lost"
    EXPECT_EQ(client.Receive(2000), Ack(1));
    client.SendTo(transferPort, Data(3, 10, 0x33));  // out of order: ignored
    EXPECT_TRUE(client.Receive(300).empty());
    client.SendTo(transferPort, Data(2, 100, 0x22));
    EXPECT_EQ(client.Receive(2000), Ack(2));

    std::string expected(512, '\x11');
    expected.append(100, '\x22');
    for (int i = 0; i < 200 && !std::filesystem::exists(dir_ / "stored.bin"); ++i) usleep(10000);
    EXPECT_TRUE(ReadFile(dir_ / "stored.bin") == expected) << emulator_->Log();
}

}  // namespace
}  // namespace qx::interop
