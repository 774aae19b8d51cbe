// The build-time resource generators: each turns a readable source under res/ into the
// exact bytes the executable embeds. They run on the build host only. Any source that
// does not have its stated form stops the build with a message naming the file, the
// line or item and what is wrong; nothing is ever patched up silently.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/windows/byte_writer.h"
#include "platform/windows/dialog_template.h"

namespace qx::resgen {

// Thrown for every defect in a source; main() prints it and exits with status 1.
class SourceError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

using Bytes = std::vector<std::byte>;

std::string ReadTextFile(const std::filesystem::path& path);
void WriteBytes(const std::filesystem::path& path, std::span<const std::byte> bytes);

// UTF-8 to CP932 through iconv ("CP932", so 0x5C stays a backslash). Throws a
// SourceError naming `where` and the first character CP932 cannot hold.
std::string Utf8ToCp932(std::string_view utf8, std::string_view where);

// The little-endian writer for the binary resource forms is qx::ByteWriter
// (platform/windows/byte_writer.h), shared with the dialog templates.

// The generators. Each writes its output files and throws SourceError on bad input.
void GenerateStringTable(const std::filesystem::path& source, const std::filesystem::path& out_dir);
void GenerateDialogs(const std::filesystem::path& out_dir);
void GenerateFirmware(const std::filesystem::path& out, std::size_t size, std::string_view version);
void GenerateAgreement(const std::filesystem::path& source, const std::filesystem::path& out);
void GenerateSplash(const std::filesystem::path& out);
void GenerateIcon(const std::filesystem::path& art_32, const std::filesystem::path& art_16,
                  const std::filesystem::path& out_dir);
void GenerateVersionInfo(const std::filesystem::path& source, const std::filesystem::path& out);

}  // namespace qx::resgen

namespace qx::resgen {

// Dialog templates as written in res/dialog_templates.cpp: texts in UTF-8, converted
// to CP932 by the generator.
struct DialogSource {
    int id;
    const char* name;
    DialogTemplate dialog;
};

std::vector<DialogSource> DialogTemplateSources();

// Checks one template for the form the dialog layer relies on and gives its binary
// form with CP932 texts.
Bytes CompileDialog(const DialogSource& source);

}  // namespace qx::resgen
