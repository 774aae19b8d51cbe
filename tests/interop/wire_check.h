// Checks the datagrams of one download as captured on the wire: the command (when
// there was one), a 14-byte write request to port 69, then strictly lock-step DATA of
// 516 bytes and one short last block to the server's transfer port, each answered by
// a 4-byte ACK from that port. Reports every mismatch through GoogleTest.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "tests/interop/interop_support.h"

namespace qx::interop {

void ExpectLockStepWrite(const std::vector<CapturedPacket>& packets, std::uint32_t server,
                         std::size_t imageSize);

}  // namespace qx::interop
