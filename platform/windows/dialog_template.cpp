#include "platform/windows/dialog_template.h"

#include "platform/windows/byte_writer.h"

namespace qx {

namespace {

constexpr char kMagic[4] = {'Q', 'X', 'D', 'T'};
constexpr WORD kVersion = 1;

// str: a 16-bit length, then that many bytes.
void WriteString(ByteWriter& w, const std::string& s) {
    w.U16(static_cast<std::uint16_t>(s.size()));
    w.Raw(s);
}

class Reader {
public:
    explicit Reader(std::span<const std::byte> in) : in_(in) {}
    bool U8(std::uint8_t& v) {
        if (pos_ >= in_.size()) return false;
        v = static_cast<std::uint8_t>(in_[pos_++]);
        return true;
    }
    bool U16(std::uint16_t& v) {
        std::uint8_t lo, hi;
        if (!U8(lo) || !U8(hi)) return false;
        v = static_cast<std::uint16_t>(lo | (hi << 8));
        return true;
    }
    bool U32(std::uint32_t& v) {
        std::uint16_t lo, hi;
        if (!U16(lo) || !U16(hi)) return false;
        v = static_cast<std::uint32_t>(lo) | (static_cast<std::uint32_t>(hi) << 16);
        return true;
    }
    bool I16(short& v) {
        std::uint16_t raw;
        if (!U16(raw)) return false;
        v = static_cast<short>(raw);
        return true;
    }
    bool Str(std::string& s) {
        std::uint16_t length;
        if (!U16(length) || in_.size() - pos_ < length) return false;
        s.assign(reinterpret_cast<const char*>(in_.data() + pos_), length);
        pos_ += length;
        return true;
    }
    bool AtEnd() const { return pos_ == in_.size(); }

private:
    std::span<const std::byte> in_;
    std::size_t pos_ = 0;
};

}  // namespace

std::vector<std::byte> SerializeDialogTemplate(const DialogTemplate& dialog) {
    ByteWriter w;
    for (char c : kMagic) w.U8(static_cast<std::uint8_t>(c));
    w.U16(kVersion);
    w.U32(dialog.style);
    w.I16(dialog.x);
    w.I16(dialog.y);
    w.I16(dialog.cx);
    w.I16(dialog.cy);
    w.U16(dialog.pointSize);
    WriteString(w, dialog.caption);
    WriteString(w, dialog.fontName);
    w.U16(static_cast<std::uint16_t>(dialog.items.size()));
    for (const DialogItemTemplate& item : dialog.items) {
        w.U32(item.style);
        w.I16(item.x);
        w.I16(item.y);
        w.I16(item.cx);
        w.I16(item.cy);
        w.U16(static_cast<std::uint16_t>(item.id));
        w.U8(static_cast<std::uint8_t>(item.controlClass));
        w.U16(item.textOrdinal);
        WriteString(w, item.text);
    }
    return w.Take();
}

std::optional<DialogTemplate> ParseDialogTemplate(std::span<const std::byte> bytes) {
    Reader r(bytes);
    for (char c : kMagic) {
        std::uint8_t got;
        if (!r.U8(got) || got != static_cast<std::uint8_t>(c)) return std::nullopt;
    }
    std::uint16_t version, count;
    DialogTemplate dialog;
    if (!r.U16(version) || version != kVersion || !r.U32(dialog.style) || !r.I16(dialog.x) ||
        !r.I16(dialog.y) || !r.I16(dialog.cx) || !r.I16(dialog.cy) || !r.U16(dialog.pointSize) ||
        !r.Str(dialog.caption) || !r.Str(dialog.fontName) || !r.U16(count)) {
        return std::nullopt;
    }
    for (std::uint16_t i = 0; i < count; ++i) {
        DialogItemTemplate item;
        std::uint16_t id;
        std::uint8_t control_class;
        if (!r.U32(item.style) || !r.I16(item.x) || !r.I16(item.y) || !r.I16(item.cx) ||
            !r.I16(item.cy) || !r.U16(id) || !r.U8(control_class) || !r.U16(item.textOrdinal) ||
            !r.Str(item.text)) {
            return std::nullopt;
        }
        if (control_class < 1 || control_class > 3) return std::nullopt;
        item.controlClass = static_cast<ControlClass>(control_class);
        item.id = (id == 0xFFFF) ? IDC_STATIC : id;
        dialog.items.push_back(std::move(item));
    }
    if (!r.AtEnd()) return std::nullopt;
    return dialog;
}

}  // namespace qx
