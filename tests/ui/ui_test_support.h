// Shared set-up for the dialog tests: the headless harness with the program's own
// resources in front of the harness's empty directory, and small helpers to read
// focus, selection and what the screen shows.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/system/resources.h"
#include "platform/testing/dialog_harness.h"
#include "platform/windows/controls.h"
#include "platform/windows/dialog.h"
#include "res/program_resources.h"

namespace qx::ui_testing {

// The program's resources, optionally without some entries or with some replaced,
// as the current directory for the life of the object.
class ResourcesFor {
public:
    using Filter = std::function<bool(const ResourceEntry&)>;  // true: leave it out
    explicit ResourcesFor(const Filter& leaveOut = {}, std::vector<ResourceEntry> extra = {}) {
        for (const ResourceEntry& e : ProgramResources()) {
            if (!leaveOut || !leaveOut(e)) entries_.push_back(e);
        }
        for (const ResourceEntry& e : extra) entries_.push_back(e);
        scoped_.emplace(entries_);
    }

private:
    std::vector<ResourceEntry> entries_;
    std::optional<ScopedResourceDirectory> scoped_;
};

inline bool IsResource(const ResourceEntry& e, ResourceName type, ResourceName name) {
    return e.type.Matches(type) && e.name.Matches(name);
}

// A headless 100 x 30 screen and virtual clock, with the program's resources.
struct UiHarness {
    explicit UiHarness(std::uint64_t start_ms = 0, const ResourcesFor::Filter& leaveOut = {},
                       std::vector<ResourceEntry> extra = {})
        : h(100, 30, start_ms), resources(leaveOut, std::move(extra)) {}
    DialogHarness h;
    ResourcesFor resources;
};

inline int FocusId() {
    CWnd* f = CWnd::GetFocus();
    return f ? f->GetDlgCtrlID() : 0;
}

inline std::string ItemText(CWnd& dialog, int id) {
    CString text;
    dialog.GetDlgItemText(id, text);
    return text.Bytes();
}

inline std::pair<int, int> Selection(CWnd& dialog, int id) {
    int start = -1, end = -1;
    if (auto* edit = static_cast<CEdit*>(dialog.GetDlgItem(id))) edit->GetSel(start, end);
    return {start, end};
}

inline bool Shows(const DialogHarness& h, std::string_view utf8) {
    return h.ScreenText().find(std::string(utf8)) != std::string::npos;
}

}  // namespace qx::ui_testing
