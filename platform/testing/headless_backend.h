// The headless backend: the window layer's screen and input seam for tests. It keeps
// the last presented screen for assertions and replays a script of input events.
//
// Scripted events arrive when the program next waits idle (its posted messages handed
// out, no timer due, the screen painted), as a person's keys would; Early() makes the
// next event one that is already waiting while the program is still busy, AtTime(ms)
// one that arrives at that virtual time. When the program waits for a deadline (a
// timer) and no event is due before it, the backend moves the virtual clock to the
// deadline. When the script is used up and the program waits with no deadline, the
// backend answers with a fallback (Esc) a few times and then fails the test and ends
// every modal loop, so no test can hang.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "platform/windows/backend.h"

namespace qx {

class HeadlessBackend final : public Backend {
public:
    explicit HeadlessBackend(int columns = 100, int rows = 30);

    int Columns() const override { return columns_; }
    int Rows() const override { return rows_; }
    void Present(const ScreenBuffer& screen, Cursor cursor) override;
    InputEvent Wait(std::optional<std::uint64_t> deadline_ms) override;
    void Wake() override;
    void Beep() override { ++beeps_; }

    // The script.
    HeadlessBackend& Press(Key key, bool shift = false);
    HeadlessBackend& Type(std::string_view utf8);  // one character event each
    HeadlessBackend& Alt(char letter);
    HeadlessBackend& Click(int x, int y, MouseButton button = MouseButton::Left);  // press, release
    // Clicks the first cell of UTF-8 `text` as the screen shows it when the click comes.
    HeadlessBackend& ClickOn(std::string_view utf8);
    HeadlessBackend& Mouse(int x, int y, MouseButton button, MouseAction action);
    HeadlessBackend& ResizeTo(int columns, int rows);
    HeadlessBackend& Event(const InputEvent& event);
    // Runs `check` when the program next waits idle (screen up to date).
    HeadlessBackend& Then(std::function<void()> check);
    // Blocks until another thread has posted a message since the previous AwaitWake
    // (a worker's completion); fails the test if none comes within seconds of real time.
    HeadlessBackend& AwaitWake();
    // Modifiers of the next scripted item.
    HeadlessBackend& Early();
    HeadlessBackend& AtTime(std::uint64_t virtual_ms);

    // What the program showed.
    const ScreenBuffer& Screen() const { return screen_; }
    std::string ScreenText() const { return screen_.Text(); }
    Cursor LastCursor() const { return cursor_; }
    int Presents() const { return presents_; }
    int Waits() const { return waits_; }  // calls of Wait, polls included
    int Beeps() const { return beeps_; }
    bool ScriptDone() const { return script_.empty(); }
    // The cell where UTF-8 `text` starts on the screen, searching rows top-down.
    std::optional<std::pair<int, int>> Find(std::string_view utf8) const;

    // The fallback answer for an exhausted script and how often it is given.
    void SetFallback(const InputEvent& event, int times);

private:
    enum class ItemKind { Input, Check, AwaitWake };
    struct Item {
        ItemKind kind = ItemKind::Input;
        InputEvent event;
        std::function<void()> check;
        bool early = false;
        std::optional<std::uint64_t> at;
        std::string findText;  // a mouse event aimed at this text
    };
    HeadlessBackend& Push(Item item);
    void AdvanceTo(std::uint64_t ms);
    std::uint64_t Now() const;

    int columns_;
    int rows_;
    ScreenBuffer screen_;
    Cursor cursor_;
    int presents_ = 0;
    int waits_ = 0;
    int beeps_ = 0;
    std::deque<Item> script_;
    bool nextEarly_ = false;
    std::optional<std::uint64_t> nextAt_;
    InputEvent fallback_;
    int fallbackTimes_ = 5;
    int fallbacksGiven_ = 0;
    std::optional<std::uint64_t> idleSince_;

    std::mutex wakeMutex_;
    std::condition_variable wakeCv_;
    bool woken_ = false;
    std::uint64_t wakes_ = 0;         // every Wake() so far
    std::uint64_t wakesAwaited_ = 0;  // the wakes an AwaitWake has already accounted for
};

}  // namespace qx
