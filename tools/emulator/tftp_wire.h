// The TFTP wire vocabulary the emulator speaks (RFC 1350), and helpers that read and
// write 16-bit big-endian fields byte by byte (no struct overlays on packets).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace qx::emulator {

enum class Opcode : std::uint16_t {  // RFC 1350, section 5
    Rrq = 1,
    Wrq = 2,
    Data = 3,
    Ack = 4,
    Error = 5,
};

enum class ErrorCode : std::uint16_t {  // RFC 1350, appendix
    NotDefined = 0,
    FileNotFound = 1,
    AccessViolation = 2,
    DiskFull = 3,
    IllegalOperation = 4,
    UnknownTransferId = 5,
};

inline constexpr std::size_t kDataPayload = 512;                      // RFC 1350
inline constexpr std::size_t kMaxDataPacket = 4 + kDataPayload;       // 516
// 65,535 blocks of which the last is short: the most a 16-bit block number can carry.
inline constexpr std::size_t kMaxImageBytes = 65535 * kDataPayload - 1;
// An opcode no TFTP peer uses, for the unexpected-opcode fault.
inline constexpr std::uint16_t kUnknownOpcode = 9;

inline std::uint16_t Get16(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint16_t>((bytes[at] << 8) | bytes[at + 1]);
}

inline void Put16(std::vector<std::uint8_t>& out, std::uint16_t value) {
    out.push_back(static_cast<std::uint8_t>(value >> 8));
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
}

inline std::vector<std::uint8_t> MakeAck(std::uint16_t block) {
    std::vector<std::uint8_t> p;
    Put16(p, static_cast<std::uint16_t>(Opcode::Ack));
    Put16(p, block);
    return p;
}

inline std::vector<std::uint8_t> MakeError(std::uint16_t code, std::string_view text) {
    // Sized up front: g++ 12 misreads a range insert into a vector that grew by
    // push_back as an overread.
    std::vector<std::uint8_t> p(4 + text.size() + 1, 0);
    p[0] = 0;
    p[1] = static_cast<std::uint8_t>(Opcode::Error);
    p[2] = static_cast<std::uint8_t>(code >> 8);
    p[3] = static_cast<std::uint8_t>(code & 0xFF);
    for (std::size_t i = 0; i < text.size(); ++i) p[4 + i] = static_cast<std::uint8_t>(text[i]);
    return p;
}

inline std::vector<std::uint8_t> MakeError(ErrorCode code, std::string_view text) {
    return MakeError(static_cast<std::uint16_t>(code), text);
}

}  // namespace qx::emulator
