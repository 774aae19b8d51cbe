#include "protocol/firmware_version.h"

namespace qx {

namespace {

// ASCII classes only: bytes from 0x80 up (CP932 lead bytes) are none of these.
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLower(char c) { return c >= 'a' && c <= 'z'; }
bool IsUpper(char c) { return c >= 'A' && c <= 'Z'; }
bool IsLetter(char c) { return IsLower(c) || IsUpper(c); }

// Each test stops at the first byte that fails, so a NUL ends the reading.
bool StartsWithBase(const char* text) {
    return IsDigit(text[0]) && text[1] == '.' && IsDigit(text[2]) && IsDigit(text[3]);
}

// Lowercase suffixes are pre-releases, uppercase ones follow-up releases.
int SuffixRank(char first) {
    if (IsLower(first)) return 0;
    if (IsUpper(first)) return 2;
    return 1;
}

int CompareBytes(const char* a, const char* b) {
    for (;; ++a, ++b) {
        const auto ca = static_cast<unsigned char>(*a);
        const auto cb = static_cast<unsigned char>(*b);
        if (ca != cb) return ca < cb ? -1 : 1;
        if (ca == 0) return 0;
    }
}

}  // namespace

void NormalizeVersionText(char* text) {
    if (text == nullptr || !StartsWithBase(text)) return;
    // text[3] is a digit, so text[4] is at most the terminator; likewise text[5]
    // after a letter and text[6] after a digit.
    if (!IsLetter(text[4])) {
        text[4] = '\0';
    } else if (IsDigit(text[5])) {
        text[6] = '\0';
    } else {
        text[5] = '\0';
    }
}

int CompareFirmwareVersions(const char* a, const char* b) {
    if (a == nullptr) a = "";
    if (b == nullptr) b = "";
    for (int i = 0; i < 4; ++i) {
        const auto ca = static_cast<unsigned char>(a[i]);
        const auto cb = static_cast<unsigned char>(b[i]);
        if (ca != cb) return ca < cb ? -1 : 1;  // a text that ends first is the smaller
        if (ca == 0) return 0;                  // both ended inside the base
    }
    const char* suffix_a = a + 4;
    const char* suffix_b = b + 4;
    const int rank_a = SuffixRank(*suffix_a);
    const int rank_b = SuffixRank(*suffix_b);
    if (rank_a != rank_b) return rank_a < rank_b ? -1 : 1;
    return CompareBytes(suffix_a, suffix_b);
}

}  // namespace qx
