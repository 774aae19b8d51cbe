// The TFTP wire vocabulary used by the write transfer (RFC 1350) and the helpers that
// read and write its 16-bit big-endian fields. Packets are plain byte buffers; no
// structure is ever laid over them.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qx {

// RFC 1350 section 5: the opcode is the first 16-bit field of every packet.
enum class TftpOpcode : std::uint16_t {
    ReadRequest = 1,
    WriteRequest = 2,
    Data = 3,
    Ack = 4,
    Error = 5,
};

inline constexpr std::uint16_t kTftpServerPort = 69;        // RFC 1350 section 4
inline constexpr std::size_t kTftpBlockSize = 512;          // RFC 1350 section 2
inline constexpr std::size_t kTftpHeaderSize = 4;           // opcode and block number
inline constexpr std::size_t kTftpPacketSize = kTftpHeaderSize + kTftpBlockSize;  // 516
inline constexpr std::uint32_t kTftpMaxBlocks = 0xFFFF;     // block numbers are 16 bits

inline void PutU16(unsigned char* at, std::uint16_t value) {
    at[0] = static_cast<unsigned char>(value >> 8);
    at[1] = static_cast<unsigned char>(value & 0xFF);
}

inline std::uint16_t GetU16(const unsigned char* at) {
    return static_cast<std::uint16_t>((at[0] << 8) | at[1]);
}

}  // namespace qx
