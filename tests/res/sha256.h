// A small SHA-256 (FIPS 180-4) for checking embedded bytes against the digest the
// build wrote with its own tool.
#pragma once

#include <cstddef>
#include <span>
#include <string>

namespace qx::testing {

// Lower-case hex digest, as sha256sum prints it.
std::string Sha256Hex(std::span<const std::byte> data);

}  // namespace qx::testing
