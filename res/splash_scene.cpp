// The start picture: the router seen from the front and a little above, on black,
// its row of lamps lit, with the downloader's title, version and a rights line
// beneath. Shapes are large and lamps at least a terminal cell (8 x 8 pixels) wide
// so the picture still reads when drawn at one cell per 8 x 8 pixels; the text is
// for the full-size picture. Compiled into the host generator only.
#include "tools/resgen/canvas.h"

namespace qx::resgen {

namespace {

// The router body: front face, a top face slanting back to the right, a right side.
constexpr int kLeft = 38, kRight = 249, kTop = 22, kBottom = 70;
constexpr int kDepth = 12;  // how far the top face slants back, in pixels

void DrawBody(Canvas& c) {
    for (int i = 0; i < kDepth; ++i) {  // top face, light and dithered
        const int y = kTop - kDepth + i;
        c.Dither(kLeft + kDepth - i, y, kRight + kDepth - i, y, kSilver, kWhite);
    }
    for (int i = 0; i < kDepth; ++i) {  // right side, in shadow
        const int x = kRight + 1 + i;
        c.Dither(x, kTop - i, x, kBottom - i, kGrey, kBlack);
    }
    c.Fill(kLeft, kTop, kRight, kBottom, kGrey);      // front face
    c.Fill(kLeft, kTop, kRight, kTop + 1, kSilver);   // lit front edge
    c.Dither(kLeft, kBottom - 3, kRight, kBottom, kGrey, kBlack);  // shadowed lower lip
    c.Fill(kLeft + 14, kBottom + 1, kLeft + 33, kBottom + 4, kGrey);  // feet
    c.Fill(kRight - 33, kBottom + 1, kRight - 14, kBottom + 4, kGrey);
}

// A lamp, 16 x 16 pixels with a dim ring around it. Lamps sit on the 8-pixel grid
// of the terminal's half cells, so each one fills four half cells with its own colour.
constexpr int kLampSize = 16;

void DrawLamp(Canvas& c, int x, int y, std::uint8_t lit, std::uint8_t ring) {
    c.Frame(x - 1, y - 1, x + kLampSize, y + kLampSize, ring);
    c.Fill(x, y, x + kLampSize - 1, y + kLampSize - 1, lit);
    c.Fill(x + 2, y + 2, x + 5, y + 3, kWhite);  // glint
}

void DrawPanel(Canvas& c) {
    constexpr int kPanelLeft = 48, kPanelTop = 28, kPanelRight = 239, kPanelBottom = 60;
    c.Fill(kPanelLeft, kPanelTop, kPanelRight, kPanelBottom, kBlack);
    c.Frame(kPanelLeft - 1, kPanelTop - 1, kPanelRight + 1, kPanelBottom + 1, kSilver);
    struct Lamp {
        const char* label;
        std::uint8_t lit, ring;
    };
    constexpr Lamp kLamps[] = {
        {"PWR", kLime, kDarkGreen}, {"B1", kYellow, kOlive}, {"B2", kYellow, kOlive},
        {"LAN", kLime, kDarkGreen}, {"ALM", kRed, kDarkRed}, {"DL", kCyan, kTeal},
    };
    constexpr int kLampTop = 32, kFirstLamp = 56, kLampStep = 32;  // multiples of 8
    int x = kFirstLamp;
    for (const Lamp& lamp : kLamps) {
        DrawLamp(c, x, kLampTop, lamp.lit, lamp.ring);
        c.Text(x + (kLampSize - Canvas::TextWidth(lamp.label, 1)) / 2, kLampTop + kLampSize + 3, 1, kWhite,
               lamp.label);
        x += kLampStep;
    }
}

// The ISDN line leaving the router's back towards the right edge.
void DrawCable(Canvas& c) {
    constexpr int kY = 44;
    c.Fill(kRight + kDepth + 1, kY, c.Width() - 1, kY + 2, kCyan);
    c.Fill(kRight + kDepth + 1, kY - 2, kRight + kDepth + 5, kY + 4, kSilver);  // plug
}

}  // namespace

void DrawSplashScene(Canvas& c) {
    DrawBody(c);
    DrawPanel(c);
    DrawCable(c);
    c.CentredText(86, 3, kWhite, "QX210-NODE");
    c.CentredText(115, 2, kCyan, "Firmware Downloader");
    c.CentredText(137, 2, kYellow, "Ver.1.02");
    c.CentredText(164, 1, kSilver, "(C) The QX210-NODE maker. All rights reserved.");
}

}  // namespace qx::resgen
