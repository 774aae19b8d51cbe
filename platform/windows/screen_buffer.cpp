#include "platform/windows/backend.h"

namespace qx {

namespace {

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

}  // namespace

void ScreenBuffer::Resize(int columns, int rows) {
    columns_ = columns > 0 ? columns : 0;
    rows_ = rows > 0 ? rows : 0;
    cells_.assign(static_cast<std::size_t>(columns_) * static_cast<std::size_t>(rows_), Cell{});
}

void ScreenBuffer::Fill(const Cell& cell) { cells_.assign(cells_.size(), cell); }

std::string ScreenBuffer::RowText(int y) const {
    std::string out;
    if (y < 0 || y >= rows_) return out;
    for (int x = 0; x < columns_; ++x) {
        const char32_t c = At(x, y).ch;
        if (c != U'\0') AppendUtf8(out, c);
    }
    return out;
}

std::string ScreenBuffer::Text() const {
    std::string out;
    for (int y = 0; y < rows_; ++y) {
        out += RowText(y);
        out += '\n';
    }
    return out;
}

}  // namespace qx
