// Turns what the terminal library reads into the window layer's input events.
//
// The decoder is pure: it owns no file descriptor and reads no clock. The backend
// feeds it one TermInput per read (a character, a key the library recognised, a mouse
// report, a resize) together with the current time, and collects the events it
// appends. Anything it does not understand (unknown escape sequences, control codes,
// invalid code points) is dropped, never passed on as typed text.
//
// Escape handling: Alt+letter reaches us as ESC followed by the letter, so a lone ESC is
// held until the next input or until kEscTimeoutMs pass (Flush) or the read is known
// to be complete (EndOfRead). Escape sequences the library did not translate are parsed
// here (CSI, SS3, X10 and SGR mouse reports) so their bytes never show up as text.
// Bytes are assembled into UTF-8 characters here too: an invalid or cut-off sequence
// is dropped and never holds up what follows.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/windows/backend.h"

namespace qx {

// Keys the terminal library recognises by name.
enum class TermKey : std::uint8_t {
    Enter, BackTab, Backspace, Delete, Insert,
    Left, Right, Up, Down, Home, End, PageUp, PageDown,
    F4, AltF4,
    Other,  // a key we have no use for
};

struct TermMouse {
    int x = 0;
    int y = 0;
    MouseButton button = MouseButton::Left;
    bool release = false;  // wheel notches come as presses only
};

struct TermInput {
    // Byte: one byte of UTF-8 as the terminal sent it; Char: a whole character.
    enum class Type : std::uint8_t { Byte, Char, Key, Mouse, Resize };
    Type type = Type::Char;
    char32_t ch = 0;  // Type::Byte and Type::Char
    TermKey key = TermKey::Other;
    TermMouse mouse;

    static TermInput Byte(unsigned char b) { return {Type::Byte, b, TermKey::Other, {}}; }
    static TermInput Char(char32_t c) { return {Type::Char, c, TermKey::Other, {}}; }
    static TermInput Named(TermKey k) { return {Type::Key, 0, k, {}}; }
    static TermInput Mouse(TermMouse m) { return {Type::Mouse, 0, TermKey::Other, m}; }
    static TermInput Resized() { return {Type::Resize, 0, TermKey::Other, {}}; }
};

class KeyDecoder {
public:
    // The wait after ESC before it counts as the Esc key on its own; matches the
    // terminal library's escape delay.
    static constexpr std::uint64_t kEscTimeoutMs = 25;
    // Two presses of one button on one cell within this time make a double click.
    static constexpr std::uint64_t kDoubleClickMs = 500;
    // A partly read escape sequence longer than this is garbage and is dropped.
    static constexpr std::size_t kMaxSequence = 32;

    void Feed(const TermInput& input, std::uint64_t now_ms, std::vector<InputEvent>& out);
    // Gives up on a pending ESC or escape sequence whose timeout has passed.
    void Flush(std::uint64_t now_ms, std::vector<InputEvent>& out);
    // The library has already waited its escape delay before handing over the last
    // ESC, so a lone ESC left at the end of a read is the Esc key.
    void EndOfRead(std::vector<InputEvent>& out);
    // When Flush would next do something, if anything is pending.
    std::optional<std::uint64_t> Deadline() const;

private:
    enum class State : std::uint8_t { Ground, Escape, Csi, Ss3, X10Mouse, Discard };

    void FeedByte(unsigned char b, std::uint64_t now_ms, std::vector<InputEvent>& out);
    void FeedChar(char32_t c, std::uint64_t now_ms, std::vector<InputEvent>& out);
    void FinishCsi(char32_t final_byte, std::vector<InputEvent>& out);
    void EmitKey(Key key, std::vector<InputEvent>& out, bool alt = false, bool shift = false,
                 bool ctrl = false);
    void EmitChar(char32_t c, bool alt, std::vector<InputEvent>& out);
    void EmitMouse(const TermMouse& mouse, std::uint64_t now_ms, std::vector<InputEvent>& out);
    void Reset() { state_ = State::Ground; sequence_.clear(); }

    State state_ = State::Ground;
    std::uint64_t escape_at_ = 0;  // when the pending ESC or sequence began
    std::u32string sequence_;      // parameter bytes of a CSI, or the X10 mouse bytes

    // A UTF-8 character being assembled.
    char32_t utf8_value_ = 0;
    int utf8_needed_ = 0;  // continuation bytes still to come
    char32_t utf8_min_ = 0;  // smallest value its length may encode (no overlong forms)

    // The last press, for double clicks.
    bool last_press_valid_ = false;
    TermMouse last_press_;
    std::uint64_t last_press_at_ = 0;
};

// A short text for an event ("key Tab", "key Char a alt", "mouse press 10 5",
// "resize", "wake", "timeout", "terminate"), for traces and the terminal check program.
std::string DescribeEvent(const InputEvent& event);

}  // namespace qx
