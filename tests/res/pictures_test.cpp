#include <array>

#include "res/resource_ids.h"
#include "tests/res/res_test_support.h"

namespace qx::testing {
namespace {

using SplashPictureTest = ProgramResourcesTest;
using ProgramIconTest = ProgramResourcesTest;

struct Rgb {
    int r, g, b;
};

// The 16-colour VGA palette in its usual order.
constexpr std::array<Rgb, 16> kVga = {{{0, 0, 0},       {128, 0, 0},   {0, 128, 0},   {128, 128, 0},
                                       {0, 0, 128},     {128, 0, 128}, {0, 128, 128}, {192, 192, 192},
                                       {128, 128, 128}, {255, 0, 0},   {0, 255, 0},   {255, 255, 0},
                                       {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255}}};

struct InfoHeader {
    std::uint32_t size;
    std::int32_t width, height;
    std::uint16_t planes, bits;
    std::uint32_t compression, imageSize;
    std::int32_t xPerMetre, yPerMetre;
    std::uint32_t used, important;
};

InfoHeader ReadHeader(std::span<const std::byte> b) {
    return {U32At(b, 0),  I32At(b, 4),  I32At(b, 8),  U16At(b, 12), U16At(b, 14), U32At(b, 16),
            U32At(b, 20), I32At(b, 24), I32At(b, 28), U32At(b, 32), U32At(b, 36)};
}

void ExpectPalette(std::span<const std::byte> b, std::size_t at, std::span<const Rgb> colours) {
    for (std::size_t i = 0; i < colours.size(); ++i) {
        const std::size_t q = at + 4 * i;  // RGBQUAD: blue, green, red, reserved
        EXPECT_EQ(std::to_integer<int>(b[q]), colours[i].b) << "entry " << i;
        EXPECT_EQ(std::to_integer<int>(b[q + 1]), colours[i].g) << "entry " << i;
        EXPECT_EQ(std::to_integer<int>(b[q + 2]), colours[i].r) << "entry " << i;
        EXPECT_EQ(std::to_integer<int>(b[q + 3]), 0) << "entry " << i;
    }
}

// Palette index of picture pixel (x, y), y counted from the top, in a 4-bit bottom-up DIB.
int Pixel4(std::span<const std::byte> bits, int height, std::size_t row_bytes, int x, int y) {
    const auto b = std::to_integer<int>(bits[static_cast<std::size_t>(height - 1 - y) * row_bytes + x / 2]);
    return x % 2 == 0 ? b >> 4 : b & 0x0F;
}

TEST_F(SplashPictureTest, IsA300By179SixteenColourBottomUpDib) {
    const std::span<const std::byte> dib = Bytes(kSplashBitmapName, RT_BITMAP);
    ASSERT_EQ(dib.size(), 27312u);
    const InfoHeader h = ReadHeader(dib);
    EXPECT_EQ(h.size, 40u);
    EXPECT_EQ(h.width, 300);
    EXPECT_EQ(h.height, 179) << "positive: bottom-up";
    EXPECT_EQ(h.planes, 1);
    EXPECT_EQ(h.bits, 4);
    EXPECT_EQ(h.compression, 0u);
    EXPECT_EQ(h.imageSize, 27208u);
    EXPECT_EQ(h.xPerMetre, 0);
    EXPECT_EQ(h.yPerMetre, 0);
    EXPECT_EQ(h.used, 0u);
    EXPECT_EQ(h.important, 0u);
    ExpectPalette(dib, 40, kVga);
    EXPECT_EQ(40u + 64u + 179u * 152u, dib.size());
}

TEST_F(SplashPictureTest, ShowsTheLitRouterOnBlack) {
    const std::span<const std::byte> bits = Bytes(kSplashBitmapName, RT_BITMAP).subspan(104);
    ASSERT_EQ(bits.size(), 179u * 152u);
    std::array<int, 16> count{};
    for (int y = 0; y < 179; ++y) {
        for (int x = 0; x < 300; ++x) ++count[static_cast<std::size_t>(Pixel4(bits, 179, 152, x, y))];
        // The two padding bytes of every row are zero.
        const std::size_t row = static_cast<std::size_t>(y) * 152;
        EXPECT_EQ(std::to_integer<int>(bits[row + 150]) | std::to_integer<int>(bits[row + 151]), 0) << "row " << y;
    }
    for (auto [x, y] : {std::pair{0, 0}, {299, 0}, {0, 178}, {299, 178}}) {
        EXPECT_EQ(Pixel4(bits, 179, 152, x, y), 0) << "corner " << x << "," << y << " is background";
    }
    EXPECT_GT(count[0], 300 * 179 / 3) << "mostly black background";
    // The lamps: at least a terminal cell's worth (8 x 8 pixels) of each lit colour.
    for (int lamp : {9, 10, 11, 14}) EXPECT_GE(count[static_cast<std::size_t>(lamp)], 64) << "colour " << lamp;
}

TEST_F(ProgramIconTest, GroupListsFourImagesOfTheirSizesAndDepths) {
    const std::span<const std::byte> group = Bytes(MAKEINTRESOURCE(IDI_DOWNLOADER), RT_GROUP_ICON);
    ASSERT_EQ(group.size(), 6u + 4u * 14u);
    EXPECT_EQ(U16At(group, 0), 0);  // reserved
    EXPECT_EQ(U16At(group, 2), 1);  // icons
    ASSERT_EQ(U16At(group, 4), 4);
    const struct {
        int width, height, colours, bits;
        std::uint32_t bytes;
    } images[] = {{32, 32, 16, 4, 744}, {32, 32, 2, 1, 304}, {32, 16, 2, 1, 176}, {16, 16, 16, 4, 296}};
    for (std::size_t i = 0; i < std::size(images); ++i) {
        SCOPED_TRACE("image " + std::to_string(i + 1));
        const auto& want = images[i];
        const std::size_t e = 6 + 14 * i;
        EXPECT_EQ(std::to_integer<int>(group[e]), want.width);
        EXPECT_EQ(std::to_integer<int>(group[e + 1]), want.height);
        EXPECT_EQ(std::to_integer<int>(group[e + 2]), want.colours);
        EXPECT_EQ(std::to_integer<int>(group[e + 3]), 0);
        EXPECT_EQ(U16At(group, e + 4), 1);  // planes
        EXPECT_EQ(U16At(group, e + 6), want.bits);
        EXPECT_EQ(U32At(group, e + 8), want.bytes);
        const std::uint16_t id = U16At(group, e + 12);
        EXPECT_EQ(id, i + 1);

        const std::span<const std::byte> image = Bytes(MAKEINTRESOURCE(id), RT_ICON);
        ASSERT_EQ(image.size(), want.bytes);
        const InfoHeader h = ReadHeader(image);
        EXPECT_EQ(h.size, 40u);
        EXPECT_EQ(h.width, want.width);
        EXPECT_EQ(h.height, 2 * want.height) << "XOR and AND halves";
        EXPECT_EQ(h.planes, 1);
        EXPECT_EQ(h.bits, want.bits);
        EXPECT_EQ(h.compression, 0u);
        const std::size_t xor_row = static_cast<std::size_t>((want.width * want.bits + 31) / 32 * 4);
        const std::size_t and_row = static_cast<std::size_t>((want.width + 31) / 32 * 4);
        EXPECT_EQ(40u + 4u * static_cast<std::size_t>(want.colours) + (xor_row + and_row) * want.height, want.bytes);
        if (want.bits == 4) {
            ExpectPalette(image, 40, kVga);
        } else {
            ExpectPalette(image, 40, std::array<Rgb, 2>{{{0, 0, 0}, {255, 255, 255}}});
        }
        // The top-left corner is transparent (AND bit set), the device at the bottom
        // centre is opaque: the mask is neither empty nor full.
        const std::span<const std::byte> mask =
            image.subspan(40 + 4 * static_cast<std::size_t>(want.colours) + xor_row * want.height);
        const auto mask_bit = [&](int x, int y) {
            const std::size_t row = static_cast<std::size_t>(want.height - 1 - y) * and_row;
            return (std::to_integer<int>(mask[row + static_cast<std::size_t>(x / 8)]) >> (7 - x % 8)) & 1;
        };
        EXPECT_EQ(mask_bit(0, 0), 1);
        EXPECT_EQ(mask_bit(want.width / 2, want.height - 2), 0);
    }
}

}  // namespace
}  // namespace qx::testing
