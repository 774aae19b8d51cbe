#include "platform/system/clock.h"

#include <gtest/gtest.h>

namespace qx {
namespace {

TEST(VirtualClockTest, MovesOnlyWhenAskedAndTickWrapsAt32Bits) {
    VirtualClock clock(0xFFFFFFFFull - 100);
    ScopedClock scoped(clock);
    const std::uint32_t start = GetTickCount();
    Sleep(300);
    EXPECT_EQ(clock.NowMs(), 0xFFFFFFFFull + 200);
    EXPECT_EQ(static_cast<std::uint32_t>(GetTickCount() - start), 300u);
    clock.AdvanceTo(5);  // the past: no change
    EXPECT_EQ(clock.NowMs(), 0xFFFFFFFFull + 200);
}

}  // namespace
}  // namespace qx
