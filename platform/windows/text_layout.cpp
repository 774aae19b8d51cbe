#include "platform/windows/text_layout.h"

#include "platform/strings/cp932.h"

namespace qx {

namespace {

bool IsAsciiWordChar(char32_t c) {
    return (c >= U'0' && c <= U'9') || (c >= U'A' && c <= U'Z') || (c >= U'a' && c <= U'z') ||
           (c > U' ' && c < 0x7F && c != U' ');
}

// Wraps one line without breaks: chars[first, last).
void WrapLine(const std::vector<Cp932Char>& chars, std::size_t first, std::size_t last,
              std::size_t lineEnd, int width, std::vector<TextLine>& out) {
    if (first == last) {
        out.push_back({first < chars.size() ? chars[first].offset : lineEnd, lineEnd});
        return;
    }
    std::size_t start = first;
    while (start < last) {
        int used = 0;
        std::size_t i = start;
        while (i < last && (i == start || used + chars[i].width <= width)) {
            used += chars[i].width;
            ++i;
        }
        if (i < last && IsAsciiWordChar(chars[i].unicode) && i > start &&
            IsAsciiWordChar(chars[i - 1].unicode)) {
            // Inside a word: go back to after its last space, if the line has one.
            std::size_t j = i;
            while (j > start && chars[j - 1].unicode != U' ') --j;
            if (j > start) i = j;
        }
        const std::size_t endByte = i < last ? chars[i].offset : lineEnd;
        out.push_back({chars[start].offset, endByte});
        start = i;
    }
}

}  // namespace

std::vector<TextLine> WrapText(std::string_view text, int width) {
    if (width < 1) width = 1;
    const std::vector<Cp932Char> chars = SplitCp932(text);
    std::vector<TextLine> out;
    std::size_t first = 0;
    for (std::size_t i = 0; i <= chars.size(); ++i) {
        const bool atEnd = i == chars.size();
        const char32_t c = atEnd ? 0 : chars[i].unicode;
        if (!atEnd && c != U'\r' && c != U'\n') continue;
        const std::size_t lineEnd = atEnd ? text.size() : chars[i].offset;
        WrapLine(chars, first, i, lineEnd, width, out);
        if (atEnd) break;
        if (c == U'\r' && i + 1 < chars.size() && chars[i + 1].unicode == U'\n') ++i;
        first = i + 1;
        if (first == chars.size()) {
            out.push_back({text.size(), text.size()});
            break;
        }
    }
    if (out.empty()) out.push_back({0, 0});
    return out;
}

int TextWidth(std::string_view text) {
    int width = 0;
    for (const Cp932Char& c : SplitCp932(text)) width += c.width;
    return width;
}

MnemonicText ParseMnemonic(std::string_view text) {
    MnemonicText out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned char b = static_cast<unsigned char>(text[i]);
        if (IsCp932LeadByte(b) && i + 1 < text.size()) {
            out.text.append(text.substr(i, 2));
            ++i;
            continue;
        }
        if (b != '&' || i + 1 >= text.size()) {
            out.text += static_cast<char>(b);
            continue;
        }
        const char next = text[i + 1];
        if (next == '&') {
            out.text += '&';
            ++i;
            continue;
        }
        if (out.underline == std::string::npos) {
            out.underline = out.text.size();
            if ((next >= 'a' && next <= 'z')) out.key = static_cast<char>(next - 'a' + 'A');
            else if ((next >= 'A' && next <= 'Z') || (next >= '0' && next <= '9')) out.key = next;
        }
    }
    return out;
}

}  // namespace qx
