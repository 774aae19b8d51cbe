#include "platform/strings/format.h"

#include <vector>

#include <gtest/gtest.h>

#include "platform/system/resources.h"

namespace qx {
namespace {

struct FormatCase {
    const char* name;
    std::string text;
    std::vector<const char*> args;
    std::string expected;
};

class FormatTest : public ::testing::TestWithParam<FormatCase> {};

TEST_P(FormatTest, AppliesThePlaceholderRule) {
    const FormatCase& c = GetParam();
    EXPECT_EQ(FormatMessageText(c.text, c.args), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rule, FormatTest,
    ::testing::Values(
        FormatCase{"OneArg", "\"%1\" ok", {"10.0.0.5"}, "\"10.0.0.5\" ok"},
        FormatCase{"TwoArgsAnyOrder", "%2 then %1", {"a", "b"}, "b then a"},
        FormatCase{"RepeatedPlaceholder", "%1%1", {"x"}, "xx"},
        FormatCase{"NumberBeyondCount", "%1 %2 %9", {"a"}, "a ? ?"},
        FormatCase{"NullArgInsertsNothing", "[%1][%2]", {nullptr, "b"}, "[][b]"},
        FormatCase{"ArgumentsNotRescanned", "%1/%2", {"%2", "%1"}, "%2/%1"},
        FormatCase{"DoublePercentThenPlaceholder", "%%1", {"a"}, "%a"},
        FormatCase{"PercentZeroAndLetter", "%0 %a %", {"a"}, "%0 %a %"},
        FormatCase{"PercentAtEnd", "100%", {"a"}, "100%"},
        FormatCase{"UnusedArgumentsNotShown", "done", {"a", "70002"}, "done"},
        // 0x81 0x25 is one character: its second byte is not a "%".
        FormatCase{"TrailBytePercent", "\x81%1", {"a"}, "\x81%1"},
        // A real character before a placeholder leaves the placeholder intact.
        FormatCase{"DoubleByteBeforePlaceholder", "\x81\x75%1\x81\x76", {"a"},
                   "\x81\x75" "a\x81\x76"},
        FormatCase{"HalfWidthKatakanaIsSingleByte", "\xB4\xD7%2", {"a", "b"}, "\xB4\xD7" "b"},
        FormatCase{"LeadByteAtEnd", "%1\x81", {"a"}, "a\x81"},
        FormatCase{"LeadByteBeforePercentAtEnd", "\x81%", {}, "\x81%"},
        FormatCase{"Empty", "", {"a"}, ""}),
    [](const auto& info) { return std::string(info.param.name); });

constexpr UINT kFailed = 59145;
constexpr UINT kCancelled = 59143;
constexpr UINT kLong = 7;
constexpr UINT kWithNul = 8;

// ""%1"のQX210-NODEへの...（ｴﾗｰ番号：%2）" shortened to its placeholders' surroundings.
const std::string kFailedText = "\"%1\"\x82\xCC\x81\x69\xB4\xD7\xB0\x94\xD4\x8D\x86\x81\x46%2\x81\x6A";
const std::string kCancelledText = "\xC0\xDE\xB3\xDD\xDB\xB0\xC4\xDE";
const std::string kLongText = std::string(254, 'x') + "%1";  // the "1" is byte 256
const std::string kWithNulText("%1\0%2", 5);

std::span<const std::byte> Bytes(const std::string& s) {
    return std::as_bytes(std::span<const char>(s.data(), s.size()));
}

const ResourceEntry kTable[] = {
    {RT_STRING, kFailed, Bytes(kFailedText).data(), kFailedText.size()},
    {RT_STRING, kCancelled, Bytes(kCancelledText).data(), kCancelledText.size()},
    {RT_STRING, kLong, Bytes(kLongText).data(), kLongText.size()},
    {RT_STRING, kWithNul, Bytes(kWithNulText).data(), kWithNulText.size()},
};

TEST(AfxFormatTest, FormatsStringTableEntries) {
    ScopedResourceDirectory scoped(kTable);
    CString out = "previous";
    AfxFormatString2(out, kFailed, "10.0.0.5", "70002");
    EXPECT_EQ(out.Bytes(), "\"10.0.0.5\"\x82\xCC\x81\x69\xB4\xD7\xB0\x94\xD4\x8D\x86\x81\x46"
                           "70002\x81\x6A");

    AfxFormatString1(out, kFailed, "%2");  // one argument: %2 becomes "?"
    EXPECT_EQ(out.Bytes(), "\"%2\"\x82\xCC\x81\x69\xB4\xD7\xB0\x94\xD4\x8D\x86\x81\x46?\x81\x6A");

    AfxFormatString2(out, kCancelled, "QX210-NODE", "0");
    EXPECT_EQ(out.Bytes(), kCancelledText);
}

TEST(AfxFormatTest, MissingEntryLeavesTheOutputUnchanged) {
    ScopedResourceDirectory scoped(kTable);
    CString out = "keep";
    AfxFormatString1(out, 12345, "a");
    AfxFormatString2(out, 0x10000 + kFailed, "a", "b");  // beyond 16 bits: no entry
    EXPECT_EQ(out, "keep");
}

TEST(AfxFormatTest, TextEndsLikeItsBufferDoes) {
    ScopedResourceDirectory scoped(kTable);
    CString out;
    AfxFormatString1(out, kLong, "a");  // cut after 255 bytes: "%" is left alone
    EXPECT_EQ(out.Bytes(), std::string(254, 'x') + "%");
    AfxFormatString2(out, kWithNul, "a", "b");
    EXPECT_EQ(out.Bytes(), "a");
}

TEST(AfxFormatTest, LoadStringTakesTheEntryRaw) {
    ScopedResourceDirectory scoped(kTable);
    CString text = "keep";
    EXPECT_FALSE(text.LoadString(12345));
    EXPECT_EQ(text, "keep");
    EXPECT_TRUE(text.LoadString(kFailed));
    EXPECT_EQ(text.Bytes(), kFailedText);  // placeholders stay as they are
}

}  // namespace
}  // namespace qx
