#include "platform/strings/cp932.h"

#include <clocale>
#include <locale.h>

#include <gtest/gtest.h>

namespace qx {
namespace {

struct Piece {
    std::size_t length;
    char32_t unicode;
    int width;
};

struct SplitCase {
    const char* name;
    std::string bytes;
    std::vector<Piece> pieces;
};

class SplitTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitTest, GivesCharactersWithWidths) {
    const SplitCase& c = GetParam();
    const std::vector<Cp932Char> got = SplitCp932(c.bytes);
    ASSERT_EQ(got.size(), c.pieces.size());
    std::size_t offset = 0;
    for (std::size_t i = 0; i < got.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(got[i].offset, offset);
        EXPECT_EQ(got[i].length, c.pieces[i].length);
        EXPECT_EQ(static_cast<std::uint32_t>(got[i].unicode),
                  static_cast<std::uint32_t>(c.pieces[i].unicode));
        EXPECT_EQ(got[i].width, c.pieces[i].width);
        offset += got[i].length;
    }
    EXPECT_EQ(offset, c.bytes.size());
}

INSTANTIATE_TEST_SUITE_P(
    Cp932, SplitTest,
    ::testing::Values(
        SplitCase{"AsciiAndBackslash", "a\\~", {{1, U'a', 1}, {1, U'\\', 1}, {1, U'~', 1}}},
        SplitCase{"HalfWidthKatakana", "\xC0\xDE", {{1, U'\uFF80', 1}, {1, U'\uFF9E', 1}}},
        SplitCase{"Kanji", "\x8A\xBF\x8E\x9A", {{2, U'\u6F22', 2}, {2, U'\u5B57', 2}}},
        // Symbols that are two bytes but one column on the terminal.
        SplitCase{"NarrowSymbols",
                  "\x81\x9C\x81\x63\x81\xA6\x81\xA8",
                  {{2, U'\u25CF', 1}, {2, U'\u2026', 1}, {2, U'\u203B', 1}, {2, U'\u2192', 1}}},
        // Second byte 0x5C belongs to the character, not a backslash.
        SplitCase{"TrailByteBackslash", "\x83\x5C", {{2, U'\u30BD', 2}}},
        SplitCase{"Controls", "\r\n\t", {{1, U'\r', 0}, {1, U'\n', 0}, {1, U'\t', 0}}},
        SplitCase{"LeadByteAtEnd", "a\x8A", {{1, U'a', 1}, {1, kReplacementCharacter, 1}}},
        // An invalid trail byte: only the lead is replaced, the next byte stands alone.
        SplitCase{"InvalidTrailByte", "\x81\x25" "1",
                  {{1, kReplacementCharacter, 1}, {1, U'%', 1}, {1, U'1', 1}}},
        SplitCase{"UnassignedSingleBytes", "\x80\xA0\xFF",
                  {{1, kReplacementCharacter, 1},
                   {1, kReplacementCharacter, 1},
                   {1, kReplacementCharacter, 1}}},
        SplitCase{"Empty", "", {}}),
    [](const auto& info) { return std::string(info.param.name); });

struct RoundTrip {
    const char* name;
    std::string cp932;
    std::string utf8;
};

class RoundTripTest : public ::testing::TestWithParam<RoundTrip> {};

TEST_P(RoundTripTest, ConvertsBothWays) {
    const RoundTrip& c = GetParam();
    EXPECT_EQ(Cp932ToUtf8(c.cp932), c.utf8);
    EXPECT_EQ(Utf8ToCp932(c.utf8), c.cp932);
    EXPECT_EQ(UnicodeToCp932(Cp932ToUnicode(c.cp932)), c.cp932);
}

INSTANTIATE_TEST_SUITE_P(
    Cp932, RoundTripTest,
    ::testing::Values(
        RoundTrip{"Ascii", "QX210-NODE", "QX210-NODE"},
        RoundTrip{"BackslashAndTilde", "C:\\fw~1", "C:\\fw~1"},
        RoundTrip{"HalfWidthKatakana", "\xC0\xDE\xB3\xDD\xDB\xB0\xC4\xDE",
                  "\xEF\xBE\x80\xEF\xBE\x9E\xEF\xBD\xB3\xEF\xBE\x9D\xEF\xBE\x9B\xEF\xBD\xB0"
                  "\xEF\xBE\x84\xEF\xBE\x9E"},  // ﾀﾞｳﾝﾛｰﾄﾞ
        RoundTrip{"KanjiAndCircle", "\x81\x9C\x8E\xB8\x94\x73",
                  "\xE2\x97\x8F\xE5\xA4\xB1\xE6\x95\x97"},  // ●失敗
        RoundTrip{"EmbeddedNul", std::string("a\0b", 3), std::string("a\0b", 3)},
        RoundTrip{"CrLf", "\x81\x42\r\n", "\xE3\x80\x82\r\n"}),  // 。CR LF
    [](const auto& info) { return std::string(info.param.name); });

TEST(Cp932Test, RefusesWhatTheCodePageCannotHold) {
    EXPECT_EQ(Utf8ToCp932("ok\xF0\x9F\x98\x80"), std::nullopt);   // emoji
    EXPECT_EQ(Utf8ToCp932("\xC2\xA6"), std::nullopt);             // broken bar
    EXPECT_EQ(Utf8ToCp932("\xE6\x95"), std::nullopt);             // truncated UTF-8
    EXPECT_EQ(Utf8ToCp932("\xFF"), std::nullopt);                 // not UTF-8
    EXPECT_EQ(UnicodeToCp932(U"a\U0001F600"), std::nullopt);
    EXPECT_EQ(UnicodeToCp932(std::u32string(1, char32_t{0xD800})), std::nullopt);
    EXPECT_EQ(UnicodeToCp932(std::u32string(1, char32_t{0x110000})), std::nullopt);
    EXPECT_EQ(Utf8ToCp932(""), std::string());
}

TEST(Cp932Test, UndecodableBytesBecomeReplacementCharacters) {
    EXPECT_EQ(Cp932ToUtf8("a\x80" "b\x8A"), "a\xEF\xBF\xBD" "b\xEF\xBF\xBD");
}

TEST(Cp932Test, DisplayWidthCountsColumnsNotBytes) {
    EXPECT_EQ(DisplayWidth(""), 0);
    EXPECT_EQ(DisplayWidth("\xC0\xDE\xB3\xDD"), 4);      // half-width katakana
    EXPECT_EQ(DisplayWidth("\x8E\xB8\x94\x73"), 4);      // two kanji
    EXPECT_EQ(DisplayWidth("\x81\x9C" "1\r\n"), 2);      // ● and a digit, controls free
    EXPECT_EQ(DisplayWidth("ab\x8E"), 3);                // lead byte at end: one column
}

TEST(Cp932Test, WidthsIgnoreTheProcessLocaleAndKeepTheThreadsOwn) {
    // The process stays in the "C" locale here, where wcwidth knows no kanji.
    ASSERT_STREQ(std::setlocale(LC_CTYPE, nullptr), "C");
    const locale_t before = uselocale(locale_t{});
    EXPECT_EQ(UnicodeWidth(U'\u6F22'), 2);
    EXPECT_EQ(UnicodeWidth(U'\uFF71'), 1);
    EXPECT_EQ(UnicodeWidth(U'\x1B'), 0);
    EXPECT_EQ(DisplayWidth("\x8A\xBF"), 2);
    EXPECT_EQ(uselocale(locale_t{}), before);
}

}  // namespace
}  // namespace qx
