#include "platform/testing/headless_backend.h"

#include <chrono>
#include <thread>

#include <gtest/gtest.h>

#include "platform/system/clock.h"
#include "platform/strings/cp932.h"

namespace qx {

namespace {

// How much virtual time an exhausted script lets a program with running timers idle
// before the fallback answers start.
constexpr std::uint64_t kIdleBudgetMs = 10 * 60 * 1000;
constexpr auto kAwaitWakeLimit = std::chrono::seconds(10);

std::u32string DecodeUtf8(std::string_view s) {
    std::u32string out;
    for (std::size_t i = 0; i < s.size();) {
        const unsigned char b = static_cast<unsigned char>(s[i]);
        int n = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 1;
        char32_t c = n == 1 ? b : n == 2 ? (b & 0x1F) : n == 3 ? (b & 0x0F) : (b & 0x07);
        if (i + static_cast<std::size_t>(n) > s.size()) n = 1, c = 0xFFFD;
        for (int k = 1; k < n; ++k) c = (c << 6) | (static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]) & 0x3F);
        out.push_back(c);
        i += static_cast<std::size_t>(n);
    }
    return out;
}

}  // namespace

HeadlessBackend::HeadlessBackend(int columns, int rows) : columns_(columns), rows_(rows), screen_(columns, rows) {
    fallback_.kind = InputEvent::Kind::Key;
    fallback_.key.key = Key::Escape;
}

void HeadlessBackend::Present(const ScreenBuffer& screen, Cursor cursor) {
    screen_ = screen;
    cursor_ = cursor;
    ++presents_;
}

std::uint64_t HeadlessBackend::Now() const { return CurrentClock().NowMs(); }

void HeadlessBackend::AdvanceTo(std::uint64_t ms) {
    Clock& clock = CurrentClock();
    if (auto* v = dynamic_cast<VirtualClock*>(&clock)) {
        v->AdvanceTo(ms);
    } else {
        const std::uint64_t now = clock.NowMs();
        if (ms > now) std::this_thread::sleep_for(std::chrono::milliseconds(ms - now));
    }
}

InputEvent HeadlessBackend::Wait(std::optional<std::uint64_t> deadline) {
    ++waits_;
    InputEvent timeout;
    timeout.kind = InputEvent::Kind::Timeout;
    {
        std::lock_guard lock(wakeMutex_);
        if (woken_) {
            woken_ = false;
            InputEvent wake;
            wake.kind = InputEvent::Kind::Wake;
            return wake;
        }
    }
    std::uint64_t now = Now();
    const bool poll = deadline && *deadline <= now;
    if (!script_.empty()) {
        idleSince_.reset();
        Item& item = script_.front();
        if (item.at && *item.at > now) {
            if (poll) return timeout;
            if (deadline && *deadline < *item.at) {
                AdvanceTo(*deadline);
                return timeout;
            }
            AdvanceTo(*item.at);
        } else if (poll && !item.early) {
            return timeout;
        }
        Item taken = std::move(item);
        script_.pop_front();
        switch (taken.kind) {
            case ItemKind::Check: {
                if (taken.check) taken.check();
                InputEvent again;
                again.kind = InputEvent::Kind::Wake;  // let the program look at its queue again
                return again;
            }
            case ItemKind::AwaitWake: {
                std::unique_lock lock(wakeMutex_);
                if (!wakeCv_.wait_for(lock, kAwaitWakeLimit, [this] { return wakes_ > wakesAwaited_; })) {
                    ADD_FAILURE() << "no message was posted from another thread";
                }
                wakesAwaited_ = wakes_;
                woken_ = false;
                InputEvent wake;
                wake.kind = InputEvent::Kind::Wake;
                return wake;
            }
            case ItemKind::Input:
                if (!taken.findText.empty()) {
                    const auto at = Find(taken.findText);
                    EXPECT_TRUE(at.has_value()) << "not on the screen: " << taken.findText;
                    if (at) {
                        taken.event.mouse.x = at->first;
                        taken.event.mouse.y = at->second;
                    }
                }
                if (taken.event.kind == InputEvent::Kind::Resize) {
                    columns_ = taken.event.mouse.x;
                    rows_ = taken.event.mouse.y;
                }
                return taken.event;
        }
    }
    if (poll) return timeout;
    if (deadline) {
        if (!idleSince_) idleSince_ = now;
        if (*deadline - *idleSince_ <= kIdleBudgetMs) {
            AdvanceTo(*deadline);
            return timeout;
        }
    }
    if (fallbacksGiven_ >= fallbackTimes_) {
        ADD_FAILURE() << "the input script ran out and the dialog did not end";
        InputEvent end;
        end.kind = InputEvent::Kind::Terminate;
        return end;
    }
    ++fallbacksGiven_;
    return fallback_;
}

