// A little-endian writer for the binary forms the program carries in its resources
// (dialog templates here; bitmaps, icons and the version block in the resource
// generators). Appends to a byte vector that the caller takes at the end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace qx {

class ByteWriter {
public:
    void U8(std::uint8_t v) { out_.push_back(static_cast<std::byte>(v)); }
    void U16(std::uint16_t v) {
        U8(static_cast<std::uint8_t>(v & 0xFF));
        U8(static_cast<std::uint8_t>(v >> 8));
    }
    void U32(std::uint32_t v) {
        U16(static_cast<std::uint16_t>(v & 0xFFFF));
        U16(static_cast<std::uint16_t>(v >> 16));
    }
    void I16(std::int16_t v) { U16(static_cast<std::uint16_t>(v)); }
    void I32(std::int32_t v) { U32(static_cast<std::uint32_t>(v)); }
    void Raw(std::string_view s) {
        for (char c : s) U8(static_cast<std::uint8_t>(c));
    }
    void Align(std::size_t boundary) {
        while (out_.size() % boundary != 0) U8(0);
    }
    void PatchU16(std::size_t at, std::uint16_t v) {
        out_[at] = static_cast<std::byte>(v & 0xFF);
        out_[at + 1] = static_cast<std::byte>(v >> 8);
    }
    std::size_t Size() const { return out_.size(); }
    const std::vector<std::byte>& Data() const { return out_; }
    std::vector<std::byte> Take() { return std::move(out_); }

private:
    std::vector<std::byte> out_;
};

}  // namespace qx
