#include "platform/system/resources.h"

#include <gtest/gtest.h>

namespace qx {
namespace {

const std::byte kImage[] = {std::byte{1}, std::byte{2}, std::byte{3}};
const ResourceEntry kEntries[] = {
    {"BIN", 129, kImage, sizeof kImage},
    {RT_BITMAP, "STARTBMP", kImage, 2},
};

TEST(ResourcesTest, LookupHandsOutTheBytesInPlace) {
    ScopedResourceDirectory scoped(kEntries);
    HRSRC found = FindResource(nullptr, MAKEINTRESOURCE(129), "bin");
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(LockResource(LoadResource(nullptr, found)), kImage);
    EXPECT_EQ(SizeofResource(nullptr, found), 3u);
    EXPECT_EQ(ResourceBytes("startbmp", RT_BITMAP).size(), 2u);

    EXPECT_EQ(FindResource(nullptr, MAKEINTRESOURCE(130), "BIN"), nullptr);
    EXPECT_EQ(FindResource(nullptr, "129", "BIN"), nullptr);  // a name is not a number
    EXPECT_EQ(LockResource(LoadResource(nullptr, nullptr)), nullptr);
    EXPECT_EQ(SizeofResource(nullptr, nullptr), 0u);
}

}  // namespace
}  // namespace qx
