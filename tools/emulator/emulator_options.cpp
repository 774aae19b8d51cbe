#include "tools/emulator/emulator_options.h"

#include <arpa/inet.h>

#include <charconv>
#include <cstdlib>
#include <functional>

namespace qx::emulator {
namespace {

// Largest block number a 16-bit block field can carry.
constexpr std::uint32_t kMaxBlock = 65535;

bool ParseUnsigned(const std::string& text, std::uint64_t max, std::uint64_t& out) {
    if (text.empty()) return false;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, out);
    return ec == std::errc() && ptr == end && out <= max;
}

// "3", "3,7,9": every item a block number.
bool ParseBlocks(const std::string& text, std::set<std::uint32_t>& out) {
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t comma = text.find(',', start);
        if (comma == std::string::npos) comma = text.size();
        std::uint64_t block = 0;
        if (!ParseUnsigned(text.substr(start, comma - start), kMaxBlock, block)) return false;
        out.insert(static_cast<std::uint32_t>(block));
        start = comma + 1;
    }
    return true;
}

bool ValidAddress(const std::string& text) {
    in_addr addr{};
    return inet_pton(AF_INET, text.c_str(), &addr) == 1;
}

}  // namespace

const char* EmulatorUsage() {
    return "usage: qx210-emulator [options]\n"
           "Emulates the router: answers the download-mode command and serves one TFTP\n"
           "write (file \"firm\", mode octet) at a time from a fresh transfer port.\n"
           "\n"
           "  --address A          IPv4 address to bind (default 127.0.0.1)\n"
           "  --command-port N     port of the download-mode command (default 7)\n"
           "  --tftp-port N        TFTP server port (default 69)\n"
           "  --password P         password the command must carry (default empty)\n"
           "  --reply KIND         ok | bare | ng | other | silent (default ok)\n"
           "                         ok: \"OK\\0<version>\\0\"; bare: \"OK\"; ng: always \"NG\\0\";\n"
           "                         other: \"<reply text>\\0\"; silent: no answer.\n"
           "                         A wrong password always gets \"NG\\0\" (except silent).\n"
           "  --reply-text T       text for --reply other (default ERR)\n"
           "  --version V          firmware version reported after OK (default 1.01)\n"
           "  --output FILE        store a completely received image in FILE (written to a\n"
           "                       temporary file beside it, then renamed)\n"
           "  --timeout S          a transfer without DATA for S seconds fails (default 10)\n"
           "  --once               exit after the first transfer: 0 if it completed, else 1\n"
           "  --verbose            one line per event on standard output\n"
           "  --help               this text\n"
           "\n"
           "Fault injection (block 0 is the acknowledgement of the write request; BLOCKS is\n"
           "a block number or a comma list; options may be repeated):\n"
           "  --drop-ack BLOCKS    do not send the first ACK of these blocks\n"
           "  --drop-share P       drop each ACK with probability P (0..1); the same ACK is\n"
           "                       never dropped more than twice in a row\n"
           "  --seed N             seed of --drop-share (default 1)\n"
           "  --duplicate-ack BLOCKS  send the first ACK of these blocks twice\n"
           "  --late-ack N[:MS]    send the first ACK of block N MS ms late (default 6000)\n"
           "  --error-at N         answer with ERROR instead of the ACK of block N; the\n"
           "                       transfer ends there\n"
           "  --error-code C       error code of that ERROR (default 0)\n"
           "  --error-text T       its message (default \"injected error\")\n"
           "  --bad-opcode BLOCKS  answer these blocks first with an unknown opcode (9)\n"
           "  --stray BLOCKS       before the ACK of these blocks, send the same ACK from\n"
           "                       another socket (another port, or --stray-address)\n"
           "  --stray-address A    bind the stray socket to A (e.g. 127.0.0.2)\n"
           "\n"
           "Exit status: 0 after --once with a complete transfer or on SIGINT/SIGTERM;\n"
           "1 when a --once transfer failed or a socket cannot be set up; 2 on a usage error.\n";
}

