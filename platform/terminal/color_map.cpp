#include "platform/terminal/color_map.h"

namespace qx {

namespace {

int Index(Color c) { return static_cast<int>(c); }

// The bright half of the palette is the normal half plus 8.
Color Normal(Color c) { return static_cast<Color>(Index(c) & 7); }

// Normal colours on which black text reads better than white.
bool IsLightNormal(Color c) {
    return c == Color::Silver || c == Color::Olive || c == Color::Teal || c == Color::DarkGreen;
}

// Half and eighth blocks draw pictures and bars: both colours are picture colours.
bool IsBlockElement(char32_t c) { return c >= 0x2580 && c <= 0x259F; }

bool IsColoured(Color c) {
    return c != Color::Black && c != Color::Grey && c != Color::Silver && c != Color::White;
}

}  // namespace

ColorDepth ColorDepthFor(int colors) {
    if (colors >= 16) return ColorDepth::Sixteen;
    if (colors >= 8) return ColorDepth::Eight;
    return ColorDepth::Mono;
}

DrawStyle MapCellStyle(const Cell& cell, ColorDepth depth) {
    DrawStyle style;
    style.fg = cell.fg;
    style.bg = cell.bg;
    style.bold = (cell.attr & kAttrBold) != 0;
    style.underline = (cell.attr & kAttrUnderline) != 0;
    style.reverse = (cell.attr & kAttrReverse) != 0;
    switch (depth) {
        case ColorDepth::Sixteen:
            break;
        case ColorDepth::Eight:
            style.fg = Normal(cell.fg);
            style.bg = Normal(cell.bg);
            if (Index(cell.fg) >= 8) style.bold = true;
            if (IsBlockElement(cell.ch)) break;
            // White fields (edit boxes) would melt into a silver dialog: make them dark.
            if (cell.bg == Color::White) style.bg = Color::Black;
            if (style.fg == style.bg && cell.fg != cell.bg) {
                if (IsLightNormal(style.bg)) {
                    style.fg = Color::Black;
                    style.bold = (cell.attr & kAttrBold) != 0;
                } else {
                    style.fg = Color::Silver;
                    style.bold = true;
                }
            }
            break;
        case ColorDepth::Mono:
            style.fg = Color::White;
            style.bg = Color::Black;
            if (IsColoured(cell.bg)) style.reverse = !style.reverse;
            // White fields keep an outline of their own: underlined, like a form.
            if (cell.bg == Color::White && !IsBlockElement(cell.ch)) style.underline = true;
            break;
    }
    return style;
}

}  // namespace qx
