#include "platform/strings/cp932.h"
#include "platform/windows/dialog_template.h"
#include "platform/windows/styles.h"
#include "res/resource_ids.h"
#include "tests/res/res_test_support.h"

namespace qx::testing {
namespace {

struct Item {
    ControlClass cls;
    int id;
    const char* text;  // UTF-8
    WORD ordinal;
    DWORD style;
    short x, y, cx, cy;
};

struct Expected {
    int id;
    DWORD style;
    const char* caption;
    const char* font;
    WORD points;
    short cx, cy;
    std::vector<Item> items;
};

constexpr const char* kCaption = "QX210-NODEﾀﾞｳﾝﾛｰﾀﾞ";
constexpr const char* kGothic = "ＭＳ ゴシック";
constexpr DWORD kVis = WS_CHILD | WS_VISIBLE;
constexpr DWORD kText = kVis | WS_GROUP | SS_LEFT;
using C = ControlClass;

const std::vector<Expected>& Templates() {
    static const std::vector<Expected> all = {
        {IDD_ABOUTBOX, WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT, kCaption,
         kGothic, 10, 215, 84,
         {{C::Button, IDOK, "OK", 0, kVis | WS_TABSTOP | BS_DEFPUSHBUTTON, 83, 63, 50, 14},
          {C::Static, IDC_STATIC, "", 104, kVis | SS_ICON, 7, 7, 18, 20},
          {C::Static, IDC_STATIC,
           "本ｿﾌﾄｳｪｱは、ISDNﾙｰﾀQX210-NODEのﾌｧｰﾑｳｪｱをversion1.02にﾊﾞｰｼﾞｮﾝｱｯﾌﾟするためのﾀﾞｳﾝﾛｰﾀﾞです。", 0,
           kText, 46, 10, 160, 24},
          {C::Static, IDC_STATIC, "・本ｿﾌﾄｳｪｱの著作権は、QX210-NODEの製造元に帰属します。", 0, kText, 7, 38, 202,
           19}}},
        {IDD_SPLASH, WS_POPUP | WS_VISIBLE | DS_MODALFRAME | DS_SETFONT, "", kGothic, 10, 145, 81,
         {{C::Button, IDOK, "", 0, kVis | BS_OWNERDRAW, 0, 0, 145, 81}}},
        {IDD_PROGRESS, WS_POPUP | WS_VISIBLE | WS_CAPTION | DS_MODALFRAME | DS_SETFONT, kCaption, kGothic, 10, 188,
         59,
         {{C::Static, IDC_STATUS, "ﾀﾞｳﾝﾛｰﾄﾞの準備をしています...", 0, kText, 15, 7, 173, 21},
          {C::Static, IDC_PROGRESS_BAR, "", 0, kVis | SS_BLACKFRAME | SS_SUNKEN, 9, 30, 173, 11}}},
        {IDD_AGREEMENT, WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT, kCaption,
         kGothic, 10, 246, 167,
         {{C::Button, IDOK, "はい(&Y)", 0, kVis | WS_TABSTOP | BS_DEFPUSHBUTTON, 135, 146, 50, 14},
          {C::Button, IDCANCEL, "いいえ(&N)", 0, kVis | WS_TABSTOP | BS_PUSHBUTTON, 189, 146, 50, 14},
          {C::Static, IDC_STATIC, "次の使用許諾契約書をお読みください。", 0, kText, 7, 7, 145, 8},
          {C::Edit, IDC_AGREEMENT_TEXT, "", 0,
           kVis | WS_BORDER | WS_VSCROLL | WS_TABSTOP | ES_MULTILINE | ES_AUTOVSCROLL | ES_NOHIDESEL | ES_READONLY,
           7, 20, 231, 90},
          {C::Static, IDC_STATIC,
           "使用許諾契約書に同意されますか？[いいえ]を選ぶとﾀﾞｳﾝﾛｰﾄﾞを中止します。QX210-NODEのﾌｧｰﾑｳｪｱを"
           "ﾀﾞｳﾝﾛｰﾄﾞするには、この契約書に同意してください。",
           0, kText, 7, 116, 232, 25},
          {C::Button, IDC_ABOUT, "QX210-NODEﾀﾞｳﾝﾛｰﾀﾞについて(&A)", 0, kVis | WS_TABSTOP | BS_PUSHBUTTON, 7, 146,
           115, 14}}},
        {IDD_TARGET, WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT, kCaption,
         kGothic, 10, 189, 83,
         {{C::Static, IDC_STATIC, "ﾀﾞｳﾝﾛｰﾄﾞするQX210-NODEのIPｱﾄﾞﾚｽまたは名前を入力してください。", 0, kText, 6, 4,
           161, 19},
          {C::Static, IDC_STATIC, "QX210-NODE(&M)：", 0, kText, 6, 29, 64, 10},
          {C::Edit, IDC_TARGET, "", 0, kVis | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 75, 30, 108, 12},
          {C::Static, IDC_STATIC, "ﾊﾟｽﾜｰﾄﾞ(&P)：", 0, kText, 6, 46, 64, 8},
          {C::Edit, IDC_PASSWORD, "", 0, kVis | WS_BORDER | WS_TABSTOP | ES_PASSWORD | ES_AUTOHSCROLL, 75, 45, 108,
           12},
          {C::Button, IDOK, "ﾀﾞｳﾝﾛｰﾄﾞ(&D)", 0, kVis | WS_TABSTOP | BS_DEFPUSHBUTTON, 80, 65, 50, 14},
          {C::Button, IDCANCEL, "ｷｬﾝｾﾙ", 0, kVis | WS_TABSTOP | BS_PUSHBUTTON, 135, 65, 50, 14}}},
        {IDD_LOOKUP, WS_POPUP | WS_CAPTION | DS_CENTER | DS_MODALFRAME | DS_SETFONT, kCaption, "ＭＳ Ｐゴシック", 9,
         222, 72,
         {{C::Button, IDCANCEL, "中止", 0, kVis | WS_TABSTOP | BS_PUSHBUTTON, 143, 41, 50, 14},
          {C::Static, IDC_LOOKUP_TEXT, "QX210-NODEを探しています。しばらくお待ちください。", 0, kText, 23, 26, 175,
           11}}},
    };
    return all;
}

std::string Cp932(const char* utf8) {
    std::optional<std::string> bytes = Utf8ToCp932(utf8);
    EXPECT_TRUE(bytes.has_value()) << utf8;
    return bytes.value_or("");
}

using DialogTemplatesTest = ProgramResourcesTest;

TEST_F(DialogTemplatesTest, EveryTemplateHasItsFrameAndItemsInTabOrder) {
    for (const Expected& want : Templates()) {
        SCOPED_TRACE("dialog " + std::to_string(want.id));
        const std::optional<DialogTemplate> got = ParseDialogTemplate(Bytes(MAKEINTRESOURCE(want.id), RT_DIALOG));
        ASSERT_TRUE(got.has_value());
        EXPECT_EQ(got->style, want.style);
        EXPECT_EQ(got->caption, Cp932(want.caption));
        EXPECT_EQ(got->fontName, Cp932(want.font));
        EXPECT_EQ(got->pointSize, want.points);
        EXPECT_EQ(got->x, 0);
        EXPECT_EQ(got->y, 0);
        EXPECT_EQ(got->cx, want.cx);
        EXPECT_EQ(got->cy, want.cy);
        ASSERT_EQ(got->items.size(), want.items.size());
        for (std::size_t i = 0; i < want.items.size(); ++i) {
            const Item& w = want.items[i];
            const DialogItemTemplate expected{w.cls, w.id, Cp932(w.text), w.ordinal, w.style, w.x, w.y, w.cx, w.cy};
            EXPECT_EQ(got->items[i], expected) << "item " << i + 1 << " (id " << w.id << ")";
        }
    }
}

TEST_F(DialogTemplatesTest, ProgramCarriesNoOtherTemplate) {
    int dialogs = 0;
    for (const ResourceEntry& entry : ProgramResources()) {
        if (entry.type.Matches(RT_DIALOG)) ++dialogs;
    }
    EXPECT_EQ(dialogs, static_cast<int>(Templates().size()));
}

}  // namespace
}  // namespace qx::testing