ParseResult ParseEmulatorOptions(const std::vector<std::string>& args) {
    ParseResult result;
    EmulatorOptions opts;

    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::optional<std::string> inlineValue;
        if (auto eq = name.find('='); name.rfind("--", 0) == 0 && eq != std::string::npos) {
            inlineValue = name.substr(eq + 1);
            name = name.substr(0, eq);
        }
        auto fail = [&](const std::string& why) {
            result.error = name + ": " + why;
            return result;
        };
        auto flag = [&](bool& target) -> bool {
            if (inlineValue) return false;
            target = true;
            return true;
        };
        // Fetches the option's value, inline or as the next argument.
        std::string value;
        auto take = [&]() -> bool {
            if (inlineValue) {
                value = *inlineValue;
                return true;
            }
            if (i + 1 >= args.size()) return false;
            value = args[++i];
            return true;
        };
        auto takePort = [&](std::uint16_t& port) -> bool {
            std::uint64_t n = 0;
            if (!take() || !ParseUnsigned(value, 65535, n) || n == 0) return false;
            port = static_cast<std::uint16_t>(n);
            return true;
        };
        auto takeBlocks = [&](std::set<std::uint32_t>& blocks) {
            return take() && ParseBlocks(value, blocks);
        };

        if (name == "--help" || name == "-h") {
            result.help = true;
            return result;
        } else if (name == "--verbose" || name == "-v") {
            if (!flag(opts.verbose)) return fail("takes no value");
        } else if (name == "--once") {
            if (!flag(opts.once)) return fail("takes no value");
        } else if (name == "--address") {
            if (!take() || !ValidAddress(value)) return fail("needs a dotted IPv4 address");
            opts.address = value;
        } else if (name == "--command-port") {
            if (!takePort(opts.commandPort)) return fail("needs a port 1..65535");
        } else if (name == "--tftp-port") {
            if (!takePort(opts.tftpPort)) return fail("needs a port 1..65535");
        } else if (name == "--password") {
            if (!take()) return fail("needs a value");
            opts.password = value;
        } else if (name == "--reply") {
            if (!take()) return fail("needs a kind");
            if (value == "ok") opts.reply = ReplyKind::Ok;
            else if (value == "bare") opts.reply = ReplyKind::Bare;
            else if (value == "ng") opts.reply = ReplyKind::Ng;
            else if (value == "other") opts.reply = ReplyKind::Other;
            else if (value == "silent") opts.reply = ReplyKind::Silent;
            else return fail("unknown kind '" + value + "' (ok, bare, ng, other, silent)");
        } else if (name == "--reply-text") {
            // The reply is built in a 256-byte datagram with its terminator.
            if (!take() || value.size() > 254) return fail("needs a text of at most 254 bytes");
            opts.replyText = value;
        } else if (name == "--version") {
            if (!take() || value.size() > 250) return fail("needs a text of at most 250 bytes");
            opts.version = value;
        } else if (name == "--output") {
            if (!take() || value.empty()) return fail("needs a file name");
            opts.output = value;
        } else if (name == "--timeout") {
            std::uint64_t n = 0;
            if (!take() || !ParseUnsigned(value, 3600, n) || n == 0)
                return fail("needs seconds 1..3600");
            opts.timeoutSeconds = static_cast<unsigned>(n);
        } else if (name == "--drop-ack") {
            if (!takeBlocks(opts.dropAck)) return fail("needs block numbers 0..65535");
        } else if (name == "--drop-share") {
            if (!take()) return fail("needs a probability");
            char* end = nullptr;
            double p = std::strtod(value.c_str(), &end);
            if (value.empty() || *end != '\0' || !(p >= 0.0 && p <= 1.0))
                return fail("needs a probability 0..1");
            opts.dropShare = p;
        } else if (name == "--seed") {
            std::uint64_t n = 0;
            if (!take() || !ParseUnsigned(value, UINT32_MAX, n)) return fail("needs a number");
            opts.seed = static_cast<std::uint32_t>(n);
        } else if (name == "--duplicate-ack") {
            if (!takeBlocks(opts.duplicateAck)) return fail("needs block numbers 0..65535");
        } else if (name == "--late-ack") {
            if (!take()) return fail("needs N[:MS]");
            std::string block = value, delay = "6000";
            if (auto colon = value.find(':'); colon != std::string::npos) {
                block = value.substr(0, colon);
                delay = value.substr(colon + 1);
            }
            std::uint64_t b = 0, ms = 0;
            if (!ParseUnsigned(block, kMaxBlock, b) || !ParseUnsigned(delay, 600000, ms))
                return fail("needs N[:MS] with N 0..65535 and MS 0..600000");
            opts.lateAckMs[static_cast<std::uint32_t>(b)] = static_cast<unsigned>(ms);
        } else if (name == "--error-at") {
            std::uint64_t b = 0;
            if (!take() || !ParseUnsigned(value, kMaxBlock, b)) return fail("needs a block 0..65535");
            opts.errorAt = static_cast<std::uint32_t>(b);
        } else if (name == "--error-code") {
            std::uint64_t n = 0;
            if (!take() || !ParseUnsigned(value, 65535, n)) return fail("needs a code 0..65535");
            opts.errorCode = static_cast<std::uint16_t>(n);
        } else if (name == "--error-text") {
            if (!take() || value.size() > 500) return fail("needs a text of at most 500 bytes");
            opts.errorText = value;
        } else if (name == "--bad-opcode") {
            if (!takeBlocks(opts.badOpcode)) return fail("needs block numbers 0..65535");
        } else if (name == "--stray") {
            if (!takeBlocks(opts.stray)) return fail("needs block numbers 0..65535");
        } else if (name == "--stray-address") {
            if (!take() || !ValidAddress(value)) return fail("needs a dotted IPv4 address");
            opts.strayAddress = value;
        } else {
            result.error = "unknown option '" + args[i] + "' (see --help)";
            return result;
        }
    }
    result.options = opts;
    return result;
}

}  // namespace qx::emulator
