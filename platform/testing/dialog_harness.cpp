#include "platform/testing/dialog_harness.h"

#include <gtest/gtest.h>

#include "platform/strings/cp932.h"

namespace qx {

TestResources::TestResources() : previous_(CurrentResourceDirectory()) { SetResourceDirectory({}); }

TestResources::~TestResources() { SetResourceDirectory(previous_); }

ResourceName TestResources::Keep(ResourceName name) {
    if (name.IsNumber()) return name;
    names_.emplace_back(name.Name());
    return ResourceName(names_.back().c_str());
}

void TestResources::Add(ResourceName type, ResourceName name, std::vector<std::byte> bytes) {
    data_.push_back(std::move(bytes));
    entries_.push_back({Keep(type), Keep(name), data_.back().data(), data_.back().size()});
    SetResourceDirectory(entries_);
}

void TestResources::Add(ResourceName type, ResourceName name, std::string_view bytes) {
    std::vector<std::byte> copy(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) copy[i] = static_cast<std::byte>(bytes[i]);
    Add(type, name, std::move(copy));
}

void TestResources::AddString(UINT id, std::string_view cp932) {
    Add(RT_STRING, static_cast<WORD>(id), cp932);
}

void TestResources::AddDialog(UINT id, const DialogTemplate& dialog) {
    Add(RT_DIALOG, static_cast<WORD>(id), SerializeDialogTemplate(dialog));
}

DialogHarness::DialogHarness(int columns, int rows, std::uint64_t start_ms)
    : clock_(start_ms), scoped_clock_(clock_), backend_(columns, rows), scoped_backend_(backend_) {
    AfxSetAppName("test");
    SetMessageBoxObserver([this](const MessageBoxRecord& r) { boxes_.push_back(r); });
}

DialogHarness::~DialogHarness() { SetMessageBoxObserver({}); }

std::string Sjis(std::string_view utf8) {
    std::optional<std::string> bytes = Utf8ToCp932(utf8);
    EXPECT_TRUE(bytes.has_value()) << "not representable in CP932: " << utf8;
    return bytes.value_or("");
}

}  // namespace qx
