// The version block in its usual binary form: VS_VERSIONINFO with a VS_FIXEDFILEINFO,
// one StringFileInfo table and a VarFileInfo translation. Every block is
// wLength, wValueLength, wType, a UTF-16 key with terminator, padding to 32 bits, the
// value, padding, then the children; a block's length ends with its last child.
#include <charconv>
#include <set>

#include "tools/resgen/resgen.h"

namespace qx::resgen {

namespace {

constexpr std::uint32_t kFixedSignature = 0xFEEF04BD;
constexpr std::uint32_t kFixedStructVersion = 0x00010000;
constexpr std::uint32_t kFileFlagsMask = 0x3F;
constexpr std::uint32_t kFileOsWindows32 = 0x4;
constexpr std::uint32_t kFileTypeApp = 0x1;
constexpr std::uint16_t kTypeBinary = 0;
constexpr std::uint16_t kTypeText = 1;
constexpr const char* kStringTableKey = "040904E4";  // US English, code page 1252
constexpr std::uint16_t kLanguage = 0x0409;
constexpr std::uint16_t kCodePage = 1252;

const std::set<std::string> kRequiredStrings = {
    "CompanyName",  "FileDescription",  "FileVersion", "InternalName",
    "LegalCopyright", "OriginalFilename", "ProductName", "ProductVersion"};

// Keys and values are plain ASCII here, so UTF-16 is each byte widened.
void WideZ(ByteWriter& w, std::string_view s) {
    for (char c : s) w.U16(static_cast<std::uint8_t>(c));
    w.U16(0);
}

// Opens a block and returns where its length goes; CloseBlock fills it in.
std::size_t OpenBlock(ByteWriter& w, std::uint16_t value_length, std::uint16_t type, std::string_view key) {
    w.Align(4);
    const std::size_t at = w.Size();
    w.U16(0);
    w.U16(value_length);
    w.U16(type);
    WideZ(w, key);
    w.Align(4);
    return at;
}

void CloseBlock(ByteWriter& w, std::size_t at) { w.PatchU16(at, static_cast<std::uint16_t>(w.Size() - at)); }

struct Version {
    std::uint16_t part[4] = {};
};

Version ParseVersion(const std::string& text, const std::string& where) {
    Version v;
    std::size_t pos = 0;
    for (int i = 0; i < 4; ++i) {
        std::size_t used = 0;
        unsigned long n = 0;
        try {
            n = std::stoul(text.substr(pos), &used);
        } catch (const std::exception&) {
            used = 0;
        }
        if (used == 0 || n > 0xFFFF) throw SourceError(where + ": \"" + text + "\" is not a version a.b.c.d");
        v.part[i] = static_cast<std::uint16_t>(n);
        pos += used;
        if (i < 3) {
            if (pos >= text.size() || text[pos] != '.') throw SourceError(where + ": \"" + text + "\" is not a version a.b.c.d");
            ++pos;
        }
    }
    if (pos != text.size()) throw SourceError(where + ": \"" + text + "\" is not a version a.b.c.d");
    return v;
}

}  // namespace

void GenerateVersionInfo(const std::filesystem::path& source, const std::filesystem::path& out) {
    const std::string name = source.filename().string();
    const std::string all = ReadTextFile(source);
    std::vector<std::pair<std::string, std::string>> strings;
    std::optional<Version> file_version, product_version;
    std::size_t size = 0;
    std::size_t start = 0;
    for (int line_no = 1; start < all.size(); ++line_no) {
        std::size_t end = all.find('\n', start);
        if (end == std::string::npos) end = all.size();
        const std::string line = all.substr(start, end - start);
        start = end + 1;
        const std::string where = name + ":" + std::to_string(line_no);
        if (line.empty() || line.front() == '#') continue;
        const std::size_t eq = line.find('=');
        if (eq == std::string::npos || eq == 0) throw SourceError(where + ": expected \"key=value\"");
        const std::string key = line.substr(0, eq);
        const std::string value = line.substr(eq + 1);
        for (char c : value) {
            if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7E) {
                throw SourceError(where + ": version strings are printable ASCII");
            }
        }
        if (key == "fixed-file-version") {
            file_version = ParseVersion(value, where);
        } else if (key == "fixed-product-version") {
            product_version = ParseVersion(value, where);
        } else if (key == "size") {
            const auto [ptr, ec] = std::from_chars(value.data(), value.data() + value.size(), size);
            if (ec != std::errc() || ptr != value.data() + value.size() || size == 0) {
                throw SourceError(where + ": \"" + value + "\" is not a size in bytes");
            }
        } else if (kRequiredStrings.contains(key)) {
            for (const auto& [k, v] : strings) {
                if (k == key) throw SourceError(where + ": " + key + " appears twice");
            }
            if (value.empty()) throw SourceError(where + ": " + key + " is empty");
            strings.emplace_back(key, value);
        } else {
            throw SourceError(where + ": unknown key \"" + key + "\"");
        }
    }
    if (!file_version || !product_version) throw SourceError(name + ": fixed-file-version and fixed-product-version are required");
    if (size == 0) throw SourceError(name + ": size is required");
    if (strings.size() != kRequiredStrings.size()) throw SourceError(name + ": every standard string key must be given");

    ByteWriter w;
    const std::size_t root = OpenBlock(w, 52, kTypeBinary, "VS_VERSION_INFO");
    w.U32(kFixedSignature);
    w.U32(kFixedStructVersion);
    const auto high = [](const Version& v) { return (std::uint32_t{v.part[0]} << 16) | v.part[1]; };
    const auto low = [](const Version& v) { return (std::uint32_t{v.part[2]} << 16) | v.part[3]; };
    w.U32(high(*file_version));
    w.U32(low(*file_version));
    w.U32(high(*product_version));
    w.U32(low(*product_version));
    w.U32(kFileFlagsMask);
    w.U32(0);  // no file flags
    w.U32(kFileOsWindows32);
    w.U32(kFileTypeApp);
    w.U32(0);  // subtype
    w.U32(0);  // date, high
    w.U32(0);  // date, low

    const std::size_t file_info = OpenBlock(w, 0, kTypeText, "StringFileInfo");
    const std::size_t table = OpenBlock(w, 0, kTypeText, kStringTableKey);
    for (const auto& [key, value] : strings) {
        const std::size_t entry = OpenBlock(w, static_cast<std::uint16_t>(value.size() + 1), kTypeText, key);
        WideZ(w, value);
        CloseBlock(w, entry);
    }
    CloseBlock(w, table);
    CloseBlock(w, file_info);

    const std::size_t var_info = OpenBlock(w, 0, kTypeText, "VarFileInfo");
    const std::size_t translation = OpenBlock(w, 4, kTypeBinary, "Translation");
    w.U16(kLanguage);
    w.U16(kCodePage);
    CloseBlock(w, translation);
    CloseBlock(w, var_info);
    CloseBlock(w, root);

    if (w.Size() != size) {
        throw SourceError(name + ": the block is " + std::to_string(w.Size()) + " bytes, must be " +
                          std::to_string(size) + " (adjust the string values)");
    }
    WriteBytes(out, w.Data());
}

}  // namespace qx::resgen
