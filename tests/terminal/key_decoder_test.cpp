#include "platform/terminal/key_decoder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qx {
namespace {

// One read from the terminal: characters (as the library hands them over) and named
// keys, all at the same time. Events are described as "key Tab", "mouse press 3 4", ...
struct Read {
    std::u32string chars;
    std::vector<TermKey> keys = {};  // fed after the characters
    std::uint64_t at_ms = 0;
};

std::string Decode(const std::vector<Read>& reads, bool end_of_read = true) {
    KeyDecoder decoder;
    std::vector<InputEvent> events;
    for (const Read& read : reads) {
        for (char32_t c : read.chars) decoder.Feed(TermInput::Char(c), read.at_ms, events);
        for (TermKey k : read.keys) decoder.Feed(TermInput::Named(k), read.at_ms, events);
        if (end_of_read) decoder.EndOfRead(events);
    }
    std::string text;
    for (const InputEvent& e : events) {
        if (!text.empty()) text += " | ";
        text += DescribeEvent(e);
    }
    return text;
}

struct Case {
    const char* name;
    std::u32string chars;
    std::vector<TermKey> keys;
    const char* expected;
};

TEST(KeyDecoder, SingleReads) {
    const Case cases[] = {
        {"printable", U"aZ1 ", {}, "key Char a | key Char Z | key Char 1 | key Char  "},
        {"japanese", U"ｱ漢●", {}, "key Char ｱ | key Char 漢 | key Char ●"},
        {"enter forms", U"\r\n", {TermKey::Enter}, "key Enter | key Enter | key Enter"},
        {"tab and backspaces", U"\t\x7f\b", {TermKey::Backspace}, "key Tab | key Backspace | key Backspace | key Backspace"},
        {"esc alone", U"\x1b", {}, "key Escape"},
        {"alt letter", U"\x1b" U"d", {}, "key Char d alt"},
        {"alt enter", U"\x1b\r", {}, "key Enter alt"},
        {"esc esc", U"\x1b\x1b", {}, "key Escape | key Escape"},
        {"esc then named key is alt", U"\x1b", {TermKey::F4}, "key F4 alt"},
        {"alt f4 code", U"", {TermKey::AltF4}, "key F4 alt"},
        {"named keys", U"", {TermKey::BackTab, TermKey::Delete, TermKey::Insert, TermKey::PageUp, TermKey::Home},
         "key BackTab shift | key Delete | key Insert | key PageUp | key Home"},
        {"unknown named key dropped", U"a", {TermKey::Other}, "key Char a"},
        {"raw arrows", U"\x1b[A\x1bOD\x1b[1;3C", {}, "key Up | key Left | key Right alt"},
        {"raw tilde keys", U"\x1b[3~\x1b[5~\x1b[2~\x1b[4~", {}, "key Delete | key PageUp | key Insert | key End"},
        {"raw back tab", U"\x1b[Z", {}, "key BackTab shift"},
        {"raw f4 and alt f4", U"\x1bOS\x1b[1;3S", {}, "key F4 | key F4 alt"},
        {"unknown sequences dropped", U"\x1b[99~x\x1b[?1;2cy\x1b[1;5Pz", {}, "key Char x | key Char y | key Char z"},
        {"bracketed paste keeps text", U"\x1b[200~ab\x1b[201~", {}, "key Char a | key Char b"},
        {"control codes dropped", U"\x01\x03\x1c\x1f\x7f", {}, "key Backspace"},
        {"c1 and invalid code points dropped", U"\x85\x9b" U"a", {}, "key Char a"},
        {"sequence broken by text", U"\x1b[1;漢", {}, "key Char 漢"},
        {"overlong sequence dropped", U"\x1b[" + std::u32string(40, U'1') + U"~q", {}, "key Char q"},
        {"x10 mouse press and release", U"\x1b[M +%\x1b[M#+%", {}, "mouse press 10 4 | mouse release 10 4"},
        {"x10 right button and wheel", U"\x1b[M\"!!\x1b[Ma!!", {}, "mouse press right 0 0 | mouse press wheeldown 0 0"},
        {"x10 motion and bad bytes dropped", U"\x1b[M@!!\x1b[M \x10!k", {}, "key Char k"},
        {"sgr mouse", U"\x1b[<0;11;5M\x1b[<0;11;5m\x1b[<64;1;1M", {},
         "mouse press 10 4 | mouse release 10 4 | mouse press wheelup 0 0"},
        {"sgr mouse malformed", U"\x1b[<0;0;5M\x1b[<0;5M\x1b[<1;2;3;4Mw", {}, "key Char w"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Decode({{c.chars, c.keys}}), c.expected) << c.name;
    }
}

// What the terminal sends as bytes: UTF-8 is assembled, anything invalid is dropped
// and never holds up the text after it.
TEST(KeyDecoder, Utf8Bytes) {
    struct ByteCase {
        const char* name;
        std::vector<std::string> reads;
        const char* expected;
    };
    const ByteCase cases[] = {
        {"ascii and kanji", {"a\xe6\xbc\xa2" "b"}, "key Char a | key Char 漢 | key Char b"},
        {"half-width katakana", {"\xef\xbd\xb1"}, "key Char ｱ"},
        {"four bytes", {"\xf0\x9f\x98\x80"}, "key Char \xf0\x9f\x98\x80"},
        {"split across reads", {"\xe6", "\xbc\xa2"}, "key Char 漢"},
        {"never in utf-8", {"\xff" "a\xfe\xc0\xc1" "b"}, "key Char a | key Char b"},
        {"cut off by ascii", {"\xc3(\xe6\xbc" "x"}, "key Char ( | key Char x"},
        {"stray continuation", {"\x80\xbf" "a"}, "key Char a"},
        {"overlong forms", {"\xc0\xaf\xe0\x80\xaf\xf0\x80\x80\xaf" "z"}, "key Char z"},
        {"surrogate and beyond unicode", {"\xed\xa0\x80\xf4\x90\x80\x80" "z"}, "key Char z"},
        {"alt with a kanji", {"\x1b\xe6\xbc\xa2"}, "key Char 漢 alt"},
        {"x10 report bytes are raw", {"\x1b[M \xa0\x21"}, "mouse press 127 0"},
        {"csi parameters", {"\x1b[1;3D"}, "key Left alt"},
    };
    for (const ByteCase& c : cases) {
        KeyDecoder decoder;
        std::vector<InputEvent> events;
        for (const std::string& read : c.reads) {
            for (char b : read) decoder.Feed(TermInput::Byte(static_cast<unsigned char>(b)), 0, events);
            decoder.EndOfRead(events);
        }
        std::string text;
        for (const InputEvent& e : events) text += (text.empty() ? "" : " | ") + DescribeEvent(e);
        EXPECT_EQ(text, c.expected) << c.name;
    }
}

TEST(KeyDecoder, EscapeTiming) {
    struct TimingCase {
        const char* name;
        std::vector<Read> reads;
        bool end_of_read;
        const char* expected;
    };
    const TimingCase cases[] = {
        // Without the end-of-read hint the ESC waits for its timeout.
        {"esc then letter in time", {{U"\x1b", {}, 100}, {U"x", {}, 110}}, false, "key Char x alt"},
        {"esc then letter too late", {{U"\x1b", {}, 100}, {U"x", {}, 125}}, false, "key Escape | key Char x"},
        {"split csi in time", {{U"\x1b[", {}, 0}, {U"B", {}, 10}}, false, "key Down"},
        {"lone esc bracket is alt", {{U"\x1b[", {}, 0}, {U"", {}, 30}}, false, "key Char [ alt"},
        // The library waited already: a lone ESC at the end of a read is the key.
        {"esc at end of read", {{U"\x1b", {}, 100}, {U"x", {}, 101}}, true, "key Escape | key Char x"},
        // A partial sequence survives the end of a read and completes or times out.
        {"partial csi across reads", {{U"\x1b[1;", {}, 0}, {U"3A", {}, 5}}, true, "key Up alt"},
        {"partial csi times out", {{U"\x1b[1;", {}, 0}, {U"3A", {}, 40}}, true, "key Char 3 | key Char A"},
    };
    for (const TimingCase& c : cases) {
        KeyDecoder decoder;
        std::vector<InputEvent> events;
        for (const Read& read : c.reads) {
            for (char32_t ch : read.chars) decoder.Feed(TermInput::Char(ch), read.at_ms, events);
            decoder.Flush(read.at_ms, events);
            if (c.end_of_read) decoder.EndOfRead(events);
        }
        std::string text;
        for (const InputEvent& e : events) text += (text.empty() ? "" : " | ") + DescribeEvent(e);
        EXPECT_EQ(text, c.expected) << c.name;
    }
}

TEST(KeyDecoder, DeadlineFollowsPendingEscape) {
    KeyDecoder decoder;
    std::vector<InputEvent> events;
    EXPECT_FALSE(decoder.Deadline());
    decoder.Feed(TermInput::Char(0x1B), 1000, events);
    ASSERT_TRUE(decoder.Deadline());
    EXPECT_EQ(*decoder.Deadline(), 1000 + KeyDecoder::kEscTimeoutMs);
    decoder.Flush(*decoder.Deadline() - 1, events);
    EXPECT_TRUE(events.empty());
    decoder.Flush(*decoder.Deadline(), events);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].key.key, Key::Escape);
    EXPECT_FALSE(decoder.Deadline());
}

