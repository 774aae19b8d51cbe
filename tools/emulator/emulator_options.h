// Command line of the router emulator. ParseEmulatorOptions never exits or prints: it
// returns the options or one line saying what is wrong, so main decides what to do.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace qx::emulator {

// How the command port answers a command datagram that carries the right password.
enum class ReplyKind {
    Ok,      // "OK\0<version>\0"
    Bare,    // "OK" and nothing else (two bytes)
    Ng,      // "NG\0" whatever the password
    Other,   // "<reply text>\0"
    Silent,  // no answer at all
};

struct EmulatorOptions {
    std::string address = "127.0.0.1";
    std::uint16_t commandPort = 7;    // the router's download-mode command port
    std::uint16_t tftpPort = 69;      // RFC 1350 well-known port
    std::string password;             // empty: the command must carry an empty password
    ReplyKind reply = ReplyKind::Ok;
    std::string replyText = "ERR";    // for ReplyKind::Other
    std::string version = "1.01";     // firmware the emulated router runs now
    std::string output;               // empty: the received image is not stored
    unsigned timeoutSeconds = 10;     // a transfer without DATA for this long fails
    bool verbose = false;
    bool once = false;

    // Fault injection. Block 0 stands for the write request's acknowledgement.
    std::set<std::uint32_t> dropAck;              // the first ACK of these blocks is not sent
    double dropShare = 0.0;                       // share of all ACKs dropped at random
    std::uint32_t seed = 1;
    std::set<std::uint32_t> duplicateAck;         // first ACK of these blocks sent twice
    std::map<std::uint32_t, unsigned> lateAckMs;  // first ACK of these blocks sent late
    std::optional<std::uint32_t> errorAt;         // ERROR instead of this ACK; transfer ends
    std::uint16_t errorCode = 0;
    std::string errorText = "injected error";
    std::set<std::uint32_t> badOpcode;            // first answer is an unknown opcode
    std::set<std::uint32_t> stray;                // a stray ACK precedes this ACK
    std::string strayAddress;                     // empty: strays come from the bound address
};

struct ParseResult {
    std::optional<EmulatorOptions> options;  // empty on error or --help
    bool help = false;
    std::string error;
};

ParseResult ParseEmulatorOptions(const std::vector<std::string>& args);

const char* EmulatorUsage();

}  // namespace qx::emulator
