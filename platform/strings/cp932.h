// CP932 (the Japanese Shift-JIS code page) at the edges of the program. Texts live as
// CP932 bytes everywhere inside; they become Unicode only where they are drawn, and
// typed Unicode becomes CP932 when stored. Conversion goes through glibc iconv under
// the name "CP932" (which keeps 0x5C a backslash); widths are wcwidth of the Unicode
// form under C.UTF-8, whatever the process locale is. All functions are thread-safe,
// own nothing and keep no state but a cached locale handle.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qx {

// True for the first byte of a double-byte character: 0x81-0x9F and 0xE0-0xFC.
bool IsCp932LeadByte(unsigned char b);

// One character of a CP932 text: where it starts, how many bytes it takes (1 or 2),
// its Unicode form and the number of terminal columns it occupies.
struct Cp932Char {
    std::size_t offset;
    std::size_t length;
    char32_t unicode;
    int width;
};

inline constexpr char32_t kReplacementCharacter = U'\uFFFD';

// Splits a CP932 text into characters; a double-byte character is never split.
// Control characters (CR, LF, TAB, ...) have width 0. A byte that does not start a
// valid character (including a lead byte at the very end) becomes U+FFFD, width 1,
// one byte long, and the walk resumes at the next byte.
std::vector<Cp932Char> SplitCp932(std::string_view bytes);

// Unicode form of a CP932 text; undecodable bytes become U+FFFD as in SplitCp932.
std::u32string Cp932ToUnicode(std::string_view bytes);
std::string Cp932ToUtf8(std::string_view bytes);

// CP932 form of a Unicode text, or nullopt when any character has no CP932 form
// (or the input is not valid Unicode / UTF-8). The code page's customary one-way
// mappings are kept (U+301C wave dash -> 0x8160, U+00A5 yen sign -> 0x5C), as a
// Japanese keyboard's input expects; nothing else is approximated.
std::optional<std::string> UnicodeToCp932(std::u32string_view text);
std::optional<std::string> Utf8ToCp932(std::string_view utf8);

// Terminal columns of one Unicode character (0 for controls, 1 or 2 otherwise).
int UnicodeWidth(char32_t c);
// Terminal columns of a CP932 text: the sum of its characters' widths.
int DisplayWidth(std::string_view cp932);

// UTF-8 form of a Unicode text; invalid code points become U+FFFD.
std::string UnicodeToUtf8(std::u32string_view text);

}  // namespace qx
