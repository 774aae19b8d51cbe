#include "platform/terminal/key_decoder.h"
#include "platform/strings/cp932.h"

#include <charconv>

namespace qx {

namespace {

constexpr char32_t kEsc = 0x1B;
constexpr char32_t kDel = 0x7F;

// Parameters of a CSI sequence: numbers separated by ';'. A leading private marker
// ('<' of SGR mouse reports, '?') is returned separately. Empty fields read as 0.
struct CsiParams {
    char32_t marker = 0;
    std::vector<int> values;
    bool valid = true;
};

CsiParams ParseCsi(const std::u32string& text) {
    CsiParams params;
    std::size_t i = 0;
    if (!text.empty() && text[0] >= U'<' && text[0] <= U'?') params.marker = text[i++];
    std::string field;
    auto push = [&] {
        int value = 0;
        if (!field.empty()) {
            auto [end, ec] = std::from_chars(field.data(), field.data() + field.size(), value);
            if (ec != std::errc{} || end != field.data() + field.size()) params.valid = false;
        }
        params.values.push_back(value);
        field.clear();
    };
    for (; i < text.size(); ++i) {
        const char32_t c = text[i];
        if (c >= U'0' && c <= U'9') {
            field += static_cast<char>(c);
        } else if (c == U';') {
            push();
        } else {
            params.valid = false;  // intermediates and sub-parameters: nothing we use
        }
    }
    push();
    return params;
}

int Param(const CsiParams& p, std::size_t index, int fallback) {
    return index < p.values.size() && p.values[index] != 0 ? p.values[index] : fallback;
}

// xterm's modifier parameter: 1 + (shift 1 | alt 2 | ctrl 4).
struct Modifiers {
    bool shift = false;
    bool alt = false;
    bool ctrl = false;
};

Modifiers DecodeModifiers(int value) {
    const int bits = value > 1 ? value - 1 : 0;
    return {(bits & 1) != 0, (bits & 2) != 0, (bits & 4) != 0};
}

std::optional<Key> CursorKey(char32_t final_byte) {
    switch (final_byte) {
        case U'A': return Key::Up;
        case U'B': return Key::Down;
        case U'C': return Key::Right;
        case U'D': return Key::Left;
        case U'H': return Key::Home;
        case U'F': return Key::End;
        case U'S': return Key::F4;  // SS3 S, CSI 1;m S
        default: return std::nullopt;
    }
}

std::optional<Key> TildeKey(int number) {
    switch (number) {
        case 1: case 7: return Key::Home;
        case 2: return Key::Insert;
        case 3: return Key::Delete;
        case 4: case 8: return Key::End;
        case 5: return Key::PageUp;
        case 6: return Key::PageDown;
        case 14: return Key::F4;
        default: return std::nullopt;
    }
}

Key NamedKey(TermKey key) {
    switch (key) {
        case TermKey::Enter: return Key::Enter;
        case TermKey::BackTab: return Key::BackTab;
        case TermKey::Backspace: return Key::Backspace;
        case TermKey::Delete: return Key::Delete;
        case TermKey::Insert: return Key::Insert;
        case TermKey::Left: return Key::Left;
        case TermKey::Right: return Key::Right;
        case TermKey::Up: return Key::Up;
        case TermKey::Down: return Key::Down;
        case TermKey::Home: return Key::Home;
        case TermKey::End: return Key::End;
        case TermKey::PageUp: return Key::PageUp;
        case TermKey::PageDown: return Key::PageDown;
        case TermKey::F4: case TermKey::AltF4: return Key::F4;
        case TermKey::Other: break;
    }
    return Key::Char;  // not reached for Other: callers drop it first
}

bool IsTextCharacter(char32_t c) {
    if (c < 0x20 || (c >= 0x7F && c < 0xA0)) return false;        // C0, DEL, C1
    if (c >= 0xD800 && c <= 0xDFFF) return false;                 // surrogates
    if (c > 0x10FFFF || (c & 0xFFFE) == 0xFFFE) return false;     // noncharacters
    if (c >= 0xFDD0 && c <= 0xFDEF) return false;
    return true;
}

// The three bytes of an X10 report (button, column, row, each offset by 32).
std::optional<TermMouse> DecodeX10(const std::u32string& bytes, MouseButton last_button) {
    if (bytes.size() != 3) return std::nullopt;
    for (char32_t b : bytes) {
        if (b < 0x20 || b > 0xFF) return std::nullopt;
    }
    const int code = static_cast<int>(bytes[0]) - 32;
    TermMouse mouse;
    mouse.x = static_cast<int>(bytes[1]) - 33;
    mouse.y = static_cast<int>(bytes[2]) - 33;
    if (mouse.x < 0 || mouse.y < 0) return std::nullopt;
    if (code & 32) return std::nullopt;  // motion
    if (code & 64) {
        if ((code & 3) > 1) return std::nullopt;
        mouse.button = (code & 3) == 0 ? MouseButton::WheelUp : MouseButton::WheelDown;
        return mouse;
    }
    switch (code & 3) {
        case 0: mouse.button = MouseButton::Left; break;
        case 1: mouse.button = MouseButton::Middle; break;
        case 2: mouse.button = MouseButton::Right; break;
        default: mouse.button = last_button; mouse.release = true; break;
    }
    return mouse;
}

// An SGR report: CSI < code ; column ; row M (press) or m (release), 1-based.
std::optional<TermMouse> DecodeSgr(const CsiParams& p, char32_t final_byte) {
    if (!p.valid || p.values.size() != 3) return std::nullopt;
    const int code = p.values[0];
    TermMouse mouse;
    mouse.x = p.values[1] - 1;
    mouse.y = p.values[2] - 1;
    mouse.release = final_byte == U'm';
    if (mouse.x < 0 || mouse.y < 0 || (code & 32)) return std::nullopt;
    if (code & 64) {
        if ((code & 3) > 1 || mouse.release) return std::nullopt;
        mouse.button = (code & 3) == 0 ? MouseButton::WheelUp : MouseButton::WheelDown;
        return mouse;
    }
    switch (code & 3) {
        case 0: mouse.button = MouseButton::Left; break;
        case 1: mouse.button = MouseButton::Middle; break;
        case 2: mouse.button = MouseButton::Right; break;
        default: return std::nullopt;
    }
    return mouse;
}

const char* KeyName(Key key) {
    switch (key) {
        case Key::Char: return "Char";
        case Key::Enter: return "Enter";
        case Key::Escape: return "Escape";
        case Key::Tab: return "Tab";
        case Key::BackTab: return "BackTab";
        case Key::Backspace: return "Backspace";
        case Key::Delete: return "Delete";
        case Key::Insert: return "Insert";
        case Key::Left: return "Left";
        case Key::Right: return "Right";
        case Key::Up: return "Up";
        case Key::Down: return "Down";
        case Key::Home: return "Home";
        case Key::End: return "End";
        case Key::PageUp: return "PageUp";
        case Key::PageDown: return "PageDown";
        case Key::F4: return "F4";
    }
    return "?";
}

const char* ButtonName(MouseButton button) {
    switch (button) {
        case MouseButton::Left: return "left";
        case MouseButton::Middle: return "middle";
        case MouseButton::Right: return "right";
        case MouseButton::WheelUp: return "wheelup";
        case MouseButton::WheelDown: return "wheeldown";
    }
    return "?";
}

}  // namespace

void KeyDecoder::EmitKey(Key key, std::vector<InputEvent>& out, bool alt, bool shift, bool ctrl) {
    InputEvent event;
    event.kind = InputEvent::Kind::Key;
    event.key.key = key;
    event.key.alt = alt;
    event.key.shift = shift || key == Key::BackTab;
    event.key.ctrl = ctrl;
    out.push_back(event);
}

void KeyDecoder::EmitChar(char32_t c, bool alt, std::vector<InputEvent>& out) {
    switch (c) {
        case U'\r': case U'\n': EmitKey(Key::Enter, out, alt); return;
        case U'\t': EmitKey(Key::Tab, out, alt); return;
        case 0x08: case kDel: EmitKey(Key::Backspace, out, alt); return;
        default: break;
    }
    // Other control codes (Ctrl+letter and the like) mean nothing to the program and
    // must never be taken for the letter itself.
    if (!IsTextCharacter(c)) return;
    InputEvent event;
    event.kind = InputEvent::Kind::Key;
    event.key.key = Key::Char;
    event.key.ch = c;
    event.key.alt = alt;
    out.push_back(event);
}

void KeyDecoder::EmitMouse(const TermMouse& mouse, std::uint64_t now_ms,
                           std::vector<InputEvent>& out) {
    InputEvent event;
    event.kind = InputEvent::Kind::Mouse;
    event.mouse.x = mouse.x;
    event.mouse.y = mouse.y;
    event.mouse.button = mouse.button;
    const bool wheel = mouse.button == MouseButton::WheelUp || mouse.button == MouseButton::WheelDown;
    if (mouse.release) {
        if (wheel) return;
        event.mouse.action = MouseAction::Release;
    } else if (!wheel && last_press_valid_ && last_press_.button == mouse.button &&
               last_press_.x == mouse.x && last_press_.y == mouse.y &&
               now_ms - last_press_at_ <= kDoubleClickMs) {
        event.mouse.action = MouseAction::DoubleClick;
        last_press_valid_ = false;  // a third press starts a new pair
    } else {
        event.mouse.action = MouseAction::Press;
        last_press_valid_ = !wheel;
        last_press_ = mouse;
        last_press_at_ = now_ms;
    }
    out.push_back(event);
}

void KeyDecoder::Feed(const TermInput& input, std::uint64_t now_ms, std::vector<InputEvent>& out) {
    // An ESC or partial sequence that waited too long is settled before new input.
    Flush(now_ms, out);
    if (input.type != TermInput::Type::Byte) utf8_needed_ = 0;  // a cut-off character
    switch (input.type) {
        case TermInput::Type::Byte:
            FeedByte(static_cast<unsigned char>(input.ch), now_ms, out);
            return;
        case TermInput::Type::Char:
            FeedChar(input.ch, now_ms, out);
            return;
        case TermInput::Type::Key: {
            const bool alt = state_ == State::Escape;
            if (state_ != State::Ground) {
                // A recognised key cannot continue a sequence; what was pending ends here.
                if (state_ != State::Escape) EndOfRead(out);
                Reset();
            }
            if (input.key == TermKey::Other) return;
            EmitKey(NamedKey(input.key), out, alt || input.key == TermKey::AltF4);
            return;
        }
        case TermInput::Type::Mouse:
            EndOfRead(out);
            Reset();
            EmitMouse(input.mouse, now_ms, out);
            return;
        case TermInput::Type::Resize: {
            EndOfRead(out);
            Reset();
            InputEvent event;
            event.kind = InputEvent::Kind::Resize;
            out.push_back(event);
            return;
        }
    }
}

void KeyDecoder::FeedByte(unsigned char b, std::uint64_t now_ms, std::vector<InputEvent>& out) {
    if (state_ == State::X10Mouse) {
        FeedChar(b, now_ms, out);  // report bytes are raw, not UTF-8
        return;
    }
    if (b >= 0x80 && b <= 0xBF) {
        if (utf8_needed_ == 0) return;  // a continuation without a start
        utf8_value_ = (utf8_value_ << 6) | (b & 0x3F);
        if (--utf8_needed_ > 0) return;
        const char32_t c = utf8_value_;
        if (c < utf8_min_ || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return;
        FeedChar(c, now_ms, out);
        return;
    }
    utf8_needed_ = 0;  // whatever was being assembled is cut off
    if (b < 0x80) {
        FeedChar(b, now_ms, out);
    } else if (b >= 0xC2 && b <= 0xDF) {
        utf8_value_ = b & 0x1F;
        utf8_needed_ = 1;
        utf8_min_ = 0x80;
    } else if (b >= 0xE0 && b <= 0xEF) {
        utf8_value_ = b & 0x0F;
        utf8_needed_ = 2;
        utf8_min_ = 0x800;
    } else if (b >= 0xF0 && b <= 0xF4) {
        utf8_value_ = b & 0x07;
        utf8_needed_ = 3;
        utf8_min_ = 0x10000;
    }
    // 0xC0, 0xC1 and 0xF5-0xFF never occur in UTF-8: dropped.
}

void KeyDecoder::FeedChar(char32_t c, std::uint64_t now_ms, std::vector<InputEvent>& out) {
    switch (state_) {
        case State::Ground:
            if (c == kEsc) {
                state_ = State::Escape;
                escape_at_ = now_ms;
            } else {
                EmitChar(c, false, out);
            }
            return;

        case State::Escape:
            if (c == U'[') {
                state_ = State::Csi;
                sequence_.clear();
            } else if (c == U'O') {
                state_ = State::Ss3;
            } else if (c == kEsc) {
                EmitKey(Key::Escape, out);  // the first ESC was the key; the second waits
                escape_at_ = now_ms;
            } else {
                Reset();
                EmitChar(c, true, out);
            }
            return;

        case State::Ss3: {
            Reset();
            if (c == U'M') {
                EmitKey(Key::Enter, out);  // keypad Enter in application mode
            } else if (auto key = CursorKey(c)) {
                EmitKey(*key, out);
            } else if (c == kEsc) {
                state_ = State::Escape;
                escape_at_ = now_ms;
            }
            return;
        }

        case State::Csi:
            if (sequence_.empty() && c == U'M') {
                state_ = State::X10Mouse;
                return;
            }
            if (c >= 0x20 && c <= 0x3F) {
                sequence_ += c;
                if (sequence_.size() > kMaxSequence) {
                    sequence_.clear();
                    state_ = State::Discard;
                }
                return;
            }
            if (c >= 0x40 && c <= 0x7E) {
                FinishCsi(c, out);
                Reset();
                return;
            }
            // Not part of any sequence: drop what was gathered and read c afresh.
            Reset();
            FeedChar(c, now_ms, out);
            return;

        case State::Discard:
            // The rest of an overlong sequence, up to its final byte.
            if (c >= 0x20 && c <= 0x3F) return;
            Reset();
            if (c < 0x40 || c > 0x7E) FeedChar(c, now_ms, out);
            return;

        case State::X10Mouse:
            sequence_ += c;
            if (sequence_.size() == 3) {
                const std::u32string bytes = sequence_;
                Reset();
                const MouseButton last = last_press_valid_ ? last_press_.button : MouseButton::Left;
                if (auto mouse = DecodeX10(bytes, last)) EmitMouse(*mouse, now_ms, out);
            }
            return;
    }
}

void KeyDecoder::FinishCsi(char32_t final_byte, std::vector<InputEvent>& out) {
    const CsiParams p = ParseCsi(sequence_);
    if (p.marker == U'<') {
        if (final_byte == U'M' || final_byte == U'm') {
            if (auto mouse = DecodeSgr(p, final_byte)) {
                // Double clicks need the time; the sequence began a moment ago.
                EmitMouse(*mouse, escape_at_, out);
            }
        }
        return;
    }
    if (p.marker != 0 || !p.valid) return;
    if (final_byte == U'Z') {
        EmitKey(Key::BackTab, out);
        return;
    }
    if (final_byte == U'~') {
        if (auto key = TildeKey(Param(p, 0, 0))) {
            const Modifiers m = DecodeModifiers(Param(p, 1, 1));
            EmitKey(*key, out, m.alt, m.shift, m.ctrl);
        }
        return;  // includes the bracketed-paste markers 200 and 201: the text between is kept
    }
    if (auto key = CursorKey(final_byte)) {
        const Modifiers m = DecodeModifiers(Param(p, 1, 1));
        EmitKey(*key, out, m.alt, m.shift, m.ctrl);
    }
}

void KeyDecoder::Flush(std::uint64_t now_ms, std::vector<InputEvent>& out) {
    if (state_ == State::Ground || now_ms < escape_at_ + kEscTimeoutMs) return;
    if (state_ == State::Escape) {
        EmitKey(Key::Escape, out);
    } else if (state_ == State::Csi && sequence_.empty()) {
        EmitChar(U'[', true, out);  // ESC [ and nothing more: Alt+[
    } else if (state_ == State::Ss3) {
        EmitChar(U'O', true, out);  // Alt+Shift+O
    }
    Reset();
}

void KeyDecoder::EndOfRead(std::vector<InputEvent>& out) {
    if (state_ == State::Escape) {
        EmitKey(Key::Escape, out);
        Reset();
    }
}

std::optional<std::uint64_t> KeyDecoder::Deadline() const {
    if (state_ == State::Ground) return std::nullopt;
    return escape_at_ + kEscTimeoutMs;
}

std::string DescribeEvent(const InputEvent& event) {
    switch (event.kind) {
        case InputEvent::Kind::Timeout: return "timeout";
        case InputEvent::Kind::Wake: return "wake";
        case InputEvent::Kind::Resize: return "resize";
        case InputEvent::Kind::Terminate: return "terminate";
        case InputEvent::Kind::Key: {
            std::string text = "key ";
            text += KeyName(event.key.key);
            if (event.key.key == Key::Char) {
                text += ' ';
                text += UnicodeToUtf8(std::u32string(1, event.key.ch));
            }
            if (event.key.shift) text += " shift";
            if (event.key.ctrl) text += " ctrl";
            if (event.key.alt) text += " alt";
            return text;
        }
        case InputEvent::Kind::Mouse: {
            std::string text = "mouse ";
            if (event.mouse.action == MouseAction::Press) text += "press";
            else if (event.mouse.action == MouseAction::Release) text += "release";
            else if (event.mouse.action == MouseAction::DoubleClick) text += "double";
            else text += "move";
            if (event.mouse.button != MouseButton::Left) {
                text += ' ';
                text += ButtonName(event.mouse.button);
            }
            text += ' ' + std::to_string(event.mouse.x) + ' ' + std::to_string(event.mouse.y);
            return text;
        }
    }
    return "?";
}

}  // namespace qx
