// Everything a test needs to run dialogs and message boxes headless:
//
//     DialogHarness h;                         // virtual clock, headless 100 x 30 screen,
//                                              // an empty resource directory of its own
//     h.Resources().AddString(61716, "...");   // CP932 bytes
//     h.Input().Type("abc").Press(Key::Tab).Then([&] {
//         EXPECT_NE(h.ScreenText().find("abc"), std::string::npos);
//     }).Press(Key::Enter);
//     CDialog dialog(MyTemplate());
//     EXPECT_EQ(dialog.DoModal(), IDOK);
//     EXPECT_EQ(h.MessageBoxes().size(), 0u);
//
// A protocol test that must answer a message box scripts the key before the call:
// h.Input().Press(Key::Escape); then AfxMessageBox returns IDCANCEL (style 49).
// The harness installs its clock, backend and resources for its own lifetime and
// restores what was installed before; message boxes are captioned "test".
#pragma once

#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "platform/system/clock.h"
#include "platform/system/resources.h"
#include "platform/testing/headless_backend.h"
#include "platform/windows/dialog_template.h"
#include "platform/windows/message_box.h"

namespace qx {

// A resource directory built by a test; it is the current directory while it lives.
class TestResources {
public:
    TestResources();
    ~TestResources();
    TestResources(const TestResources&) = delete;
    TestResources& operator=(const TestResources&) = delete;

    void Add(ResourceName type, ResourceName name, std::vector<std::byte> bytes);
    void Add(ResourceName type, ResourceName name, std::string_view bytes);
    void AddString(UINT id, std::string_view cp932);
    void AddDialog(UINT id, const DialogTemplate& dialog);

private:
    ResourceName Keep(ResourceName name);
    std::deque<std::string> names_;
    std::deque<std::vector<std::byte>> data_;
    std::vector<ResourceEntry> entries_;
    ResourceDirectory previous_;
};

class DialogHarness {
public:
    explicit DialogHarness(int columns = 100, int rows = 30, std::uint64_t start_ms = 0);
    ~DialogHarness();
    DialogHarness(const DialogHarness&) = delete;
    DialogHarness& operator=(const DialogHarness&) = delete;

    HeadlessBackend& Input() { return backend_; }
    VirtualClock& Clock() { return clock_; }
    TestResources& Resources() { return resources_; }
    const ScreenBuffer& Screen() const { return backend_.Screen(); }
    std::string ScreenText() const { return backend_.ScreenText(); }
    const std::vector<MessageBoxRecord>& MessageBoxes() const { return boxes_; }

private:
    VirtualClock clock_;
    ScopedClock scoped_clock_;
    HeadlessBackend backend_;
    ScopedBackend scoped_backend_;
    TestResources resources_;
    std::vector<MessageBoxRecord> boxes_;
};

// Test texts are written in UTF-8 and stored in CP932; this converts (and fails the
// test for a text that CP932 cannot hold).
std::string Sjis(std::string_view utf8);

}  // namespace qx
