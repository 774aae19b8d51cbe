#include "platform/system/resources.h"

namespace qx {

namespace {

// Only the user-interface thread reads resources; registration happens before any
// dialog runs.
ResourceDirectory g_current;

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

bool ResourceName::Matches(const ResourceName& other) const {
    if (IsNumber() != other.IsNumber()) return false;
    if (IsNumber()) return number_ == other.number_;
    if (name_.size() != other.name_.size()) return false;
    for (std::size_t i = 0; i < name_.size(); ++i) {
        if (AsciiLower(name_[i]) != AsciiLower(other.name_[i])) return false;
    }
    return true;
}

void SetResourceDirectory(ResourceDirectory directory) { g_current = directory; }
ResourceDirectory CurrentResourceDirectory() { return g_current; }

ScopedResourceDirectory::ScopedResourceDirectory(ResourceDirectory directory)
    : previous_(g_current) {
    g_current = directory;
}
ScopedResourceDirectory::~ScopedResourceDirectory() { g_current = previous_; }

HRSRC FindResource(HMODULE, ResourceName name, ResourceName type) {
    for (const ResourceEntry& entry : g_current) {
        if (entry.type.Matches(type) && entry.name.Matches(name)) return &entry;
    }
    return nullptr;
}

HGLOBAL LoadResource(HMODULE, HRSRC resource) { return resource; }

const void* LockResource(HGLOBAL loaded) { return loaded ? loaded->data : nullptr; }

DWORD SizeofResource(HMODULE, HRSRC resource) {
    return resource ? static_cast<DWORD>(resource->size) : 0;
}

std::span<const std::byte> ResourceBytes(ResourceName name, ResourceName type) {
    HRSRC found = FindResource(nullptr, name, type);
    if (!found || !found->data) return {};
    return {found->data, found->size};
}

}  // namespace qx
