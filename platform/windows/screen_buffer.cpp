#include "platform/windows/backend.h"

#include "platform/strings/cp932.h"

namespace qx {

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
        if (c != U'\0') out += UnicodeToUtf8(std::u32string(1, c));
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
