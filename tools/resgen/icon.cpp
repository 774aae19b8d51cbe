// The program icon: four images in the classic icon-resource form (BITMAPINFOHEADER
// with the height doubled for the XOR and AND halves, palette, XOR bits, AND mask)
// and the group directory that lists them. The two colour images come straight from
// the pixel art under res/; the monochrome ones are derived from the 32 x 32 art.
#include "tools/resgen/bitmap.h"

namespace qx::resgen {

namespace {

constexpr std::uint8_t kTransparent = 0xFF;
constexpr Rgb kMonoPalette[2] = {{0, 0, 0}, {255, 255, 255}};

// Reads pixel art: `size` rows of `size` characters, '.' transparent, 0-9 A-F a
// palette index.
IndexedImage ReadArt(const std::filesystem::path& path, int size) {
    const std::string name = path.filename().string();
    const std::string all = ReadTextFile(path);
    IndexedImage image(size, size, kTransparent);
    int y = 0;
    std::size_t start = 0;
    while (start < all.size()) {
        std::size_t end = all.find('\n', start);
        if (end == std::string::npos) end = all.size();
        const std::string_view line(all.data() + start, end - start);
        start = end + 1;
        const std::string where = name + ":" + std::to_string(y + 1);
        if (y == size) throw SourceError(where + ": more than " + std::to_string(size) + " rows");
        if (line.size() != static_cast<std::size_t>(size)) {
            throw SourceError(where + ": the row has " + std::to_string(line.size()) + " pixels, must have " +
                              std::to_string(size));
        }
        for (int x = 0; x < size; ++x) {
            const char c = line[static_cast<std::size_t>(x)];
            if (c == '.') continue;
            if (c >= '0' && c <= '9') {
                image.At(x, y) = static_cast<std::uint8_t>(c - '0');
            } else if (c >= 'A' && c <= 'F') {
                image.At(x, y) = static_cast<std::uint8_t>(c - 'A' + 10);
            } else {
                throw SourceError(where + ": '" + std::string(1, c) + "' is neither '.' nor a palette index 0-F");
            }
        }
        ++y;
    }
    if (y != size) throw SourceError(name + ": " + std::to_string(y) + " rows, must have " + std::to_string(size));
    return image;
}

bool IsDark(std::uint8_t index) {
    const Rgb c = kVgaPalette[index];
    return 299 * c.r + 587 * c.g + 114 * c.b < 140 * 1000;
}

// Monochrome from colour: dark colours black, light ones white. `rows_per_pixel` 2
// folds row pairs for the half-height image; a pair is black only where both of its
// opaque pixels are dark, so thin dark outlines do not swallow the paper.
IndexedImage ToMono(const IndexedImage& art, int rows_per_pixel) {
    IndexedImage mono(art.width, art.height / rows_per_pixel, kTransparent);
    for (int y = 0; y < mono.height; ++y) {
        for (int x = 0; x < mono.width; ++x) {
            bool any = false, dark = true;
            for (int k = 0; k < rows_per_pixel; ++k) {
                const std::uint8_t p = art.At(x, y * rows_per_pixel + k);
                if (p == kTransparent) continue;
                any = true;
                dark = dark && IsDark(p);
            }
            if (any) mono.At(x, y) = dark ? 0 : 1;
        }
    }
    return mono;
}

Bytes IconImage(const IndexedImage& image, int bits) {
    IndexedImage colour(image.width, image.height);
    IndexedImage mask(image.width, image.height);
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const bool clear = image.At(x, y) == kTransparent;
            colour.At(x, y) = clear ? 0 : image.At(x, y);
            mask.At(x, y) = clear ? 1 : 0;
        }
    }
    const std::size_t xor_bytes = RowBytes(image.width, bits) * static_cast<std::size_t>(image.height);
    const std::size_t and_bytes = RowBytes(image.width, 1) * static_cast<std::size_t>(image.height);
    ByteWriter w;
    WriteInfoHeader(w, image.width, image.height * 2, bits, static_cast<std::uint32_t>(xor_bytes + and_bytes));
    if (bits == 4) {
        WritePalette(w, kVgaPalette.data(), kVgaPalette.size());
    } else {
        WritePalette(w, kMonoPalette, 2);
    }
    WritePixelsBottomUp(w, colour, bits);
    WritePixelsBottomUp(w, mask, 1);
    return w.Take();
}

}  // namespace

void GenerateIcon(const std::filesystem::path& art_32, const std::filesystem::path& art_16,
                  const std::filesystem::path& out_dir) {
    const IndexedImage big = ReadArt(art_32, 32);
    const IndexedImage small = ReadArt(art_16, 16);
    struct Image {
        IndexedImage pixels;
        int bits;
    };
    const Image images[] = {{big, 4}, {ToMono(big, 1), 1}, {ToMono(big, 2), 1}, {small, 4}};

    ByteWriter group;
    group.U16(0);  // reserved
    group.U16(1);  // type: icon
    group.U16(static_cast<std::uint16_t>(std::size(images)));
    std::uint16_t id = 1;
    for (const Image& image : images) {
        const Bytes bytes = IconImage(image.pixels, image.bits);
        group.U8(static_cast<std::uint8_t>(image.pixels.width));
        group.U8(static_cast<std::uint8_t>(image.pixels.height));
        group.U8(static_cast<std::uint8_t>(1u << image.bits));  // colour count
        group.U8(0);                                             // reserved
        group.U16(1);                                            // planes
        group.U16(static_cast<std::uint16_t>(image.bits));
        group.U32(static_cast<std::uint32_t>(bytes.size()));
        group.U16(id);
        WriteBytes(out_dir / ("icon_" + std::to_string(id) + ".bin"), bytes);
        ++id;
    }
    WriteBytes(out_dir / "group_icon.bin", group.Data());
}

}  // namespace qx::resgen
