// Result codes of a download attempt, as stored in DownloadJob::result.
// A code with a text of its own is that text's string id (res/resource_ids.h:
// IDS_NO_IMAGE, IDS_CHECK_CONNECTION, IDS_DL_REFUSED, IDS_DL_TIMEOUT,
// IDS_NOT_TARGET_MODEL, IDS_IN_DOWNLOAD_MODE). The codes below have no text and are
// shown as the error number of IDS_DL_FAILED.
#pragma once

#include "res/resource_ids.h"

namespace qx {

inline constexpr int DL_OK = 0;                // every block acknowledged
inline constexpr int DL_E_SOCKET = 70000;      // the datagram socket could not be created
inline constexpr int DL_E_SOCKET_INIT = 70001; // the socket layer did not start (never stored)
inline constexpr int DL_E_TFTP_ERROR = 70002;  // the router sent a TFTP ERROR packet

}  // namespace qx
