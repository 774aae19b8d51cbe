#include <iconv.h>

#include <cerrno>
#include <fstream>
#include <iterator>
#include <sstream>

#include "tools/resgen/resgen.h"

namespace qx::resgen {

std::string ReadTextFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw SourceError(path.string() + ": cannot be read");
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::filesystem::path& path, std::span<const std::byte> bytes) {
    if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw SourceError(path.string() + ": cannot be written");
}

std::string Utf8ToCp932(std::string_view utf8, std::string_view where) {
    iconv_t cd = iconv_open("CP932", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) throw SourceError("iconv has no CP932 converter");
    std::string out(utf8.size() * 2 + 4, '\0');
    char* in_ptr = const_cast<char*>(utf8.data());
    std::size_t in_left = utf8.size();
    char* out_ptr = out.data();
    std::size_t out_left = out.size();
    const std::size_t rc = iconv(cd, &in_ptr, &in_left, &out_ptr, &out_left);
    const int err = errno;
    iconv_close(cd);
    if (rc == static_cast<std::size_t>(-1)) {
        const std::size_t at = utf8.size() - in_left;
        // Show the offending character itself (up to four bytes of it).
        std::string bad(utf8.substr(at, std::min<std::size_t>(4, in_left)));
        std::ostringstream msg;
        msg << where << ": "
            << (err == EILSEQ ? "a character CP932 cannot hold" : "text that is not valid UTF-8")
            << " at byte " << at << " (\"" << bad << "\")";
        throw SourceError(msg.str());
    }
    // An irreversible conversion would silently change the text; refuse it too.
    if (rc != 0) throw SourceError(std::string(where) + ": a character CP932 holds only approximately");
    out.resize(out.size() - out_left);
    return out;
}

}  // namespace qx::resgen
