// Resources of the program's own executable: byte ranges placed into the binary at
// build time and handed out in place. Nothing is copied, unpacked or freed; every
// range stays valid for the whole run. The executable registers its directory once
// at start (SetResourceDirectory); tests register small directories of their own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "platform/win_types.h"

namespace qx {

// A resource type or identifier: a 16-bit number or a name ("BIN", "STARTBMP").
class ResourceName {
public:
    constexpr ResourceName(WORD number) : number_(number) {}  // NOLINT: like MAKEINTRESOURCE
    constexpr ResourceName(const char* name) : name_(name) {}  // NOLINT
    constexpr bool IsNumber() const { return name_.empty(); }
    constexpr WORD Number() const { return number_; }
    constexpr std::string_view Name() const { return name_; }
    // Numbers match numbers; names match names, ignoring ASCII case as the platform does.
    bool Matches(const ResourceName& other) const;

private:
    WORD number_ = 0;
    std::string_view name_;
};

constexpr WORD MAKEINTRESOURCE(int id) { return static_cast<WORD>(id); }

// Predefined resource types.
inline constexpr WORD RT_BITMAP = 2;
inline constexpr WORD RT_ICON = 3;
inline constexpr WORD RT_DIALOG = 5;
inline constexpr WORD RT_STRING = 6;  // one entry per string, identified by the string id
inline constexpr WORD RT_GROUP_ICON = 14;
inline constexpr WORD RT_VERSION = 16;

struct ResourceEntry {
    ResourceName type;
    ResourceName name;
    const std::byte* data;
    std::size_t size;
};

using ResourceDirectory = std::span<const ResourceEntry>;

// The directory that FindResource searches. Empty until a directory is registered.
void SetResourceDirectory(ResourceDirectory directory);
ResourceDirectory CurrentResourceDirectory();

class ScopedResourceDirectory {
public:
    explicit ScopedResourceDirectory(ResourceDirectory directory);
    ~ScopedResourceDirectory();
    ScopedResourceDirectory(const ScopedResourceDirectory&) = delete;
    ScopedResourceDirectory& operator=(const ScopedResourceDirectory&) = delete;

private:
    ResourceDirectory previous_;
};

using HRSRC = const ResourceEntry*;
using HGLOBAL = const ResourceEntry*;
using HMODULE = void*;

// The platform's four steps. Each gives null (or 0) when its input is null.
HRSRC FindResource(HMODULE module, ResourceName name, ResourceName type);
HGLOBAL LoadResource(HMODULE module, HRSRC resource);
const void* LockResource(HGLOBAL loaded);
DWORD SizeofResource(HMODULE module, HRSRC resource);

// The four steps in one, for the platform's own loaders (strings, templates,
// bitmaps): the bytes, or an empty span when the resource is missing.
std::span<const std::byte> ResourceBytes(ResourceName name, ResourceName type);

}  // namespace qx
