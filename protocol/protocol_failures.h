// Why a protocol operation gave up, and the one place where that becomes the result
// code the application shows (app/result_codes.h).
#pragma once

#include <cstdint>

namespace qx {

enum class ProtocolFailure {
    CommandNoReply,       // no reply to the download-mode command within its wait
    CommandRefused,       // the router answered "NG": wrong password
    NotTargetModel,       // any other answer: not the expected device
    DeclinedNotNewer,     // the user declined a download that is not newer
    NoImage,              // no image bytes to send
    NoAck,                // a packet went unacknowledged through all its sends
    RequestWrongBlock,    // the write request drew acknowledgements of other blocks
    ErrorPacket,          // the server sent a TFTP ERROR
    EndlessUnexpected,    // too many replies that were not ACK or ERROR, or failed receives
};

std::int32_t ResultCodeFor(ProtocolFailure failure);

}  // namespace qx
