// qx_resgen KIND ARGS...: runs one generator; a defect in a source fails the build.
#include <charconv>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/resgen/resgen.h"

namespace {

std::size_t ParseSize(const std::string& text) {
    std::size_t value = 0;
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || ptr != text.data() + text.size()) {
        throw qx::resgen::SourceError("\"" + text + "\" is not a size in bytes");
    }
    return value;
}

int Usage() {
    std::fputs(
        "usage: qx_resgen strings SOURCE OUTDIR\n"
        "       qx_resgen dialogs OUTDIR\n"
        "       qx_resgen firmware OUT SIZE VERSION\n"
        "       qx_resgen agreement SOURCE OUT\n"
        "       qx_resgen splash OUT\n"
        "       qx_resgen icon ART32 ART16 OUTDIR\n"
        "       qx_resgen version SOURCE OUT\n",
        stderr);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace qx::resgen;
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) return Usage();
    const std::string& kind = args[0];
    try {
        if (kind == "strings" && args.size() == 3) {
            GenerateStringTable(args[1], args[2]);
        } else if (kind == "dialogs" && args.size() == 2) {
            GenerateDialogs(args[1]);
        } else if (kind == "firmware" && args.size() == 4) {
            GenerateFirmware(args[1], ParseSize(args[2]), args[3]);
        } else if (kind == "agreement" && args.size() == 3) {
            GenerateAgreement(args[1], args[2]);
        } else if (kind == "splash" && args.size() == 2) {
            GenerateSplash(args[1]);
        } else if (kind == "icon" && args.size() == 4) {
            GenerateIcon(args[1], args[2], args[3]);
        } else if (kind == "version" && args.size() == 3) {
            GenerateVersionInfo(args[1], args[2]);
        } else {
            return Usage();
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "qx_resgen %s: error: %s\n", kind.c_str(), e.what());
        return 1;
    }
    return 0;
}
