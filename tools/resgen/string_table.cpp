// The string table: "id name text" per line, UTF-8 in the source, one CP932 file per
// entry (<id>.bin, no terminator) in the output directory.
#include <charconv>
#include <set>

#include "tools/resgen/resgen.h"

namespace qx::resgen {

namespace {

// Every entry must fit the 256-byte buffer the formatter loads it into.
constexpr std::size_t kMaxTextBytes = 255;

std::string Unescape(std::string_view text, const std::string& where) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        if (i + 1 == text.size()) throw SourceError(where + ": a lone backslash ends the text");
        const char next = text[++i];
        if (next == 'n') {
            out += '\n';
        } else if (next == '\\') {
            out += '\\';
        } else {
            throw SourceError(where + ": unknown escape \\" + std::string(1, next));
        }
    }
    return out;
}

}  // namespace

void GenerateStringTable(const std::filesystem::path& source, const std::filesystem::path& out_dir) {
    const std::string all = ReadTextFile(source);
    std::set<unsigned> ids;
    std::set<std::string> names;
    std::size_t line_start = 0;
    for (int line_no = 1; line_start < all.size(); ++line_no) {
        std::size_t line_end = all.find('\n', line_start);
        if (line_end == std::string::npos) line_end = all.size();
        const std::string_view line(all.data() + line_start, line_end - line_start);
        line_start = line_end + 1;
        const std::string where = source.filename().string() + ":" + std::to_string(line_no);
        if (line.empty() || line.front() == '#') continue;
        if (line.find('\r') != std::string_view::npos || line.find('\t') != std::string_view::npos) {
            throw SourceError(where + ": carriage return or tab in the line");
        }

        const std::size_t id_end = line.find(' ');
        const std::size_t name_end = id_end == std::string_view::npos ? id_end : line.find(' ', id_end + 1);
        if (name_end == std::string_view::npos) throw SourceError(where + ": expected \"id name text\"");
        const std::string_view id_text = line.substr(0, id_end);
        const std::string name(line.substr(id_end + 1, name_end - id_end - 1));
        unsigned id = 0;
        const auto [ptr, ec] = std::from_chars(id_text.data(), id_text.data() + id_text.size(), id);
        if (ec != std::errc() || ptr != id_text.data() + id_text.size() || id == 0 || id > 0xFFFF) {
            throw SourceError(where + ": the id \"" + std::string(id_text) + "\" is not a number from 1 to 65535");
        }
        if (name.empty()) throw SourceError(where + ": the entry has no name");
        if (!ids.insert(id).second) throw SourceError(where + ": id " + std::to_string(id) + " appears twice");
        if (!names.insert(name).second) throw SourceError(where + ": name " + name + " appears twice");

        const std::string text = Utf8ToCp932(Unescape(line.substr(name_end + 1), where), where + " " + name);
        if (text.empty()) throw SourceError(where + ": " + name + " has an empty text");
        if (text.size() > kMaxTextBytes) {
            throw SourceError(where + ": " + name + " is " + std::to_string(text.size()) +
                              " bytes in CP932, more than " + std::to_string(kMaxTextBytes));
        }
        WriteBytes(out_dir / (std::to_string(id) + ".bin"),
                   std::as_bytes(std::span(text.data(), text.size())));
    }
    if (ids.empty()) throw SourceError(source.filename().string() + ": no entries");
}

}  // namespace qx::resgen
