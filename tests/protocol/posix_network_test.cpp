// The real network's waits: a virtual clock is moved instead of sleeping, and a
// termination signal ends a wait at once through the cleanups.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>

#include "platform/sockets/winsock.h"
#include "platform/system/clock.h"
#include "platform/system/termination.h"

namespace qx {
namespace {

int WaitOn(SOCKET sock, long seconds) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(sock, &set);
    const timeval timeout{seconds, 0};
    return select(0, &set, nullptr, nullptr, &timeout);
}

TEST(PosixNetwork, WaitWithAVirtualClockJumpsToTheDeadline) {
    VirtualClock clock(100);
    ScopedClock scoped(clock);
    const SOCKET sock = socket(AF_INET, SOCK_DGRAM, 0);
    ASSERT_NE(sock, INVALID_SOCKET);
    EXPECT_EQ(WaitOn(sock, 5), 0);
    EXPECT_EQ(clock.NowMs(), 5100u);
    EXPECT_EQ(closesocket(sock), 0);
}

TEST(PosixNetworkDeathTest, TerminationEndsAWaitAndRestoresAtOnce) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            InstallTerminationHandlers();
            AddTerminationCleanup([] { std::fputs("cleanups ran\n", stderr); });
            const SOCKET sock = socket(AF_INET, SOCK_DGRAM, 0);
            std::raise(SIGTERM);  // pending before the wait starts
            WaitOn(sock, 20);
            std::fputs("the wait ran out\n", stderr);
            std::exit(0);
        },
        ::testing::KilledBySignal(SIGTERM), "cleanups ran");
}

}  // namespace
}  // namespace qx
