#include "protocol/firmware_version.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace qx {
namespace {

TEST(NormalizeVersionText, CutsToBaseAndSuffix) {
    struct Case {
        const char* received;
        const char* normalised;
    };
    const Case cases[] = {
        {"1.02", "1.02"},       {"1.02 beta", "1.02"}, {"1.02-1", "1.02"},   {"1.02a", "1.02a"},
        {"1.02ab", "1.02a"},    {"1.02a12", "1.02a1"}, {"1.02B3x", "1.02B3"}, {"1.2a", "1.2a"},
        {"V1.02", "V1.02"},     {"", ""},              {"1.0", "1.0"},       {"1.02\x82\xA0", "1.02"},
        {"1.02a\x82", "1.02a"},
    };
    for (const Case& c : cases) {
        char text[32];
        std::strcpy(text, c.received);
        NormalizeVersionText(text);
        EXPECT_STREQ(text, c.normalised) << "received " << c.received;
    }
    NormalizeVersionText(nullptr);  // ignored
}

// The text is laid in a buffer of exactly its own size (no slack) and guarded by
// sentinels: nothing past the terminator may be read or written.
TEST(NormalizeVersionText, NeverTouchesBytesAfterTheTerminator) {
    const char* texts[] = {"", "1", "1.", "1.0", "1.02", "1.02a", "1.02a1", "1.02ab"};
    for (const char* text : texts) {
        const std::size_t size = std::strlen(text) + 1;
        std::string buffer(text, size);
        buffer += "\xEE\xEE\xEE\xEE\xEE\xEE\xEE";
        NormalizeVersionText(buffer.data());
        EXPECT_EQ(buffer.substr(size), "\xEE\xEE\xEE\xEE\xEE\xEE\xEE") << text;
        // Under ASan this also fails on a read past the end of an exact-size heap copy.
        char* exact = new char[size];
        std::memcpy(exact, text, size);
        NormalizeVersionText(exact);
        delete[] exact;
    }
}

TEST(CompareFirmwareVersions, OrdersTheImageAgainstRouterTexts) {
    struct Case {
        const char* router;  // as received; normalised before comparing
        bool image_newer;
    };
    const Case cases[] = {
        {"1.01", true},   {"1.01Z9", true}, {"1.02", false},  {"1.02 beta", false}, {"1.02a", true},
        {"1.02a9", true}, {"1.02A", false}, {"1.02B3x", false}, {"1.03", false},    {"1.0", true},
        {"1.1", false},   {"10.00", false}, {"2.0", false},   {"V1.00", false},     {"1.02\x82\xA0", false},
        {"\x82\x50.00", false},
    };
    for (const Case& c : cases) {
        char router[32];
        std::strcpy(router, c.router);
        NormalizeVersionText(router);
        EXPECT_EQ(CompareFirmwareVersions("1.02", router) > 0, c.image_newer) << "router " << c.router;
    }
}

TEST(CompareFirmwareVersions, PairsOfVersions) {
    struct Case {
        const char* a;
        const char* b;
        int sign;
    };
    const Case cases[] = {
        {"1.02b", "1.02a1", 1}, {"1.02a", "1.02a1", -1}, {"1.02a1", "1.02a", 1}, {"1.02A", "1.02b", 1},
        {"1.02B", "1.02A9", 1}, {"1.02A", "1.02A", 0},   {"1.02", "1.02z", 1},   {"1.02", "1.02", 0},
        {"1.0", "1.0", 0},      {"", "", 0},             {"", "1.02", -1},
    };
    for (const Case& c : cases) {
        const int got = CompareFirmwareVersions(c.a, c.b);
        EXPECT_EQ((got > 0) - (got < 0), c.sign) << c.a << " vs " << c.b;
        const int back = CompareFirmwareVersions(c.b, c.a);
        EXPECT_EQ((back > 0) - (back < 0), -c.sign) << c.b << " vs " << c.a;
    }
    EXPECT_EQ(CompareFirmwareVersions(nullptr, ""), 0);
}

// The chain from the documentation of the ordering, checked pairwise in order.
TEST(CompareFirmwareVersions, ChainIsStrictlyIncreasing) {
    const char* chain[] = {"1.02a", "1.02a1", "1.02b", "1.02", "1.02A", "1.02A1", "1.02B", "1.03a", "1.03"};
    for (std::size_t i = 0; i + 1 < std::size(chain); ++i)
        EXPECT_LT(CompareFirmwareVersions(chain[i], chain[i + 1]), 0) << chain[i] << " < " << chain[i + 1];
}

}  // namespace
}  // namespace qx
