#include <map>

#include "res/resource_ids.h"
#include "tests/res/res_test_support.h"

namespace qx::testing {
namespace {

// One block of the version resource: length, value length, type, UTF-16 key,
// 32-bit padding, value, padding, children.
struct Block {
    std::string key;
    std::uint16_t type = 0;
    std::span<const std::byte> value;
    std::vector<Block> children;
};

std::size_t Align4(std::size_t n) { return (n + 3) & ~std::size_t{3}; }

Block ParseBlock(std::span<const std::byte> b) {
    Block block;
    const std::size_t length = U16At(b, 0);
    EXPECT_LE(length, b.size());
    const std::uint16_t value_length = U16At(b, 2);
    block.type = U16At(b, 4);
    std::size_t at = 6;
    for (std::uint16_t c; (c = U16At(b, at)) != 0; at += 2) block.key += static_cast<char>(c);
    at = Align4(at + 2);
    const std::size_t value_bytes = block.type == 1 ? value_length * 2u : value_length;
    block.value = b.subspan(at, value_bytes);
    at = Align4(at + value_bytes);
    while (at < length) {
        const std::span<const std::byte> child = b.subspan(at, length - at);
        block.children.push_back(ParseBlock(child));
        at = Align4(at + U16At(child, 0));
    }
    return block;
}

std::string Utf16Text(std::span<const std::byte> v) {
    std::string text;
    for (std::size_t i = 0; i + 1 < v.size(); i += 2) {
        const std::uint16_t c = U16At(v, i);
        if (c == 0) break;
        text += static_cast<char>(c);
    }
    return text;
}

using VersionInfoTest = ProgramResourcesTest;

TEST_F(VersionInfoTest, BlockHasItsSizeVersionsAndStrings) {
    const std::span<const std::byte> bytes = Bytes(MAKEINTRESOURCE(VS_VERSION_INFO), RT_VERSION);
    ASSERT_EQ(bytes.size(), 800u);
    EXPECT_EQ(U16At(bytes, 0), 800);
    const Block root = ParseBlock(bytes);
    EXPECT_EQ(root.key, "VS_VERSION_INFO");
    ASSERT_EQ(root.value.size(), 52u);
    const std::span<const std::byte> fixed = root.value;
    EXPECT_EQ(U32At(fixed, 0), 0xFEEF04BDu);  // signature
    EXPECT_EQ(U32At(fixed, 8), 0x00010002u);  // file version 1.2
    EXPECT_EQ(U32At(fixed, 12), 0u);          //              .0.0
    EXPECT_EQ(U32At(fixed, 16), 0x00010002u);  // product version
    EXPECT_EQ(U32At(fixed, 20), 0u);
    EXPECT_EQ(U32At(fixed, 28), 0u);  // no file flags
    EXPECT_EQ(U32At(fixed, 36), 1u);  // application

    ASSERT_EQ(root.children.size(), 2u);
    const Block& strings = root.children[0];
    EXPECT_EQ(strings.key, "StringFileInfo");
    ASSERT_EQ(strings.children.size(), 1u);
    EXPECT_EQ(strings.children[0].key, "040904E4");
    std::map<std::string, std::string> values;
    for (const Block& s : strings.children[0].children) {
        EXPECT_EQ(s.type, 1) << s.key;
        values[s.key] = Utf16Text(s.value);
    }
    EXPECT_EQ(values["FileVersion"], "1.02");
    EXPECT_EQ(values["ProductVersion"], "1.02");
    for (const char* key : {"CompanyName", "FileDescription", "InternalName", "LegalCopyright", "OriginalFilename",
                            "ProductName"}) {
        EXPECT_FALSE(values[key].empty()) << key;
    }
    EXPECT_EQ(values.size(), 8u);

    const Block& vars = root.children[1];
    EXPECT_EQ(vars.key, "VarFileInfo");
    ASSERT_EQ(vars.children.size(), 1u);
    EXPECT_EQ(vars.children[0].key, "Translation");
    ASSERT_EQ(vars.children[0].value.size(), 4u);
    EXPECT_EQ(U16At(vars.children[0].value, 0), 0x0409);
    EXPECT_EQ(U16At(vars.children[0].value, 2), 1252);
}

}  // namespace
}  // namespace qx::testing