TEST(KeyDecoder, MouseClicksAndDoubleClicks) {
    const auto press = [](int x, int y, MouseButton b = MouseButton::Left) {
        return TermInput::Mouse({x, y, b, false});
    };
    const auto release = [](int x, int y) { return TermInput::Mouse({x, y, MouseButton::Left, true}); };
    struct Step {
        TermInput input;
        std::uint64_t at_ms;
    };
    struct MouseCase {
        const char* name;
        std::vector<Step> steps;
        const char* expected;
    };
    const MouseCase cases[] = {
        {"double click", {{press(3, 4), 0}, {release(3, 4), 50}, {press(3, 4), 200}, {release(3, 4), 250}},
         "mouse press 3 4 | mouse release 3 4 | mouse double 3 4 | mouse release 3 4"},
        {"third press starts again", {{press(1, 1), 0}, {press(1, 1), 100}, {press(1, 1), 200}},
         "mouse press 1 1 | mouse double 1 1 | mouse press 1 1"},
        {"too slow", {{press(1, 1), 0}, {press(1, 1), 501}}, "mouse press 1 1 | mouse press 1 1"},
        {"other cell", {{press(1, 1), 0}, {press(2, 1), 100}}, "mouse press 1 1 | mouse press 2 1"},
        {"other button", {{press(1, 1), 0}, {press(1, 1, MouseButton::Right), 100}},
         "mouse press 1 1 | mouse press right 1 1"},
        {"wheel never doubles, releases dropped",
         {{press(0, 0, MouseButton::WheelUp), 0}, {press(0, 0, MouseButton::WheelUp), 10},
          {TermInput::Mouse({0, 0, MouseButton::WheelUp, true}), 20}},
         "mouse press wheelup 0 0 | mouse press wheelup 0 0"},
        {"pending esc settles before a click", {{TermInput::Char(0x1B), 0}, {press(5, 5), 1}},
         "key Escape | mouse press 5 5"},
        {"resize", {{TermInput::Char(U'a'), 0}, {TermInput::Resized(), 0}}, "key Char a | resize"},
    };
    for (const MouseCase& c : cases) {
        KeyDecoder decoder;
        std::vector<InputEvent> events;
        for (const Step& s : c.steps) decoder.Feed(s.input, s.at_ms, events);
        std::string text;
        for (const InputEvent& e : events) text += (text.empty() ? "" : " | ") + DescribeEvent(e);
        EXPECT_EQ(text, c.expected) << c.name;
    }
}

