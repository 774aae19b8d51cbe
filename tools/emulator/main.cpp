// qx210-emulator: a stand-in for the router on the loopback network or in a private
// network namespace. See EmulatorUsage() for the command line.
#include <cstdio>
#include <string>
#include <vector>

#include "tools/emulator/emulator.h"
#include "tools/emulator/emulator_options.h"

int main(int argc, char** argv) {
    using namespace qx::emulator;
    std::vector<std::string> args(argv + 1, argv + argc);
    ParseResult parsed = ParseEmulatorOptions(args);
    if (parsed.help) {
        std::fputs(EmulatorUsage(), stdout);
        return 0;
    }
    if (!parsed.options) {
        std::fprintf(stderr, "qx210-emulator: %s\n", parsed.error.c_str());
        return 2;
    }
    Emulator emulator(*parsed.options);
    return emulator.Run();
}
