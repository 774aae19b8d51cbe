#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "platform/system/resources.h"

namespace qx {

ResourceDirectory QxEmbedFixtureDirectory();

namespace {

std::string AsString(std::span<const std::byte> bytes) {
    return std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

// True when `address` lies in a mapping of this process that cannot be written.
bool InReadOnlyMapping(const void* address) {
    const auto where = reinterpret_cast<std::uintptr_t>(address);
    std::ifstream maps("/proc/self/maps");
    std::string line;
    while (std::getline(maps, line)) {
        unsigned long long begin = 0;
        unsigned long long end = 0;
        char perms[5] = {};
        if (std::sscanf(line.c_str(), "%llx-%llx %4s", &begin, &end, perms) != 3) continue;
        if (where >= begin && where < end) return perms[1] == '-';
    }
    return false;
}

TEST(EmbedResourcesTest, EntriesHoldTheFilesBytesInPlace) {
    const ResourceDirectory directory = QxEmbedFixtureDirectory();
    ASSERT_EQ(directory.size(), 3u);
    ScopedResourceDirectory scoped(directory);

    const auto image = ResourceBytes(MAKEINTRESOURCE(129), "bin");
    EXPECT_EQ(AsString(image), std::string("Q\0X\xFF\r\n", 6));
    EXPECT_TRUE(InReadOnlyMapping(image.data()));
    EXPECT_EQ(ResourceBytes(MAKEINTRESOURCE(129), "BIN").data(), image.data());  // not copied

    HRSRC empty = FindResource(nullptr, MAKEINTRESOURCE(130), "BIN");
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(SizeofResource(nullptr, empty), 0u);

    // Made at build time, typed by number, named by a name.
    EXPECT_EQ(AsString(ResourceBytes("AGREEMENT", RT_STRING)), "\x81\x9C\x8E\xB8\x94\x73");
    EXPECT_TRUE(directory[2].type.IsNumber());
    EXPECT_FALSE(directory[2].name.IsNumber());
}

}  // namespace
}  // namespace qx
