#include "platform/strings/cp932.h"

#include <bit>
#include <cerrno>
#include <cwchar>

#include <iconv.h>
#include <locale.h>

namespace qx {

namespace {

// "CP932", not "SHIFT_JIS": the latter turns 0x5C into the yen sign and 0x7E into
// an overline, which would change paths, passwords and backslashes in texts.
constexpr const char* kCodePage = "CP932";
constexpr const char* kUtf32Native =
    std::endian::native == std::endian::little ? "UTF-32LE" : "UTF-32BE";

// One iconv descriptor for the length of one call, so that concurrent callers never
// share conversion state.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (ok()) iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Converts all of `in`, appending to `out`. False on any character that has no
    // form in the target code (or a truncated sequence); `out` is then unspecified.
    bool Convert(std::string_view in, std::string& out) {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        char* src = const_cast<char*>(in.data());  // iconv's signature; it never writes
        std::size_t srcLeft = in.size();
        char buffer[256];
        while (srcLeft > 0) {
            char* dst = buffer;
            std::size_t dstLeft = sizeof buffer;
            std::size_t rc = iconv(cd_, &src, &srcLeft, &dst, &dstLeft);
            out.append(buffer, static_cast<std::size_t>(dst - buffer));
            if (rc == static_cast<std::size_t>(-1) && errno != E2BIG) return false;
        }
        // A stateless target needs no flush, but ask anyway for completeness.
        char* dst = buffer;
        std::size_t dstLeft = sizeof buffer;
        if (iconv(cd_, nullptr, nullptr, &dst, &dstLeft) == static_cast<std::size_t>(-1)) {
            return false;
        }
        out.append(buffer, static_cast<std::size_t>(dst - buffer));
        return true;
    }

    // Decodes one CP932 character of 1 or 2 bytes into one code point.
    std::optional<char32_t> DecodeOne(std::string_view in) {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        char* src = const_cast<char*>(in.data());
        std::size_t srcLeft = in.size();
        char32_t result[2] = {};
        char* dst = reinterpret_cast<char*>(result);
        std::size_t dstLeft = sizeof result;
        std::size_t rc = iconv(cd_, &src, &srcLeft, &dst, &dstLeft);
        if (rc == static_cast<std::size_t>(-1) || srcLeft != 0 ||
            dstLeft != sizeof result - sizeof(char32_t)) {
            return std::nullopt;
        }
        return result[0];
    }

private:
    iconv_t cd_;
};

// wcwidth answers for the calling thread's locale; widths must not depend on what
// the process chose, so every query runs under C.UTF-8 and restores the caller's.
locale_t Utf8Locale() {
    static const locale_t locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t{});
    return locale;
}

class ScopedUtf8Locale {
public:
    ScopedUtf8Locale() : previous_(Utf8Locale() ? uselocale(Utf8Locale()) : locale_t{}) {}
    ~ScopedUtf8Locale() {
        if (previous_) uselocale(previous_);
    }
    ScopedUtf8Locale(const ScopedUtf8Locale&) = delete;
    ScopedUtf8Locale& operator=(const ScopedUtf8Locale&) = delete;

private:
    locale_t previous_;
};

bool IsControl(char32_t c) { return c < 0x20 || (c >= 0x7F && c < 0xA0); }

// Used only where the C.UTF-8 locale is missing: the East Asian wide blocks that
// CP932 can reach take two columns, everything else one.
int FallbackWidth(char32_t c) {
    const bool wide = (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) ||
                      (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
                      (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
                      (c >= 0xFFE0 && c <= 0xFFE6);
    return wide ? 2 : 1;
}

int WidthInUtf8Locale(char32_t c) {
    if (IsControl(c)) return 0;
    if (!Utf8Locale()) return FallbackWidth(c);
    const int w = wcwidth(static_cast<wchar_t>(c));
    return w < 0 ? 1 : w;  // printable to us even where the table has no entry
}

bool IsValidScalar(char32_t c) { return c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF); }

}  // namespace

bool IsCp932LeadByte(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

int UnicodeWidth(char32_t c) {
    ScopedUtf8Locale scoped;
    return WidthInUtf8Locale(c);
}

std::vector<Cp932Char> SplitCp932(std::string_view bytes) {
    std::vector<Cp932Char> chars;
    chars.reserve(bytes.size());
    Converter decoder(kUtf32Native, kCodePage);
    ScopedUtf8Locale scoped;
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        std::optional<char32_t> decoded;
        std::size_t length = 1;
        if (b < 0x80) {
            decoded = b;
        } else if (decoder.ok()) {
            if (IsCp932LeadByte(b)) {
                if (i + 1 < bytes.size()) {
                    decoded = decoder.DecodeOne(bytes.substr(i, 2));
                    if (decoded) length = 2;
                }
            } else {
                decoded = decoder.DecodeOne(bytes.substr(i, 1));
            }
        }
        const char32_t unicode = decoded.value_or(kReplacementCharacter);
        chars.push_back({i, length, unicode, WidthInUtf8Locale(unicode)});
        i += length;
    }
    return chars;
}

std::u32string Cp932ToUnicode(std::string_view bytes) {
    std::u32string text;
    for (const Cp932Char& c : SplitCp932(bytes)) text.push_back(c.unicode);
    return text;
}

std::string UnicodeToUtf8(std::u32string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char32_t c : text) {
        if (!IsValidScalar(c)) c = kReplacementCharacter;
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (c >> 12)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (c >> 18)));
            out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

std::string Cp932ToUtf8(std::string_view bytes) { return UnicodeToUtf8(Cp932ToUnicode(bytes)); }

std::optional<std::string> Utf8ToCp932(std::string_view utf8) {
    Converter encoder(kCodePage, "UTF-8");
    if (!encoder.ok()) return std::nullopt;
    std::string out;
    out.reserve(utf8.size());
    if (!encoder.Convert(utf8, out)) return std::nullopt;
    return out;
}

std::optional<std::string> UnicodeToCp932(std::u32string_view text) {
    for (char32_t c : text) {
        if (!IsValidScalar(c)) return std::nullopt;
    }
    return Utf8ToCp932(UnicodeToUtf8(text));
}

int DisplayWidth(std::string_view cp932) {
    int width = 0;
    for (const Cp932Char& c : SplitCp932(cp932)) width += c.width;
    return width;
}

}  // namespace qx