// Arbitrary input never crashes the decoder and never leaves it stuck: after any
// garbage and a timeout, a plain letter comes through as itself.
TEST(KeyDecoder, SurvivesGarbage) {
    std::uint32_t seed = 12345;
    const auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return seed >> 8;
    };
    const char32_t alphabet[] = {0x1B, U'[', U'O', U'M', U'<', U';', U'0', U'9', U'~', U'A',
                                 U'm', U' ', 0x7F, 0x00, 0x9B, 0xD800, 0x110000, U'漢'};
    for (int round = 0; round < 200; ++round) {
        KeyDecoder decoder;
        std::vector<InputEvent> events;
        std::uint64_t now = 0;
        for (int i = 0; i < 200; ++i) {
            const std::uint32_t r = next();
            if (r % 29 == 0 || r % 7 == 0) {
                decoder.Feed(TermInput::Byte(static_cast<unsigned char>(r >> 3)), now, events);
            } else if (r % 17 == 0) {
                decoder.Feed(TermInput::Named(static_cast<TermKey>(r % 16)), now, events);
            } else if (r % 23 == 0) {
                decoder.Feed(TermInput::Mouse({static_cast<int>(r % 300), 2, MouseButton::Left, (r & 1) != 0}), now, events);
            } else {
                decoder.Feed(TermInput::Char(alphabet[r % std::size(alphabet)]), now, events);
            }
            now += r % 3;
        }
        events.clear();
        decoder.Flush(now + KeyDecoder::kEscTimeoutMs, events);
        events.clear();
        decoder.Feed(TermInput::Byte('q'), now + KeyDecoder::kEscTimeoutMs, events);
        ASSERT_EQ(events.size(), 1u) << "round " << round;
        EXPECT_EQ(events[0].key.key, Key::Char);
        EXPECT_EQ(events[0].key.ch, U'q');
    }
}

}  // namespace
}  // namespace qx
