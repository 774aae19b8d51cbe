#include "tools/resgen/canvas.h"

#include <array>
#include <map>

namespace qx::resgen {

namespace {

constexpr int kGlyphWidth = 5;
constexpr int kGlyphHeight = 7;
constexpr int kAdvance = kGlyphWidth + 1;

using Glyph = std::array<const char*, kGlyphHeight>;

// The font: '#' is ink. Only the characters the picture uses.
const std::map<char, Glyph>& Font() {
    static const std::map<char, Glyph> font = {
        {' ', {".....", ".....", ".....", ".....", ".....", ".....", "....."}},
        {'(', {"...#.", "..#..", ".#...", ".#...", ".#...", "..#..", "...#."}},
        {')', {".#...", "..#..", "...#.", "...#.", "...#.", "..#..", ".#..."}},
        {'-', {".....", ".....", ".....", ".###.", ".....", ".....", "....."}},
        {'.', {".....", ".....", ".....", ".....", ".....", ".##..", ".##.."}},
        {'0', {".###.", "#...#", "#..##", "#.#.#", "##..#", "#...#", ".###."}},
        {'1', {"..#..", ".##..", "..#..", "..#..", "..#..", "..#..", ".###."}},
        {'2', {".###.", "#...#", "....#", "...#.", "..#..", ".#...", "#####"}},
        {'A', {".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"}},
        {'B', {"####.", "#...#", "#...#", "####.", "#...#", "#...#", "####."}},
        {'C', {".###.", "#...#", "#....", "#....", "#....", "#...#", ".###."}},
        {'D', {"####.", "#...#", "#...#", "#...#", "#...#", "#...#", "####."}},
        {'E', {"#####", "#....", "#....", "####.", "#....", "#....", "#####"}},
        {'F', {"#####", "#....", "#....", "####.", "#....", "#....", "#...."}},
        {'L', {"#....", "#....", "#....", "#....", "#....", "#....", "#####"}},
        {'M', {"#...#", "##.##", "#.#.#", "#.#.#", "#...#", "#...#", "#...#"}},
        {'N', {"#...#", "##..#", "#.#.#", "#..##", "#...#", "#...#", "#...#"}},
        {'O', {".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."}},
        {'P', {"####.", "#...#", "#...#", "####.", "#....", "#....", "#...."}},
        {'Q', {".###.", "#...#", "#...#", "#...#", "#.#.#", "#..#.", ".##.#"}},
        {'R', {"####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"}},
        {'T', {"#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."}},
        {'V', {"#...#", "#...#", "#...#", "#...#", "#...#", ".#.#.", "..#.."}},
        {'W', {"#...#", "#...#", "#...#", "#.#.#", "#.#.#", "#.#.#", ".#.#."}},
        {'X', {"#...#", "#...#", ".#.#.", "..#..", ".#.#.", "#...#", "#...#"}},
        {'a', {".....", ".....", ".###.", "....#", ".####", "#...#", ".####"}},
        {'d', {"....#", "....#", ".##.#", "#..##", "#...#", "#...#", ".####"}},
        {'e', {".....", ".....", ".###.", "#...#", "#####", "#....", ".###."}},
        {'g', {".....", ".....", ".####", "#...#", ".####", "....#", ".###."}},
        {'h', {"#....", "#....", "#.##.", "##..#", "#...#", "#...#", "#...#"}},
        {'i', {"..#..", ".....", ".##..", "..#..", "..#..", "..#..", ".###."}},
        {'k', {"#....", "#....", "#..#.", "#.#..", "##...", "#.#..", "#..#."}},
        {'l', {".##..", "..#..", "..#..", "..#..", "..#..", "..#..", ".###."}},
        {'m', {".....", ".....", "##.#.", "#.#.#", "#.#.#", "#...#", "#...#"}},
        {'n', {".....", ".....", "#.##.", "##..#", "#...#", "#...#", "#...#"}},
        {'o', {".....", ".....", ".###.", "#...#", "#...#", "#...#", ".###."}},
        {'r', {".....", ".....", "#.##.", "##..#", "#....", "#....", "#...."}},
        {'s', {".....", ".....", ".####", "#....", ".###.", "....#", "####."}},
        {'t', {".#...", ".#...", "###..", ".#...", ".#...", ".#..#", "..##."}},
        {'v', {".....", ".....", "#...#", "#...#", "#...#", ".#.#.", "..#.."}},
        {'w', {".....", ".....", "#...#", "#...#", "#.#.#", "#.#.#", ".#.#."}},
    };
    return font;
}

}  // namespace

void Canvas::Plot(int x, int y, std::uint8_t colour) {
    if (x < 0 || y < 0 || x >= image_.width || y >= image_.height) {
        throw SourceError("the picture draws at (" + std::to_string(x) + ", " + std::to_string(y) +
                          "), outside its " + std::to_string(image_.width) + " x " +
                          std::to_string(image_.height) + " pixels");
    }
    if (colour > 15) throw SourceError("colour " + std::to_string(colour) + " is not in the 16-colour palette");
    image_.At(x, y) = colour;
}

void Canvas::Fill(int x0, int y0, int x1, int y1, std::uint8_t colour) {
    for (int y = y0; y <= y1; ++y) {
        for (int x = x0; x <= x1; ++x) Plot(x, y, colour);
    }
}

void Canvas::Dither(int x0, int y0, int x1, int y1, std::uint8_t a, std::uint8_t b) {
    for (int y = y0; y <= y1; ++y) {
        for (int x = x0; x <= x1; ++x) Plot(x, y, (x + y) % 2 == 0 ? a : b);
    }
}

void Canvas::Frame(int x0, int y0, int x1, int y1, std::uint8_t colour) {
    Fill(x0, y0, x1, y0, colour);
    Fill(x0, y1, x1, y1, colour);
    Fill(x0, y0, x0, y1, colour);
    Fill(x1, y0, x1, y1, colour);
}

void Canvas::Text(int x, int y, int scale, std::uint8_t colour, std::string_view text) {
    for (char c : text) {
        const auto found = Font().find(c);
        if (found == Font().end()) {
            throw SourceError("the picture's font has no glyph for '" + std::string(1, c) + "'");
        }
        for (int row = 0; row < kGlyphHeight; ++row) {
            for (int col = 0; col < kGlyphWidth; ++col) {
                if (found->second[static_cast<std::size_t>(row)][col] != '#') continue;
                Fill(x + col * scale, y + row * scale, x + col * scale + scale - 1, y + row * scale + scale - 1,
                     colour);
            }
        }
        x += kAdvance * scale;
    }
}

int Canvas::TextWidth(std::string_view text, int scale) {
    return text.empty() ? 0 : (static_cast<int>(text.size()) * kAdvance - 1) * scale;
}

int Canvas::TextHeight(int scale) { return kGlyphHeight * scale; }

void Canvas::CentredText(int y, int scale, std::uint8_t colour, std::string_view text) {
    Text((Width() - TextWidth(text, scale)) / 2, y, scale, colour, text);
}

}  // namespace qx::resgen
