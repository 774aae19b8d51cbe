#include "protocol/protocol_failures.h"

#include "app/result_codes.h"

namespace qx {

std::int32_t ResultCodeFor(ProtocolFailure failure) {
    switch (failure) {
        case ProtocolFailure::CommandNoReply:
            return IDS_DL_TIMEOUT;
        case ProtocolFailure::CommandRefused:
            return IDS_DL_REFUSED;
        case ProtocolFailure::NotTargetModel:
            return IDS_NOT_TARGET_MODEL;
        case ProtocolFailure::DeclinedNotNewer:
            return IDS_IN_DOWNLOAD_MODE;
        case ProtocolFailure::NoImage:
            return IDS_NO_IMAGE;
        case ProtocolFailure::NoAck:
            return IDS_DL_TIMEOUT;
        case ProtocolFailure::RequestWrongBlock:
            return IDS_CHECK_CONNECTION;
        case ProtocolFailure::ErrorPacket:
            return DL_E_TFTP_ERROR;
        case ProtocolFailure::EndlessUnexpected:
            // To the user this is a peer that never gave a usable answer.
            return IDS_DL_TIMEOUT;
    }
    return IDS_DL_TIMEOUT;
}

}  // namespace qx
