#include "platform/sockets/winsock.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>

#include "platform/testing/scripted_network.h"

namespace qx {
namespace {

TEST(InetAddr, ParsesDottedNotationLikeThePlatform) {
    struct Case {
        const char* text;
        u_long host_order;  // INADDR_NONE for a text that is not an address
    };
    const Case cases[] = {
        {"192.168.0.1", 0xC0A80001},     {"10.0.0.5", 0x0A000005},   {"0.0.0.0", 0},
        {"127.1", 0x7F000001},            {"10.1.2", 0x0A010002},     {"3232235521", 0xC0A80001},
        {"0x7f.0.0.1", 0x7F000001},       {"010.0.0.1", 0x08000001},  {"1.2.0x10203", INADDR_NONE},
        {"1.2.0xFFFF", 0x0102FFFF},       {"255.255.255.255", INADDR_NONE},
        {"", INADDR_NONE},                {"QX210-NODE", INADDR_NONE}, {"256.0.0.1", INADDR_NONE},
        {"1.2.3.4.5", INADDR_NONE},       {"1..2.3", INADDR_NONE},    {"1.2.3.", INADDR_NONE},
        {"1.2.3.4 ", INADDR_NONE},        {"08.1.1.1", INADDR_NONE},  {"0x", INADDR_NONE},
        {"4294967296", INADDR_NONE},      {"99999999999999999999", INADDR_NONE}, {"-1.2.3.4", INADDR_NONE},
    };
    for (const Case& c : cases) {
        const u_long expected = c.host_order == INADDR_NONE ? INADDR_NONE : htonl(c.host_order);
        EXPECT_EQ(inet_addr(c.text), expected) << '"' << c.text << '"';
    }
    EXPECT_EQ(inet_addr(nullptr), INADDR_NONE);
}

TEST(SocketAddress, HasTheWireLayout) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(69);
    address.sin_addr.s_addr = inet_addr("192.168.0.1");
    unsigned char bytes[16];
    std::memcpy(bytes, &address, sizeof bytes);
    const unsigned char expected[16] = {2, 0, 0, 69, 192, 168, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(0, std::memcmp(bytes + 2, expected + 2, 14));  // family is host order, the rest is wire order
    EXPECT_EQ(ntohs(htons(0x1234)), 0x1234);
}

TEST(WsaStartup, OffersVersionsFromOneOne) {
    WSADATA data;
    EXPECT_EQ(WSAStartup(MAKEWORD(1, 1), &data), 0);
    EXPECT_EQ(data.wVersion, MAKEWORD(1, 1));
    EXPECT_EQ(WSAStartup(MAKEWORD(1, 0), &data), WSAVERNOTSUPPORTED);
    EXPECT_EQ(WSAStartup(MAKEWORD(3, 0), &data), 0);
    EXPECT_EQ(data.wVersion, MAKEWORD(2, 2));

    VirtualClock clock;
    ScriptedNetwork network(clock);
    ScopedNetwork scoped(network);
    network.FailStartup(true);
    EXPECT_NE(WSAStartup(MAKEWORD(1, 1), &data), 0);
}

class ScriptedSocketTest : public ::testing::Test {
protected:
    static constexpr Endpoint kPeer = MakeEndpoint(10, 0, 0, 5, 7);
    VirtualClock clock_{1000};
    ScopedClock scoped_clock_{clock_};

