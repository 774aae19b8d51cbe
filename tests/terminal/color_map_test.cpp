#include "platform/terminal/color_map.h"

#include <gtest/gtest.h>

namespace qx {
namespace {

TEST(ColorMap, DepthFromColourCount) {
    EXPECT_EQ(ColorDepthFor(0), ColorDepth::Mono);
    EXPECT_EQ(ColorDepthFor(2), ColorDepth::Mono);
    EXPECT_EQ(ColorDepthFor(8), ColorDepth::Eight);
    EXPECT_EQ(ColorDepthFor(16), ColorDepth::Sixteen);
    EXPECT_EQ(ColorDepthFor(256), ColorDepth::Sixteen);
}

TEST(ColorMap, CellsOnEachDepth) {
    using C = Color;
    struct Case {
        const char* name;
        Cell cell;
        ColorDepth depth;
        DrawStyle expected;
    };
    const Case cases[] = {
        {"16: as given", {U'a', C::Grey, C::Silver, kAttrUnderline}, ColorDepth::Sixteen,
         {C::Grey, C::Silver, false, true, false}},
        {"8: bright text becomes bold normal", {U'a', C::Grey, C::Silver, 0}, ColorDepth::Eight,
         {C::Black, C::Silver, true, false, false}},
        {"8: bright background becomes normal", {U'a', C::Black, C::Cyan, 0}, ColorDepth::Eight,
         {C::Black, C::Teal, false, false, false}},
        {"8: a white field stays apart from silver", {U'a', C::Black, C::White, 0}, ColorDepth::Eight,
         {C::Silver, C::Black, true, false, false}},
        {"8: picture blocks only lose brightness", {U'\u2580', C::Yellow, C::White, 0}, ColorDepth::Eight,
         {C::Olive, C::Silver, true, false, false}},
        {"8: picture blocks of one colour stay solid", {U'\u2584', C::Yellow, C::Olive, 0}, ColorDepth::Eight,
         {C::Olive, C::Olive, true, false, false}},
        {"mono: white field underlined", {U' ', C::Black, C::White, 0}, ColorDepth::Mono,
         {C::White, C::Black, false, true, false}},
        {"8: white on silver stays readable", {U'a', C::White, C::Silver, 0}, ColorDepth::Eight,
         {C::Black, C::Silver, false, false, false}},
        {"8: blue on navy stays readable", {U'a', C::Blue, C::Navy, 0}, ColorDepth::Eight,
         {C::Silver, C::Navy, true, false, false}},
        {"8: grey on black stays readable", {U'a', C::Grey, C::Black, 0}, ColorDepth::Eight,
         {C::Silver, C::Black, true, false, false}},
        {"8: a plain fill keeps its colour", {U' ', C::Navy, C::Navy, 0}, ColorDepth::Eight,
         {C::Navy, C::Navy, false, false, false}},
        {"mono: dialog text plain", {U'a', C::Black, C::Silver, kAttrBold}, ColorDepth::Mono,
         {C::White, C::Black, true, false, false}},
        {"mono: title bar reversed", {U'a', C::White, C::Navy, 0}, ColorDepth::Mono,
         {C::White, C::Black, false, false, true}},
        {"mono: reversed cell on a coloured fill turns back", {U'a', C::White, C::Navy, kAttrReverse},
         ColorDepth::Mono, {C::White, C::Black, false, false, false}},
        {"mono: reversed focus mark kept", {U'a', C::Black, C::Silver, kAttrReverse}, ColorDepth::Mono,
         {C::White, C::Black, false, false, true}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MapCellStyle(c.cell, c.depth), c.expected) << c.name;
    }
}

// On 8 colours no pair of different colours may end up as text on its own colour.
TEST(ColorMap, EightColoursNeverHideText) {
    for (int fg = 0; fg < 16; ++fg) {
        for (int bg = 0; bg < 16; ++bg) {
            if (fg == bg) continue;
            const DrawStyle s =  // text, not a picture block
                MapCellStyle({U'a', static_cast<Color>(fg), static_cast<Color>(bg), 0}, ColorDepth::Eight);
            EXPECT_NE(s.fg, s.bg) << fg << " on " << bg;
            EXPECT_LT(static_cast<int>(s.fg), 8);
            EXPECT_LT(static_cast<int>(s.bg), 8);
        }
    }
}

}  // namespace
}  // namespace qx
