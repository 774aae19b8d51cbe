// The firmware image: a short header a reader of a packet capture recognises, then
// pseudo-random bytes from a fixed-seed xorshift64 generator, so every build writes
// the same image. The program treats all of it as opaque bytes.
#include "tools/resgen/resgen.h"

namespace qx::resgen {

namespace {

constexpr std::uint64_t kSeed = 0x5158'3231'3000'0102ULL;  // never zero: xorshift stays at zero

class XorShift64 {
public:
    explicit XorShift64(std::uint64_t seed) : state_(seed) {}
    std::uint64_t Next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 7;
        state_ ^= state_ << 17;
        return state_;
    }

private:
    std::uint64_t state_;
};

}  // namespace

void GenerateFirmware(const std::filesystem::path& out, std::size_t size, std::string_view version) {
    const std::string header = "QX210-NODE FIRMWARE VERSION " + std::string(version) + "\r\n\x1a";
    if (version.empty() || size < header.size() + 1) {
        throw SourceError("the image must be longer than its header \"" + header.substr(0, header.size() - 3) + "\"");
    }
    ByteWriter w;
    w.Raw(header);
    w.U8(0);
    XorShift64 random(kSeed);
    while (w.Size() < size) {
        std::uint64_t word = random.Next();
        for (int i = 0; i < 8 && w.Size() < size; ++i, word >>= 8) w.U8(static_cast<std::uint8_t>(word));
    }
    WriteBytes(out, w.Data());
}

}  // namespace qx::resgen
