// Laying out CP932 text in character cells: line breaks, wrapping by display width
// and the "&" mnemonic marks of control texts. Every function steps through whole
// characters, so a double-byte character is never split.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace qx {

// One line of a laid-out text: bytes [begin, end) of the text, without its line break.
struct TextLine {
    std::size_t begin = 0;
    std::size_t end = 0;
};

// Breaks at CR LF, lone LF and lone CR; wraps lines wider than `width` columns
// (at least one character per line, so a character wider than the box still shows).
// A line that breaks inside a run of ASCII letters breaks after the run's last space
// when the line has one. An empty text is one empty line.
std::vector<TextLine> WrapText(std::string_view cp932, int width);

// Display columns of a text with line breaks and other control characters ignored.
int TextWidth(std::string_view cp932);

// A control text with its mnemonic mark removed: "&&" stands for "&", the first other
// "&" marks the character after it as the mnemonic (underlined, typed with Alt).
struct MnemonicText {
    std::string text;                       // CP932, without the marks
    std::size_t underline = std::string::npos;  // byte offset in `text` of the marked character
    char key = 0;                           // the marked character if it is an ASCII letter or
                                            // digit, in capitals; otherwise 0
};
MnemonicText ParseMnemonic(std::string_view cp932);

}  // namespace qx