    static int Wait(SOCKET sock, long seconds, long microseconds) {
        fd_set set;
        FD_ZERO(&set);
        FD_SET(sock, &set);
        const timeval timeout{seconds, microseconds};
        const int ready = select(0, &set, nullptr, nullptr, &timeout);
        return ready > 0 && FD_ISSET(sock, &set) ? 1 : ready;
    }
};

TEST_F(ScriptedSocketTest, SelectWaitsOnTheVirtualClock) {
    ScriptedNetwork network(clock_, {Out(ToBytes("hi"), kPeer), InAfter(1500, ToBytes("OK"), kPeer)});
    ScopedNetwork scoped(network);
    const SOCKET sock = socket(AF_INET, SOCK_DGRAM, 0);
    ASSERT_NE(sock, INVALID_SOCKET);

    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(7);
    to.sin_addr.s_addr = inet_addr("10.0.0.5");
    EXPECT_EQ(sendto(sock, "hi", 2, 0, reinterpret_cast<sockaddr*>(&to), sizeof to), 2);

    EXPECT_EQ(Wait(sock, 1, 499'000), 0);  // one millisecond before the arrival
    EXPECT_EQ(clock_.NowMs(), 2499u);
    EXPECT_EQ(Wait(sock, 0, 1), 1);        // a microsecond rounds up to the arrival's millisecond
    EXPECT_EQ(clock_.NowMs(), 2500u);
    EXPECT_EQ(Wait(sock, 5, 0), 1);        // still unread, no time passes
    EXPECT_EQ(closesocket(sock), 0);
    EXPECT_EQ(closesocket(sock), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAENOTSOCK);
    EXPECT_TRUE(network.Problems().empty());
}

TEST_F(ScriptedSocketTest, ReceiveCutsALongDatagramAndNamesTheSender) {
    ScriptedNetwork network(clock_, {In(ToBytes("0123456789"), MakeEndpoint(10, 0, 0, 9, 4242)), InFailure()});
    ScopedNetwork scoped(network);
    const SOCKET sock = socket(AF_INET, SOCK_DGRAM, 0);

    char buffer[5] = {};
    sockaddr_in from{};
    int from_length = sizeof from;
    EXPECT_EQ(recvfrom(sock, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &from_length),
              SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAEMSGSIZE);
    EXPECT_EQ(std::string(buffer, 5), "01234");
    EXPECT_EQ(from.sin_family, AF_INET);
    EXPECT_EQ(from.sin_port, htons(4242));
    EXPECT_EQ(from.sin_addr.s_addr, inet_addr("10.0.0.9"));
    EXPECT_EQ(from_length, 16);

    // The scripted failing receive, then nothing left: both fail.
    EXPECT_EQ(recvfrom(sock, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &from_length),
              SOCKET_ERROR);
    EXPECT_EQ(recvfrom(sock, buffer, sizeof buffer, 0, nullptr, nullptr), SOCKET_ERROR);
    closesocket(sock);
}

TEST_F(ScriptedSocketTest, BadArgumentsFailCleanly) {
    ScriptedNetwork network(clock_);
    ScopedNetwork scoped(network);
    EXPECT_EQ(socket(AF_INET, 1 /* stream */, 0), INVALID_SOCKET);
    EXPECT_EQ(socket(23, SOCK_DGRAM, 0), INVALID_SOCKET);
    const SOCKET sock = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    ASSERT_NE(sock, INVALID_SOCKET);

    sockaddr_in to{};
    to.sin_family = AF_INET;
    EXPECT_EQ(sendto(sock, "x", 1, 0, nullptr, 0), SOCKET_ERROR);
    EXPECT_EQ(sendto(sock, "x", 1, 0, reinterpret_cast<sockaddr*>(&to), 8), SOCKET_ERROR);
    EXPECT_EQ(sendto(INVALID_SOCKET, "x", 1, 0, reinterpret_cast<sockaddr*>(&to), sizeof to), SOCKET_ERROR);
    char buffer[4];
    sockaddr_in from;
    int short_length = 8;
    EXPECT_EQ(recvfrom(sock, buffer, 4, 0, reinterpret_cast<sockaddr*>(&from), &short_length), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAEFAULT);

    fd_set empty;
    FD_ZERO(&empty);
    const timeval timeout{1, 0};
    EXPECT_EQ(select(0, &empty, nullptr, nullptr, &timeout), SOCKET_ERROR);
    fd_set two;
    FD_ZERO(&two);
    FD_SET(sock, &two);
    FD_SET(sock, &two);  // the same socket twice is one entry
    EXPECT_EQ(two.fd_count, 1u);
    FD_SET(sock + 1, &two);
    EXPECT_EQ(select(0, &two, nullptr, nullptr, &timeout), SOCKET_ERROR);
    EXPECT_EQ(clock_.NowMs(), 1000u);  // no failed call waited
    closesocket(sock);
}

TEST_F(ScriptedSocketTest, SocketCreationCanFail) {
    ScriptedNetwork network(clock_);
    ScopedNetwork scoped(network);
    network.FailSocket(true);
    EXPECT_EQ(socket(AF_INET, SOCK_DGRAM, 0), INVALID_SOCKET);
}

}  // namespace
}  // namespace qx
