// The agreement text: UTF-8 with LF line ends in the source, CP932 with CR LF between
// lines (none after the last) in the executable. The viewer and the dialog rely on
// the exact form below, so every figure is checked and a mismatch fails the build.
#include <sstream>

#include "tools/resgen/resgen.h"

namespace qx::resgen {

namespace {

struct Form {
    std::size_t bytes = 0;
    std::size_t lines = 0;
    std::size_t emptyLines = 0;
    std::size_t longestLine = 0;
    std::size_t characters = 0;  // CR and LF count one each
    std::size_t doubleByte = 0;
};

constexpr Form kRequired = {.bytes = 2924, .lines = 29, .emptyLines = 7, .longestLine = 431,
                            .characters = 1541, .doubleByte = 1383};

constexpr std::string_view kFullStop = "\x81\x42";  // "。" in CP932

bool IsLeadByte(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
bool IsHalfWidthKatakana(unsigned char b) { return b >= 0xA1 && b <= 0xDF; }

}  // namespace

void GenerateAgreement(const std::filesystem::path& source, const std::filesystem::path& out) {
    const std::string name = source.filename().string();
    std::string all = ReadTextFile(source);
    if (!all.empty() && all.back() == '\n') all.pop_back();  // the file's own last line end

    std::vector<std::string> lines;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = all.find('\n', start);
        const std::string_view utf8(all.data() + start, (end == std::string::npos ? all.size() : end) - start);
        const std::string where = name + ":" + std::to_string(lines.size() + 1);
        for (char c : utf8) {
            if (c == '\r' || c == '\t' || c == '\0') {
                throw SourceError(where + ": carriage return, tab or NUL in the line");
            }
        }
        lines.push_back(Utf8ToCp932(utf8, where));
        if (end == std::string::npos) break;
        start = end + 1;
    }

    const Form& want = kRequired;
    Form got;
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (i > 0) text += "\r\n";
        text += line;
        if (line.empty()) ++got.emptyLines;
        got.longestLine = std::max(got.longestLine, line.size());
        for (std::size_t j = 0; j < line.size(); ++j) {
            const auto b = static_cast<unsigned char>(line[j]);
            if (IsHalfWidthKatakana(b)) {
                throw SourceError(name + ":" + std::to_string(i + 1) + ": half-width katakana in the line");
            }
            if (IsLeadByte(b)) {
                ++j;
                ++got.doubleByte;
            }
            ++got.characters;
        }
    }
    got.lines = lines.size();
    got.bytes = text.size();
    got.characters += 2 * (lines.size() - 1);

    std::ostringstream wrong;
    const auto check = [&](const char* what, std::size_t have, std::size_t need) {
        if (have != need) wrong << "\n  " << what << ": " << have << ", must be " << need;
    };
    check("bytes", got.bytes, want.bytes);
    check("lines", got.lines, want.lines);
    check("empty lines", got.emptyLines, want.emptyLines);
    check("bytes in the longest line", got.longestLine, want.longestLine);
    check("characters", got.characters, want.characters);
    check("double-byte characters", got.doubleByte, want.doubleByte);
    if (!text.ends_with(kFullStop)) wrong << "\n  the text must end with \"。\"";
    if (!wrong.str().empty()) throw SourceError(name + " does not have its required form:" + wrong.str());
    WriteBytes(out, std::as_bytes(std::span(text.data(), text.size())));
}

}  // namespace qx::resgen
