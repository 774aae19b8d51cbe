// Pictures carried as resources: device-independent bitmaps (RT_BITMAP: a 40-byte
// BITMAPINFOHEADER, a colour table, the rows bottom-up padded to 4 bytes) and icons
// (RT_GROUP_ICON directories naming RT_ICON images, each a bitmap of doubled height
// followed by its AND mask). Decoding checks every size against the bytes it has and
// gives nothing for anything it does not understand; the caller decides what then.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "platform/system/resources.h"
#include "platform/win_types.h"

namespace qx {

struct Image {
    int width = 0;
    int height = 0;
    std::vector<COLORREF> pixels;   // top row first
    std::vector<std::uint8_t> opaque;  // 1 where the pixel is drawn (icons have a mask)

    COLORREF At(int x, int y) const { return pixels[static_cast<std::size_t>(y * width + x)]; }
    bool OpaqueAt(int x, int y) const { return opaque[static_cast<std::size_t>(y * width + x)] != 0; }
};

// A packed bitmap (header, colour table, pixels) of 1, 4 or 8 bits per pixel, BI_RGB.
std::optional<Image> DecodeDib(std::span<const std::byte> bytes);
// An icon image: the bitmap's height field counts the XOR and AND halves.
std::optional<Image> DecodeIconImage(std::span<const std::byte> bytes);

// RT_BITMAP resource `name`.
std::optional<Image> LoadBitmapImage(ResourceName name);
// The best image of group icon `id` for the terminal: 16 colours at 32 x 32, else
// 16 colours at 16 x 16, else the largest that decodes.
std::optional<Image> LoadIconImage(ResourceName id);

}  // namespace qx
