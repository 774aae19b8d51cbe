#include "platform/windows/dialog_template.h"

#include <gtest/gtest.h>

#include "platform/windows/styles.h"

namespace qx {
namespace {

DialogTemplate SmallTemplate() {
    DialogTemplate t;
    t.style = WS_POPUP | WS_CAPTION | DS_MODALFRAME;
    t.caption = "caption";
    t.fontName = "\x82\x6c\x82\x72";
    t.pointSize = 10;
    t.cx = 189;
    t.cy = 83;
    t.items.push_back({ControlClass::Edit, 1006, "", 0, WS_CHILD | WS_TABSTOP, 75, 30, 108, 12});
    t.items.push_back({ControlClass::Static, IDC_STATIC, "", 104, SS_ICON, 7, 7, 18, 20});
    return t;
}

TEST(DialogTemplateTest, RoundTripsAndRejectsDamagedBytes) {
    const DialogTemplate t = SmallTemplate();
    std::vector<std::byte> bytes = SerializeDialogTemplate(t);
    auto parsed = ParseDialogTemplate(bytes);
    ASSERT_TRUE(parsed.has_value());
    EXPECT_EQ(*parsed, t);
    EXPECT_EQ(parsed->items[1].id, IDC_STATIC);

    for (std::size_t cut = 0; cut < bytes.size(); ++cut) {
        EXPECT_FALSE(ParseDialogTemplate(std::span(bytes).first(cut)).has_value()) << cut;
    }
    std::vector<std::byte> longer = bytes;
    longer.push_back(std::byte{0});
    EXPECT_FALSE(ParseDialogTemplate(longer).has_value());
    std::vector<std::byte> bad_magic = bytes;
    bad_magic[0] = std::byte{'X'};
    EXPECT_FALSE(ParseDialogTemplate(bad_magic).has_value());
}

}  // namespace
}  // namespace qx
