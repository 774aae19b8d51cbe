// The splash picture: the scene drawn on a 300 x 179 surface and written as a 4-bit
// bottom-up DIB the way bitmap resources hold it (BITMAPINFOHEADER, 16-entry palette,
// rows padded to 32 bits, no file header).
#include "tools/resgen/canvas.h"

namespace qx::resgen {

namespace {

constexpr int kWidth = 300;
constexpr int kHeight = 179;
constexpr int kBits = 4;
constexpr std::size_t kTotalBytes = 27312;  // 40 + 64 + 179 rows of 152 bytes

}  // namespace

void GenerateSplash(const std::filesystem::path& out) {
    Canvas canvas(kWidth, kHeight, kBlack);
    DrawSplashScene(canvas);
    const std::size_t image_size = RowBytes(kWidth, kBits) * kHeight;
    ByteWriter w;
    WriteInfoHeader(w, kWidth, kHeight, kBits, static_cast<std::uint32_t>(image_size));
    WritePalette(w, kVgaPalette.data(), kVgaPalette.size());
    WritePixelsBottomUp(w, canvas.Image(), kBits);
    if (w.Size() != kTotalBytes) {
        throw SourceError("the picture is " + std::to_string(w.Size()) + " bytes, must be " +
                          std::to_string(kTotalBytes));
    }
    WriteBytes(out, w.Data());
}

}  // namespace qx::resgen
