// Version normalisation and ordering on any bytes. Each text lies in a heap buffer
// that ends right after its terminator, so a read past the terminator is caught. The
// checks: normalising writes at most one NUL, at position 4, 5 or 6 and within the
// text, and is idempotent; the ordering is reflexive, antisymmetric and transitive.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstring>
#include <string>
#include <vector>

#include "fuzz/fuzz_network.h"
#include "protocol/firmware_version.h"

using namespace qx;

namespace {

std::vector<char> Terminated(const std::string& text) {
    std::vector<char> buffer(text.begin(), text.end());
    buffer.push_back('\0');
    return buffer;
}

int Sign(int v) { return (v > 0) - (v < 0); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    FuzzedDataProvider data(bytes, size);
    std::vector<char> texts[3];
    for (auto& t : texts) t = Terminated(data.ConsumeRandomLengthString(12));

    for (auto& t : texts) {
        const std::vector<char> before = t;
        NormalizeVersionText(t.data());
        std::size_t changed = 0;
        for (std::size_t i = 0; i < t.size(); ++i) {
            if (t[i] == before[i]) continue;
            ++changed;
            if (t[i] != '\0' || i < 4 || i > 6) fuzz::Violation("normalising wrote outside positions 4 to 6");
        }
        if (changed > 1) fuzz::Violation("normalising wrote more than one byte");
        const std::vector<char> once = t;
        NormalizeVersionText(t.data());
        if (t != once) fuzz::Violation("normalising twice changed the text again");
    }

    const char* a = texts[0].data();
    const char* b = texts[1].data();
    const char* c = texts[2].data();
    if (CompareFirmwareVersions(a, a) != 0) fuzz::Violation("a version differs from itself");
    const int ab = Sign(CompareFirmwareVersions(a, b));
    if (ab != -Sign(CompareFirmwareVersions(b, a))) fuzz::Violation("ordering is not antisymmetric");
    const int bc = Sign(CompareFirmwareVersions(b, c));
    if (ab == bc && ab != 0 && Sign(CompareFirmwareVersions(a, c)) != ab)
        fuzz::Violation("ordering is not transitive");
    return 0;
}