void HeadlessBackend::Wake() {
    {
        std::lock_guard lock(wakeMutex_);
        woken_ = true;
        ++wakes_;
    }
    wakeCv_.notify_all();
}

HeadlessBackend& HeadlessBackend::Push(Item item) {
    item.early = nextEarly_;
    item.at = nextAt_;
    nextEarly_ = false;
    nextAt_.reset();
    script_.push_back(std::move(item));
    return *this;
}

HeadlessBackend& HeadlessBackend::Event(const InputEvent& event) {
    Item item;
    item.event = event;
    return Push(std::move(item));
}

HeadlessBackend& HeadlessBackend::Press(Key key, bool shift) {
    InputEvent e;
    e.kind = InputEvent::Kind::Key;
    e.key.key = key;
    e.key.shift = shift;
    return Event(e);
}

HeadlessBackend& HeadlessBackend::Type(std::string_view utf8) {
    const bool early = nextEarly_;
    for (char32_t c : DecodeUtf8(utf8)) {
        InputEvent e;
        e.kind = InputEvent::Kind::Key;
        e.key.key = Key::Char;
        e.key.ch = c;
        nextEarly_ = early;
        Event(e);
    }
    return *this;
}

HeadlessBackend& HeadlessBackend::Alt(char letter) {
    InputEvent e;
    e.kind = InputEvent::Kind::Key;
    e.key.key = Key::Char;
    e.key.ch = static_cast<char32_t>(letter);
    e.key.alt = true;
    return Event(e);
}

HeadlessBackend& HeadlessBackend::Mouse(int x, int y, MouseButton button, MouseAction action) {
    InputEvent e;
    e.kind = InputEvent::Kind::Mouse;
    e.mouse = {x, y, button, action};
    return Event(e);
}

HeadlessBackend& HeadlessBackend::Click(int x, int y, MouseButton button) {
    Mouse(x, y, button, MouseAction::Press);
    return Mouse(x, y, button, MouseAction::Release);
}

HeadlessBackend& HeadlessBackend::ClickOn(std::string_view utf8) {
    for (MouseAction action : {MouseAction::Press, MouseAction::Release}) {
        Item item;
        item.event.kind = InputEvent::Kind::Mouse;
        item.event.mouse = {0, 0, MouseButton::Left, action};
        item.findText = std::string(utf8);
        Push(std::move(item));
    }
    return *this;
}

HeadlessBackend& HeadlessBackend::ResizeTo(int columns, int rows) {
    InputEvent e;
    e.kind = InputEvent::Kind::Resize;
    e.mouse.x = columns;  // carried until the event is handed out
    e.mouse.y = rows;
    return Event(e);
}

HeadlessBackend& HeadlessBackend::Then(std::function<void()> check) {
    Item item;
    item.kind = ItemKind::Check;
    item.check = std::move(check);
    return Push(std::move(item));
}

HeadlessBackend& HeadlessBackend::AwaitWake() {
    Item item;
    item.kind = ItemKind::AwaitWake;
    return Push(std::move(item));
}

HeadlessBackend& HeadlessBackend::Early() {
    nextEarly_ = true;
    return *this;
}

HeadlessBackend& HeadlessBackend::AtTime(std::uint64_t virtual_ms) {
    nextAt_ = virtual_ms;
    return *this;
}

void HeadlessBackend::SetFallback(const InputEvent& event, int times) {
    fallback_ = event;
    fallbackTimes_ = times;
}

std::optional<std::pair<int, int>> HeadlessBackend::Find(std::string_view utf8) const {
    for (int y = 0; y < screen_.Rows(); ++y) {
        std::string row;
        std::vector<int> columnAt;  // byte offset in row -> column
        for (int x = 0; x < screen_.Columns(); ++x) {
            const char32_t c = screen_.At(x, y).ch;
            if (c == U'\0') continue;
            const std::size_t before = row.size();
            row += UnicodeToUtf8(std::u32string(1, c));
            columnAt.resize(row.size(), x);
            (void)before;
        }
        const std::size_t at = row.find(utf8);
        if (at != std::string::npos) return std::pair<int, int>{columnAt[at], y};
    }
    return std::nullopt;
}

}  // namespace qx
