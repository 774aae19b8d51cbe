#include "platform/strings/format.h"

#include <array>

#include "platform/strings/cp932.h"

namespace qx {

namespace {

// The text as the formatting sees it: the entry read like a C string into a
// 256-byte buffer, so it ends at an embedded NUL and after 255 bytes.
std::string_view LoadedText(const CString& entry) {
    std::string_view text = entry.View();
    text = text.substr(0, text.find('\0'));
    return text.substr(0, kFormatTextLimit);
}

void FormatEntry(CString& out, UINT id, std::span<const char* const> args) {
    CString entry;
    if (!entry.LoadString(id)) return;
    out = CString(FormatMessageText(LoadedText(entry), args));
}

}  // namespace

std::string FormatMessageText(std::string_view text, std::span<const char* const> args) {
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const auto b = static_cast<unsigned char>(text[i]);
        if (IsCp932LeadByte(b)) {
            // Both bytes go together, so a trail byte 0x25 is never a "%". A lead
            // byte that ends the text is copied alone.
            const std::size_t length = (i + 1 < text.size()) ? 2 : 1;
            out.append(text.substr(i, length));
            i += length;
            continue;
        }
        if (b == '%' && i + 1 < text.size() && text[i + 1] >= '1' && text[i + 1] <= '9') {
            const auto k = static_cast<std::size_t>(text[i + 1] - '0');
            if (k > args.size()) {
                out.push_back('?');
            } else if (const char* arg = args[k - 1]) {
                out.append(arg);
            }
            i += 2;
            continue;
        }
        out.push_back(static_cast<char>(b));
        ++i;
    }
    return out;
}

void AfxFormatString1(CString& out, UINT id, const char* arg1) {
    const std::array<const char*, 1> args{arg1};
    FormatEntry(out, id, args);
}

void AfxFormatString2(CString& out, UINT id, const char* arg1, const char* arg2) {
    const std::array<const char*, 2> args{arg1, arg2};
    FormatEntry(out, id, args);
}

}  // namespace qx
