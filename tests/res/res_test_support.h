// Helpers for the resource tests: every lookup goes through the program's own
// directory and the platform's FindResource, as the program's consumers do.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include <gtest/gtest.h>

#include "platform/system/resources.h"
#include "res/program_resources.h"

namespace qx::testing {

class ProgramResourcesTest : public ::testing::Test {
protected:
    ScopedResourceDirectory directory_{ProgramResources()};

    static std::span<const std::byte> Bytes(ResourceName name, ResourceName type) {
        HRSRC found = FindResource(nullptr, name, type);
        if (!found) return {};
        return {static_cast<const std::byte*>(LockResource(LoadResource(nullptr, found))),
                SizeofResource(nullptr, found)};
    }
};

inline std::string_view AsText(std::span<const std::byte> bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

inline std::uint16_t U16At(std::span<const std::byte> b, std::size_t at) {
    return static_cast<std::uint16_t>(std::to_integer<unsigned>(b[at]) | (std::to_integer<unsigned>(b[at + 1]) << 8));
}
inline std::uint32_t U32At(std::span<const std::byte> b, std::size_t at) {
    return U16At(b, at) | (std::uint32_t{U16At(b, at + 2)} << 16);
}
inline std::int32_t I32At(std::span<const std::byte> b, std::size_t at) {
    return static_cast<std::int32_t>(U32At(b, at));
}

}  // namespace qx::testing
