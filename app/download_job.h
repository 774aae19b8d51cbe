// DownloadJob: the one record through which the steps of a download talk to each
// other. The application object owns the only instance, zero-fills it once at start
// and never again; dialogs and protocol operations get a plain pointer or reference
// and never own or free it. Texts are NUL-terminated CP932 byte strings.
#pragma once

#include <cstdint>
#include <type_traits>

#include "app/result_codes.h"
#include "platform/win_types.h"

namespace qx {

// Holds "QX210-NODE" or any text the target dialog accepts (32 bytes) with its NUL.
inline constexpr std::size_t kJobNameCapacity = 260;
// The host and password buffers of the record.
inline constexpr std::size_t kJobTextCapacity = 260;

struct DownloadJob {
    char name[kJobNameCapacity];        // the target as the user knows it
    std::uint64_t imageSize;            // image bytes; from a 32-bit resource size
    std::uint64_t bytesSent;            // bytes placed into DATA blocks so far
    const BYTE* imageCursor;            // next image byte to send
    std::uint32_t blockNumber;          // 0 until the write request is acknowledged
    std::int32_t result;                // outcome code of the attempt
    std::uint32_t address;              // router IPv4 address, network byte order
    char host[kJobTextCapacity];        // the entered text, name to resolve and show
    char password[kJobTextCapacity];    // the entered password
    BYTE passwordRejected;              // 1: next target dialog focuses the password
};

// Zero-filling must give a valid empty record.
static_assert(std::is_trivially_copyable_v<DownloadJob> && std::is_standard_layout_v<DownloadJob>);

}  // namespace qx
