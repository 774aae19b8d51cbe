#include "platform/windows/image.h"

#include <cstring>

namespace qx {

namespace {

constexpr std::size_t kInfoHeaderSize = 40;  // BITMAPINFOHEADER
constexpr DWORD kBiRgb = 0;
constexpr int kMaxSide = 4096;

std::uint32_t U32(std::span<const std::byte> b, std::size_t at) {
    return static_cast<std::uint32_t>(b[at]) | (static_cast<std::uint32_t>(b[at + 1]) << 8) |
           (static_cast<std::uint32_t>(b[at + 2]) << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}
std::uint16_t U16(std::span<const std::byte> b, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<unsigned>(b[at]) | (static_cast<unsigned>(b[at + 1]) << 8));
}

std::size_t RowBytes(int width, int bits) {
    return ((static_cast<std::size_t>(width) * static_cast<std::size_t>(bits) + 31) / 32) * 4;
}

int IndexAt(std::span<const std::byte> row, int x, int bits) {
    const std::size_t bit = static_cast<std::size_t>(x) * static_cast<std::size_t>(bits);
    const unsigned byte = static_cast<unsigned>(row[bit / 8]);
    const unsigned shift = 8 - bits - (bit % 8);
    return static_cast<int>((byte >> shift) & ((1u << bits) - 1));
}

// `heightDivisor` is 2 for icon images, whose header counts both halves.
std::optional<Image> Decode(std::span<const std::byte> b, bool icon) {
    if (b.size() < kInfoHeaderSize) return std::nullopt;
    const std::uint32_t headerSize = U32(b, 0);
    const int width = static_cast<std::int32_t>(U32(b, 4));
    int height = static_cast<std::int32_t>(U32(b, 8));
    const int planes = U16(b, 12);
    const int bits = U16(b, 14);
    const DWORD compression = U32(b, 16);
    const std::uint32_t colorsUsed = U32(b, 32);
    if (headerSize < kInfoHeaderSize || headerSize > b.size() || planes != 1) return std::nullopt;
    if (bits != 1 && bits != 4 && bits != 8) return std::nullopt;
    if (compression != kBiRgb) return std::nullopt;
    bool topDown = false;
    if (height < 0) {
        if (icon || height == INT32_MIN) return std::nullopt;
        height = -height;
        topDown = true;
    }
    if (icon) {
        if (height % 2 != 0) return std::nullopt;
        height /= 2;
    }
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) return std::nullopt;
    const std::size_t maxColors = std::size_t{1} << bits;
    const std::size_t colors = colorsUsed == 0 ? maxColors : colorsUsed;
    if (colors > maxColors) return std::nullopt;

    const std::size_t paletteAt = headerSize;
    const std::size_t pixelsAt = paletteAt + colors * 4;
    const std::size_t rowBytes = RowBytes(width, bits);
    const std::size_t maskRowBytes = RowBytes(width, 1);
    const std::size_t h = static_cast<std::size_t>(height);
    const std::size_t needed = pixelsAt + rowBytes * h + (icon ? maskRowBytes * h : 0);
    if (needed > b.size()) return std::nullopt;

    std::vector<COLORREF> palette(colors);
    for (std::size_t i = 0; i < colors; ++i) {
        const std::size_t at = paletteAt + i * 4;  // RGBQUAD: blue, green, red, reserved
        palette[i] = RGB(static_cast<BYTE>(b[at + 2]), static_cast<BYTE>(b[at + 1]), static_cast<BYTE>(b[at]));
    }
    Image image;
    image.width = width;
    image.height = height;
    image.pixels.resize(static_cast<std::size_t>(width) * h);
    image.opaque.assign(static_cast<std::size_t>(width) * h, 1);
    const std::size_t maskAt = pixelsAt + rowBytes * h;
    for (int y = 0; y < height; ++y) {
        const std::size_t stored = topDown ? static_cast<std::size_t>(y) : h - 1 - static_cast<std::size_t>(y);
        const auto row = b.subspan(pixelsAt + stored * rowBytes, rowBytes);
        for (int x = 0; x < width; ++x) {
            const auto index = static_cast<std::size_t>(IndexAt(row, x, bits));
            const std::size_t at = static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x);
            image.pixels[at] = index < colors ? palette[index] : RGB(0, 0, 0);
            if (icon) {
                const auto mask = b.subspan(maskAt + stored * maskRowBytes, maskRowBytes);
                image.opaque[at] = IndexAt(mask, x, 1) == 0 ? 1 : 0;  // AND bit 1: transparent
            }
        }
    }
    return image;
}

}  // namespace

std::optional<Image> DecodeDib(std::span<const std::byte> bytes) { return Decode(bytes, false); }
std::optional<Image> DecodeIconImage(std::span<const std::byte> bytes) { return Decode(bytes, true); }

std::optional<Image> LoadBitmapImage(ResourceName name) {
    const auto bytes = ResourceBytes(name, RT_BITMAP);
    if (bytes.empty()) return std::nullopt;
    return DecodeDib(bytes);
}

std::optional<Image> LoadIconImage(ResourceName id) {
    // GRPICONDIR: reserved, type (1), count; then 14-byte entries: width, height,
    // colour count, reserved, planes, bit count, bytes in resource, icon id.
    const auto dir = ResourceBytes(id, RT_GROUP_ICON);
    if (dir.size() < 6 || U16(dir, 2) != 1) return std::nullopt;
    const std::size_t count = U16(dir, 4);
    if (dir.size() < 6 + count * 14) return std::nullopt;
    std::optional<Image> best;
    int bestScore = -1;
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t at = 6 + i * 14;
        const WORD iconId = U16(dir, at + 12);
        const auto bytes = ResourceBytes(iconId, RT_ICON);
        std::optional<Image> image = DecodeIconImage(bytes);
        if (!image) continue;
        const int bits = bytes.size() >= 16 ? U16(bytes, 14) : 0;
        int score = image->width * image->height;  // otherwise the largest
        if (bits == 4 && image->width == 32 && image->height == 32) score = 1 << 30;
        else if (bits == 4 && image->width == 16 && image->height == 16) score = 1 << 29;
        if (score > bestScore) {
            bestScore = score;
            best = std::move(image);
        }
    }
    return best;
}

}  // namespace qx
