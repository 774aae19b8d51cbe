#include <array>
#include <fstream>
#include <sstream>

#include "platform/strings/cp932.h"
#include "res/resource_ids.h"
#include "tests/res/res_test_support.h"
#include "tests/res/sha256.h"

namespace qx::testing {
namespace {

using FirmwareImageTest = ProgramResourcesTest;
using AgreementTextTest = ProgramResourcesTest;

constexpr std::size_t kImageSize = 783578;

TEST_F(FirmwareImageTest, IsHandedOutInPlaceWithItsSizeAndHeader) {
    HRSRC first = FindResource(nullptr, MAKEINTRESOURCE(IDR_FIRMWARE), kResourceTypeBin);
    HRSRC second = FindResource(nullptr, MAKEINTRESOURCE(IDR_FIRMWARE), kResourceTypeBin);
    ASSERT_NE(first, nullptr);
    const void* at = LockResource(LoadResource(nullptr, first));
    EXPECT_EQ(LockResource(LoadResource(nullptr, second)), at) << "every lookup gives the same memory";
    EXPECT_EQ(SizeofResource(nullptr, first), kImageSize);
    EXPECT_EQ(kImageSize, 1530u * 512u + 218u);

    const std::string_view image = AsText(Bytes(MAKEINTRESOURCE(IDR_FIRMWARE), kResourceTypeBin));
    EXPECT_EQ(image.data(), at);
    EXPECT_TRUE(image.starts_with("QX210-NODE FIRMWARE VERSION 1.02"));
}

TEST_F(FirmwareImageTest, BodyLooksRandomAndMatchesTheBuildsDigest) {
    const std::span<const std::byte> image = Bytes(MAKEINTRESOURCE(IDR_FIRMWARE), kResourceTypeBin);
    ASSERT_EQ(image.size(), kImageSize);
    // A stuck generator (zero seed, a constant) would leave byte values unused.
    std::array<std::size_t, 256> seen{};
    for (std::byte b : image.subspan(64)) ++seen[std::to_integer<unsigned>(b)];
    for (std::size_t value = 0; value < seen.size(); ++value) {
        EXPECT_GT(seen[value], 2000u) << "byte value " << value;
        EXPECT_LT(seen[value], 4200u) << "byte value " << value;
    }

    std::ifstream file(QX_FIRMWARE_SHA256_FILE);
    ASSERT_TRUE(file) << QX_FIRMWARE_SHA256_FILE;
    std::string digest, name;
    file >> digest >> name;
    EXPECT_EQ(name, "qx210-firmware.bin");
    EXPECT_EQ(Sha256Hex(image), digest);
}

TEST(Sha256Test, KnownDigests) {
    const struct {
        std::string input;
        const char* digest;
    } cases[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",  // two final blocks
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Sha256Hex(std::as_bytes(std::span(c.input.data(), c.input.size()))), c.digest) << c.input;
    }
}

TEST_F(AgreementTextTest, HasItsExactForm) {
    const std::string_view text = AsText(Bytes(MAKEINTRESOURCE(IDR_AGREEMENT_TEXT), kResourceTypeBin));
    ASSERT_EQ(text.size(), 2924u);
    EXPECT_EQ(text.find('\0'), std::string_view::npos);
    EXPECT_EQ(text.find('\t'), std::string_view::npos);
    EXPECT_TRUE(text.ends_with("\x81\x42")) << "ends with the full stop";
    EXPECT_FALSE(text.ends_with("\r\n"));

    // Lines are split on CR LF; a CR or LF on its own would be a broken line end.
    std::vector<std::string_view> lines;
    for (std::size_t start = 0;;) {
        const std::size_t end = text.find("\r\n", start);
        lines.push_back(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        if (end == std::string_view::npos) break;
        start = end + 2;
    }
    std::size_t empty = 0, longest = 0;
    for (std::string_view line : lines) {
        EXPECT_EQ(line.find_first_of("\r\n"), std::string_view::npos);
        if (line.empty()) ++empty;
        longest = std::max(longest, line.size());
    }
    EXPECT_EQ(lines.size(), 29u);
    EXPECT_EQ(empty, 7u);
    EXPECT_EQ(longest, 431u);

    std::size_t characters = 0, double_byte = 0;
    for (const Cp932Char& c : SplitCp932(text)) {
        ++characters;
        if (c.length == 2) ++double_byte;
        EXPECT_NE(c.unicode, kReplacementCharacter) << "undecodable byte at " << c.offset;
        EXPECT_FALSE(c.unicode >= 0xFF61 && c.unicode <= 0xFF9F) << "half-width katakana at " << c.offset;
    }
    EXPECT_EQ(characters, 1541u);
    EXPECT_EQ(double_byte, 1383u);
}

TEST_F(AgreementTextTest, ReadsAsTheTermsOfUse) {
    const std::string utf8 = Cp932ToUtf8(AsText(Bytes(MAKEINTRESOURCE(IDR_AGREEMENT_TEXT), kResourceTypeBin)));
    // The sections in order, the restriction items indented by a full-width space.
    std::size_t at = 0;
    for (const char* mark : {"\r\n　　 ", "\r\n●１", "\r\n●２", "\r\n●３", "\r\n　ａ．", "\r\n　ｉ．", "\r\n●４",
                             "準拠", "管轄", "\r\nCopyright", "商標"}) {
        const std::size_t found = utf8.find(mark, at);
        ASSERT_NE(found, std::string::npos) << "missing or out of order: " << mark;
        at = found;
    }
    EXPECT_TRUE(utf8.ends_with("。"));
}

}  // namespace
}  // namespace qx::testing
