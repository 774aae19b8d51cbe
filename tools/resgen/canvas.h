// A small drawing surface of palette indexes for the splash picture: filled and
// dithered rectangles, single pixels and text in a 5 x 7 font of our own at integer
// scales. Anything drawn outside the surface, or a character the font lacks, is a
// defect of the picture's source and throws.
#pragma once

#include <string_view>

#include "tools/resgen/bitmap.h"

namespace qx::resgen {

class Canvas {
public:
    Canvas(int width, int height, std::uint8_t background) : image_(width, height, background) {}

    int Width() const { return image_.width; }
    int Height() const { return image_.height; }
    const IndexedImage& Image() const { return image_; }

    void Plot(int x, int y, std::uint8_t colour);
    // Inclusive corners.
    void Fill(int x0, int y0, int x1, int y1, std::uint8_t colour);
    // A checkerboard of two colours: `a` where x + y is even.
    void Dither(int x0, int y0, int x1, int y1, std::uint8_t a, std::uint8_t b);
    void Frame(int x0, int y0, int x1, int y1, std::uint8_t colour);

    // Text with its top-left corner at (x, y); each font pixel becomes scale x scale.
    void Text(int x, int y, int scale, std::uint8_t colour, std::string_view text);
    static int TextWidth(std::string_view text, int scale);
    static int TextHeight(int scale);
    // Text centred horizontally on the surface.
    void CentredText(int y, int scale, std::uint8_t colour, std::string_view text);

private:
    IndexedImage image_;
};

}  // namespace qx::resgen

namespace qx::resgen {

// The splash scene, drawn onto a black 300 x 179 surface (res/splash_scene.cpp).
void DrawSplashScene(Canvas& canvas);

}  // namespace qx::resgen
