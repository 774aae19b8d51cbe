// The generators refuse every source that does not have its stated form, naming
// what is wrong, so a bad resource fails the build instead of reaching a user.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <unistd.h>

#include "platform/windows/styles.h"
#include "tools/resgen/canvas.h"
#include "tools/resgen/resgen.h"

namespace qx::resgen {
namespace {

namespace fs = std::filesystem;

class ResgenTest : public ::testing::Test {
protected:
    ResgenTest() {
        dir_ = fs::temp_directory_path() / ("qx_resgen_test." + std::to_string(::getpid()));
        fs::create_directories(dir_);
    }
    ~ResgenTest() override { fs::remove_all(dir_); }

    fs::path Write(const std::string& name, const std::string& content) {
        std::ofstream(dir_ / name, std::ios::binary) << content;
        return dir_ / name;
    }
    std::string Read(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    // The message a generator fails with, or "" when it succeeds.
    static std::string Failure(const std::function<void()>& run) {
        try {
            run();
        } catch (const SourceError& e) {
            return e.what();
        }
        return "";
    }

    fs::path dir_;
};

TEST_F(ResgenTest, StringTableConvertsEscapesAndRefusesBadEntries) {
    const fs::path good = Write("good.txt", "# comment\n1 IDS_A ﾃｽﾄ\\n\"%1\"\\\\\n");
    ASSERT_EQ(Failure([&] { GenerateStringTable(good, dir_ / "out"); }), "");
    EXPECT_EQ(Read(dir_ / "out" / "1.bin"), "\xC3\xBD\xC4\n\"%1\"\\");

    std::string too_long = "1 IDS_LONG ";
    for (int i = 0; i < 128; ++i) too_long += "漢";  // 256 bytes in CP932
    const struct {
        std::string source;
        const char* message;
    } cases[] = {
        {too_long + "\n", "IDS_LONG is 256 bytes in CP932, more than 255"},
        {"1 IDS_A 😀\n", "CP932 cannot hold"},
        {"1 IDS_A ok\n1 IDS_B again\n", "id 1 appears twice"},
        {"1 IDS_A ok\n2 IDS_A again\n", "name IDS_A appears twice"},
        {"70000 IDS_A text\n", "not a number from 1 to 65535"},
        {"x1 IDS_A text\n", "not a number from 1 to 65535"},
        {"1 IDS_A a\\tb\n", "unknown escape \\t"},
        {"1 IDS_A ends\\\n", "lone backslash"},
        {"1 IDS_A\n", "expected \"id name text\""},
        {"1 IDS_A crlf\r\n", "carriage return"},
        {"# nothing\n", "no entries"},
    };
    for (const auto& c : cases) {
        const fs::path path = Write("bad.txt", c.source);
        const std::string failure = Failure([&] { GenerateStringTable(path, dir_ / "bad"); });
        EXPECT_NE(failure.find(c.message), std::string::npos) << c.source << " gave: " << failure;
        EXPECT_NE(failure.find("bad.txt:"), std::string::npos) << "names the file and line: " << failure;
    }
}

TEST_F(ResgenTest, AgreementFiguresAreCheckedAndNamed) {
    const std::string failure =
        Failure([&] { GenerateAgreement(Write("a.txt", "一行目\n\n二行目。\n"), dir_ / "a.bin"); });
    EXPECT_NE(failure.find("bytes: 18, must be 2924"), std::string::npos) << failure;
    EXPECT_NE(failure.find("lines: 3, must be 29"), std::string::npos) << failure;
    EXPECT_NE(failure.find("empty lines: 1, must be 7"), std::string::npos) << failure;
    EXPECT_FALSE(fs::exists(dir_ / "a.bin"));

    EXPECT_NE(Failure([&] { GenerateAgreement(Write("k.txt", "ｶﾀｶﾅ。"), dir_ / "k.bin"); })
                  .find("k.txt:1: half-width katakana"),
              std::string::npos);
    EXPECT_NE(Failure([&] { GenerateAgreement(Write("t.txt", "a\n\tb。"), dir_ / "t.bin"); }).find("t.txt:2:"),
              std::string::npos);
    EXPECT_NE(Failure([&] { GenerateAgreement(Write("e.txt", "終わらない"), dir_ / "e.bin"); })
                  .find("must end with"),
              std::string::npos);
}

TEST_F(ResgenTest, IconArtMustBeSquareOfPaletteIndexes) {
    std::string art32, art16;
    for (int i = 0; i < 32; ++i) art32 += std::string(32, '.') + "\n";
    for (int i = 0; i < 16; ++i) art16 += std::string(16, 'C') + "\n";
    ASSERT_EQ(Failure([&] { GenerateIcon(Write("i32.txt", art32), Write("i16.txt", art16), dir_ / "icon"); }), "");
    EXPECT_EQ(fs::file_size(dir_ / "icon" / "icon_1.bin"), 744u);
    EXPECT_EQ(fs::file_size(dir_ / "icon" / "icon_3.bin"), 176u);

    const struct {
        std::string art16;
        const char* message;
    } cases[] = {
        {art16.substr(0, art16.size() - 17), "15 rows, must have 16"},
        {art16 + std::string(16, 'C') + "\n", "more than 16 rows"},
        {"CCC\n" + art16.substr(17), "i16.txt:1: the row has 3 pixels"},
        {std::string(15, 'C') + "G\n" + art16.substr(17), "'G' is neither"},
    };
    for (const auto& c : cases) {
        const std::string failure =
            Failure([&] { GenerateIcon(Write("i32.txt", art32), Write("i16.txt", c.art16), dir_ / "bad"); });
        EXPECT_NE(failure.find(c.message), std::string::npos) << failure;
    }
}

TEST_F(ResgenTest, VersionBlockMustMeasureItsSize) {
    const std::string strings =
        "CompanyName=c\nFileDescription=d\nFileVersion=1.02\nInternalName=i\nLegalCopyright=l\n"
        "OriginalFilename=o\nProductName=p\nProductVersion=1.02\n";
    const std::string fixed = "fixed-file-version=1.2.0.0\nfixed-product-version=1.2.0.0\n";
    const struct {
        std::string source;
        const char* message;
    } cases[] = {
        {fixed + "size=800\n" + strings, "must be 800"},
        {fixed + strings, "size is required"},
        {"fixed-file-version=1.2.0\nfixed-product-version=1.2.0.0\nsize=1\n" + strings, "not a version a.b.c.d"},
        {fixed + "size=1\nCompanyName=x\n", "every standard string key"},
        {fixed + "size=1\nComment=x\n" + strings, "unknown key \"Comment\""},
        {fixed + "size=1\n" + strings + "CompanyName=again\n", "CompanyName appears twice"},
        {fixed + "size=x\n" + strings, "is not a size"},
    };
    for (const auto& c : cases) {
        const std::string failure = Failure([&] { GenerateVersionInfo(Write("v.txt", c.source), dir_ / "v.bin"); });
        EXPECT_NE(failure.find(c.message), std::string::npos) << c.source << " gave: " << failure;
    }
}

TEST_F(ResgenTest, DialogTemplatesMustHaveTheirForm) {
    const DialogSource good{1, "D", {WS_POPUP | DS_SETFONT, "表題", "ＭＳ ゴシック", 10, 0, 0, 100, 50,
                                     {{ControlClass::Button, 1, "はい(&Y)", 0, WS_CHILD, 0, 0, 100, 50}}}};
    ASSERT_EQ(Failure([&] { CompileDialog(good); }), "");

    const struct {
        std::function<void(DialogSource&)> spoil;
        const char* message;
    } cases[] = {
        {[](DialogSource& s) { s.dialog.style = WS_CHILD; }, "must be WS_POPUP"},
        {[](DialogSource& s) { s.dialog.fontName.clear(); }, "DS_SETFONT needs"},
        {[](DialogSource& s) { s.dialog.items.clear(); }, "no controls"},
        {[](DialogSource& s) { s.dialog.items[0].style = 0; }, "item 1: a control must be WS_CHILD"},
        {[](DialogSource& s) { s.dialog.items[0].cx = 101; }, "outside the dialog"},
        {[](DialogSource& s) { s.dialog.items[0].text = "末尾&"; }, "marking no mnemonic"},
        {[](DialogSource& s) { s.dialog.items[0].text = "😀"; }, "item 1 text: a character CP932 cannot hold"},
        {[](DialogSource& s) { s.dialog.items[0].textOrdinal = 104; }, "icon static"},
        {[](DialogSource& s) { s.dialog.items.push_back(s.dialog.items[0]); }, "control id 1 is used twice"},
    };
    for (const auto& c : cases) {
        DialogSource bad = good;
        c.spoil(bad);
        const std::string failure = Failure([&] { CompileDialog(bad); });
        EXPECT_NE(failure.find(c.message), std::string::npos) << c.message << " gave: " << failure;
        EXPECT_NE(failure.find("dialog D"), std::string::npos) << failure;
    }
}

TEST_F(ResgenTest, PictureRefusesStrayPixelsAndMissingGlyphs) {
    Canvas canvas(300, 179, kBlack);
    EXPECT_NE(Failure([&] { canvas.Fill(290, 170, 300, 178, kRed); }).find("(300, 170), outside its 300 x 179"),
              std::string::npos);
    EXPECT_NE(Failure([&] { canvas.Text(0, 0, 1, kWhite, "Ver.1.02 #"); }).find("no glyph for '#'"),
              std::string::npos);
    EXPECT_EQ(Canvas::TextWidth("Ver.1.02", 2), (8 * 6 - 1) * 2);
}

}  // namespace
}  // namespace qx::resgen
