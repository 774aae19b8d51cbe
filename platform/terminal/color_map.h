// How a cell's colours and attributes are shown on terminals with 16, 8 or no
// colours. Pure: the backend turns the result into colour pairs and attributes.
//
// 8 colours: a bright colour becomes its normal one, a bright foreground also bold;
// a white background (edit boxes) becomes black so fields stay apart from a silver
// dialog; when text would end up the colour of its background it is drawn in black or
// white instead, whichever stands out. No colours: cells on a coloured background
// (title bars, highlight and progress fills) are drawn in reverse video, so what
// colour marks on other terminals stays marked (the cell's own reverse flips it
// again), and white fields are underlined. Half and eighth blocks (pictures, bars)
// only lose brightness: both of their colours belong to the picture.
#pragma once

#include <cstdint>

#include "platform/windows/backend.h"

namespace qx {

enum class ColorDepth : std::uint8_t { Mono, Eight, Sixteen };

struct DrawStyle {
    Color fg = Color::White;  // meaningless for Mono
    Color bg = Color::Black;
    bool bold = false;
    bool underline = false;
    bool reverse = false;

    bool operator==(const DrawStyle&) const = default;
};

ColorDepth ColorDepthFor(int colors);
DrawStyle MapCellStyle(const Cell& cell, ColorDepth depth);

}  // namespace qx
