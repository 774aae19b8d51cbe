// The screen-and-input seam between the window layer and the outside world.
//
// The window layer composes every visible window into a ScreenBuffer of character
// cells (one cell is 8 x 16 pixels of the layer's geometry) and hands the whole
// buffer to the backend, which shows it. Input comes back as InputEvents. Two
// backends exist: the ncursesw terminal (platform/terminal) and the headless one used
// by tests (platform/testing), which keeps the last buffer for assertions and replays
// a scripted queue of events.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qx {

// The 16 colours, in the order of the VGA palette, which is also the order of the
// terminal's 8 normal and 8 bright colours.
enum class Color : std::uint8_t {
    Black, DarkRed, DarkGreen, Olive, Navy, Purple, Teal, Silver,
    Grey, Red, Lime, Yellow, Blue, Magenta, Cyan, White,
};

enum CellAttr : std::uint8_t {
    kAttrNone = 0,
    kAttrUnderline = 1,
    kAttrBold = 2,
    kAttrReverse = 4,
};

struct Cell {
    char32_t ch = U' ';    // Unicode; U'\0' marks the right half of a two-column character
    Color fg = Color::White;
    Color bg = Color::Black;
    std::uint8_t attr = kAttrNone;

    bool operator==(const Cell&) const = default;
};

class ScreenBuffer {
public:
    ScreenBuffer() = default;
    ScreenBuffer(int columns, int rows) { Resize(columns, rows); }
    void Resize(int columns, int rows);
    int Columns() const { return columns_; }
    int Rows() const { return rows_; }
    bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < columns_ && y < rows_; }
    Cell& At(int x, int y) { return cells_[static_cast<std::size_t>(y * columns_ + x)]; }
    const Cell& At(int x, int y) const { return cells_[static_cast<std::size_t>(y * columns_ + x)]; }
    void Fill(const Cell& cell);
    // The row as UTF-8 with the right halves of wide characters skipped, so a test can
    // compare a screen with literal text. Trailing blanks are kept.
    std::string RowText(int y) const;
    std::string Text() const;  // every row, each followed by '\n'

private:
    int columns_ = 0;
    int rows_ = 0;
    std::vector<Cell> cells_;
};

struct Cursor {
    bool visible = false;
    int x = 0;
    int y = 0;
};

enum class Key : std::uint8_t {
    Char,  // a typed character in `ch`
    Enter, Escape, Tab, BackTab, Backspace, Delete, Insert,
    Left, Right, Up, Down, Home, End, PageUp, PageDown,
    F4,
};

struct KeyEvent {
    Key key = Key::Char;
    char32_t ch = 0;   // for Key::Char; for Alt+letter the letter with alt set
    bool alt = false;
    bool shift = false;
    bool ctrl = false;
};

enum class MouseButton : std::uint8_t { Left, Middle, Right, WheelUp, WheelDown };
// Move: the pointer moved while a button is held (a drag); backends that cannot
// report it never send it.
enum class MouseAction : std::uint8_t { Press, Release, DoubleClick, Move };

struct MouseEvent {
    int x = 0;  // cell column
    int y = 0;  // cell row
    MouseButton button = MouseButton::Left;
    MouseAction action = MouseAction::Press;
};

struct InputEvent {
    enum class Kind : std::uint8_t {
        Timeout,    // the deadline passed
        Wake,       // Wake() was called (a message was posted from another thread)
        Key,
        Mouse,
        Resize,     // the screen size changed; Columns() and Rows() tell the new one
        Terminate,  // a termination signal arrived; the caller calls FinishTermination()
    };
    Kind kind = Kind::Timeout;
    KeyEvent key;
    MouseEvent mouse;
};

class Backend {
public:
    virtual ~Backend() = default;
    virtual int Columns() const = 0;
    virtual int Rows() const = 0;
    // Shows `screen` (of Columns() x Rows() cells) with the caret at `cursor`.
    virtual void Present(const ScreenBuffer& screen, Cursor cursor) = 0;
    // Sleeps until input arrives, Wake() is called, or the current clock reaches
    // `deadline_ms` (none: no deadline). Uses no CPU while it waits.
    virtual InputEvent Wait(std::optional<std::uint64_t> deadline_ms) = 0;
    // Safe from any thread: makes a pending or the next Wait return Kind::Wake.
    virtual void Wake() = 0;
    virtual void Beep() = 0;
};

// The backend the window layer draws to and reads from. None until one is installed:
// the application installs the terminal, tests the headless backend. The installer
// owns it and uninstalls it before destroying it.
void SetBackend(Backend* backend);
Backend* CurrentBackend();
// Safe from any thread: wakes the installed backend, if any. Installing another
// backend waits for a wake in progress, so a backend that was uninstalled is never
// woken afterwards (a worker thread may post long after a test's backend is gone).
void WakeBackend();

class ScopedBackend {
public:
    explicit ScopedBackend(Backend& backend);
    ~ScopedBackend();
    ScopedBackend(const ScopedBackend&) = delete;
    ScopedBackend& operator=(const ScopedBackend&) = delete;

private:
    Backend* previous_;
};

}  // namespace qx
