#include <map>

#include "platform/strings/cp932.h"
#include "platform/strings/cstring.h"
#include "res/resource_ids.h"
#include "tests/res/res_test_support.h"

namespace qx::testing {
namespace {

// The catalogue as the user reads it, in UTF-8.
const std::map<int, std::string> kCatalogue = {
    {IDS_NO_IMAGE, "ﾀﾞｳﾝﾛｰﾄﾞに必要なﾃﾞｰﾀがありません。(%2)"},
    {IDS_CHECK_CONNECTION, "ﾎﾟｰﾄ\"%1\"にQX210-NODEが正しく接続されているかどうか確認してください。(%2)"},
    {IDS_DL_CANCELLED, "ﾀﾞｳﾝﾛｰﾄﾞは中止されました。"},
    {IDS_DL_SUCCEEDED,
     "ﾀﾞｳﾝﾛｰﾄﾞは正常に終了しました。本ｱﾌﾟﾘｹｰｼｮﾝを終了したあと、必ずQX210-NODEの電源を入れ直してください。"},
    {IDS_DL_FAILED, "\"%1\"のQX210-NODEへのﾌｧｰﾑｳｪｱのﾀﾞｳﾝﾛｰﾄﾞに失敗しました。（ｴﾗｰ番号：%2）"},
    {IDS_DL_WRITING, "\"%1\"のQX210-NODEへﾌｧｰﾑｳｪｱをﾀﾞｳﾝﾛｰﾄﾞしています。しばらくお待ちください..."},
    {IDS_FIRMWARE_VERSION, "1.02"},
    {IDS_VERSION_NOT_NEWER,
     "これからﾀﾞｳﾝﾛｰﾄﾞするﾌｧｰﾑｳｪｱは、現在QX210-NODEで動作しているﾌｧｰﾑｳｪｱと同じﾊﾞｰｼﾞｮﾝかそれよりも古い"
     "ﾊﾞｰｼﾞｮﾝです。それでも、ﾀﾞｳﾝﾛｰﾄﾞを行いますか。\n現在のﾌｧｰﾑｳｪｱのﾊﾞｰｼﾞｮﾝ：%1\n"
     "ﾀﾞｳﾝﾛｰﾄﾞするﾌｧｰﾑｳｪｱのﾊﾞｰｼﾞｮﾝ：%2"},
    {IDS_CONFIRM_DOWNLOAD, "\"%1\"のQX210-NODEにファームウェアをﾀﾞｳﾝﾛｰﾄﾞします。よろしいですか？"},
    {IDS_PREPARING, "ﾀﾞｳﾝﾛｰﾄﾞの準備をしています..."},
    {IDS_DL_REFUSED, "\"%1\"のQX210-NODEからダウンロードを拒否されました。ﾊﾟｽﾜｰﾄﾞを確認してください。"},
    {IDS_DL_TIMEOUT, "\"%1\"のQX210-NODEへのダウンロード中にタイムアウトしました。"},
    {IDS_ADDRESS_UNKNOWN, "\"%1\"のIPｱﾄﾞﾚｽがわかりません。"},
    {IDS_LOOKUP_CANCELLED, "\"%1\"のIPｱﾄﾞﾚｽの検索を中止しました。"},
    {IDS_NOT_TARGET_MODEL, "\"%1\"の機器はQX210-NODEではありません。"},
    {IDS_IN_DOWNLOAD_MODE, "\"%1\"のQX210-NODEはダウンロードモードになっています。電源を入れ直してください。"},
    {AFX_IDP_PARSE_STRING_SIZE, "Please enter no more than %1 characters."},
};

using StringTableTest = ProgramResourcesTest;

TEST_F(StringTableTest, EveryEntryHoldsItsCatalogueTextInCp932) {
    for (const auto& [id, utf8] : kCatalogue) {
        const std::optional<std::string> want = Utf8ToCp932(utf8);
        ASSERT_TRUE(want.has_value()) << id;
        EXPECT_EQ(AsText(Bytes(MAKEINTRESOURCE(id), RT_STRING)), *want) << "string " << id;
        EXPECT_LE(want->size(), 255u) << id;
    }
}

TEST_F(StringTableTest, BytesAreExactWhereTheCodePageMatters) {
    // Half-width katakana are single bytes, kanji and full-width signs two; no terminator.
    EXPECT_EQ(AsText(Bytes(MAKEINTRESOURCE(IDS_DL_CANCELLED), RT_STRING)),
              "\xC0\xDE\xB3\xDD\xDB\xB0\xC4\xDE\x82\xCD\x92\x86\x8E\x7E\x82\xB3\x82\xEA\x82\xDC\x82\xB5\x82\xBD\x81\x42");
    EXPECT_TRUE(AsText(Bytes(MAKEINTRESOURCE(IDS_DL_FAILED), RT_STRING))
                    .ends_with("\x81\x69\xB4\xD7\xB0\x94\xD4\x8D\x86\x81\x46\x25\x32\x81\x6A"));
    // Three lines joined by single line feeds, 200 bytes in all.
    const std::string_view question = AsText(Bytes(MAKEINTRESOURCE(IDS_VERSION_NOT_NEWER), RT_STRING));
    EXPECT_EQ(question.size(), 200u);
    EXPECT_EQ(std::count(question.begin(), question.end(), '\n'), 2);
    EXPECT_EQ(question.find('\r'), std::string_view::npos);
    EXPECT_FALSE(question.ends_with("\n"));
}

TEST_F(StringTableTest, TableHoldsNoEntryBeyondTheCatalogue) {
    int strings = 0;
    for (const ResourceEntry& entry : ProgramResources()) {
        if (!entry.type.Matches(RT_STRING)) continue;
        ++strings;
        ASSERT_TRUE(entry.name.IsNumber());
        EXPECT_TRUE(kCatalogue.contains(entry.name.Number())) << "unexpected string " << entry.name.Number();
    }
    EXPECT_EQ(strings, static_cast<int>(kCatalogue.size()));
}

TEST_F(StringTableTest, LoadStringReadsTheRegisteredTable) {
    CString text;
    ASSERT_TRUE(text.LoadString(IDS_FIRMWARE_VERSION));
    EXPECT_EQ(text, "1.02");
    EXPECT_FALSE(text.LoadString(59148));  // a gap in the numbering stays a gap
    EXPECT_EQ(text, "1.02");
}

}  // namespace
}  // namespace qx::testing
