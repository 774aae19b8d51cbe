// Pieces shared by the splash picture and the icon images: the 16-colour VGA palette
// in its usual order and the writers for BITMAPINFOHEADER, the palette and packed rows.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "tools/resgen/resgen.h"

namespace qx::resgen {

struct Rgb {
    std::uint8_t r, g, b;
};

inline constexpr std::array<Rgb, 16> kVgaPalette = {{
    {0, 0, 0},       {128, 0, 0},   {0, 128, 0},   {128, 128, 0},
    {0, 0, 128},     {128, 0, 128}, {0, 128, 128}, {192, 192, 192},
    {128, 128, 128}, {255, 0, 0},   {0, 255, 0},   {255, 255, 0},
    {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255},
}};

// Palette indexes by name, for drawing code.
enum Colour : std::uint8_t {
    kBlack, kDarkRed, kDarkGreen, kOlive, kNavy, kPurple, kTeal, kSilver,
    kGrey, kRed, kLime, kYellow, kBlue, kMagenta, kCyan, kWhite,
};

// A picture as palette indexes, row 0 at the top.
struct IndexedImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;  // width * height

    IndexedImage(int w, int h, std::uint8_t fill = 0)
        : width(w), height(h), pixels(static_cast<std::size_t>(w * h), fill) {}
    std::uint8_t& At(int x, int y) { return pixels[static_cast<std::size_t>(y * width + x)]; }
    std::uint8_t At(int x, int y) const { return pixels[static_cast<std::size_t>(y * width + x)]; }
};

// Bytes of one row of `bits`-per-pixel pixels, padded to a 32-bit boundary.
inline std::size_t RowBytes(int width, int bits) {
    return ((static_cast<std::size_t>(width) * static_cast<std::size_t>(bits) + 31) / 32) * 4;
}

inline void WriteInfoHeader(ByteWriter& w, int width, int height, int bits, std::uint32_t image_size) {
    w.U32(40);  // biSize
    w.I32(width);
    w.I32(height);
    w.U16(1);  // planes
    w.U16(static_cast<std::uint16_t>(bits));
    w.U32(0);  // BI_RGB
    w.U32(image_size);
    w.I32(0);  // resolution
    w.I32(0);
    w.U32(0);  // colours used: all that the bit count gives
    w.U32(0);  // colours important
}

inline void WritePalette(ByteWriter& w, const Rgb* colours, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {  // RGBQUAD: blue, green, red, reserved
        w.U8(colours[i].b);
        w.U8(colours[i].g);
        w.U8(colours[i].r);
        w.U8(0);
    }
}

// Writes `image` bottom-up at 1 or 4 bits per pixel.
inline void WritePixelsBottomUp(ByteWriter& w, const IndexedImage& image, int bits) {
    const std::size_t row_bytes = RowBytes(image.width, bits);
    for (int y = image.height - 1; y >= 0; --y) {
        std::vector<std::uint8_t> row(row_bytes, 0);
        for (int x = 0; x < image.width; ++x) {
            const int bit = x * bits;
            const int shift = 8 - bits - bit % 8;
            row[static_cast<std::size_t>(bit / 8)] |= static_cast<std::uint8_t>(image.At(x, y) << shift);
        }
        for (std::uint8_t b : row) w.U8(b);
    }
}

}  // namespace qx::resgen
