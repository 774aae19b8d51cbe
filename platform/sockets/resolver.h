// The asynchronous host lookup: WSAAsyncGetHostByName resolves a name to IPv4
// addresses on a worker thread of its own and reports back with a posted message.
//
// Ownership: the worker owns a copy of the name and its result and never touches the
// caller's memory. The result record (a hostent whose pointers all point into the
// caller's buffer) is written into that buffer on the user-interface thread, right
// before the completion message is handed to the window; when the window is gone by
// then, the completion is dropped and the buffer is not touched. So a buffer that a
// dialog owns needs to live only as long as the dialog's window.
//
// Workers are detached. A lookup still running when the process ends is abandoned:
// from exit() on, a finishing worker posts nothing.
//
// The name service behind the workers is a seam: getaddrinfo (AF_INET) by default,
// a test's own HostResolver while a ScopedResolver lives.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/win_types.h"
#include "platform/windows/messages.h"

namespace qx {

// The largest result record the platform writes; callers pass a buffer this big.
inline constexpr int MAXGETHOSTSTRUCT = 1024;

// Error numbers of the lookup, carried in the high 16 bits of the completion's lParam.
inline constexpr int WSAENOBUFS = 10055;         // the buffer cannot hold the record
inline constexpr int WSAHOST_NOT_FOUND = 11001;  // no such host
inline constexpr int WSATRY_AGAIN = 11002;       // temporary failure of the name service
inline constexpr int WSANO_RECOVERY = 11003;     // the name service failed
inline constexpr int WSANO_DATA = 11004;         // the name exists but has no IPv4 address

// The record written into the caller's buffer. The buffer should be aligned for it
// (alignas(std::max_align_t)); the record starts at the buffer's first byte.
struct hostent {
    char* h_name;          // the official name
    char** h_aliases;      // null-terminated list; always empty here
    short h_addrtype;      // AF_INET
    short h_length;        // 4
    char** h_addr_list;    // null-terminated list of 4-byte addresses, network byte order
};

using HANDLE = void*;

// Starts the lookup of `name` and returns at once with a request handle (never null
// on success). On completion `wMsg` is posted to `hWnd` with wParam = the request
// handle and lParam = MAKELPARAM(bytes the record needs, error): error 0 means the
// record is in `buf`. Returns null (WSAGetLastError: WSAEFAULT or WSAEINVAL) when an
// argument is null, `buflen` is not positive or `hWnd` is not a window. Call it on the
// user-interface thread.
HANDLE WSAAsyncGetHostByName(HWND hWnd, UINT wMsg, const char* name, char* buf, int buflen);

// The name service: resolves `name` to IPv4 addresses (network byte order, in the
// order given, duplicates removed by the caller). Returns 0 or one of the error
// numbers above. Called on worker threads; it must be safe to call concurrently.
class HostResolver {
public:
    virtual ~HostResolver() = default;
    virtual int Resolve(const std::string& name, std::string& officialName,
                        std::vector<std::uint32_t>& addresses) = 0;
};

// getaddrinfo with AF_INET; the default.
HostResolver& SystemResolver();
HostResolver& CurrentResolver();

// Installs `resolver` for the life of the object (tests). Lookups started before keep
// the resolver they started with; the test outlives them.
class ScopedResolver {
public:
    explicit ScopedResolver(HostResolver& resolver);
    ~ScopedResolver();
    ScopedResolver(const ScopedResolver&) = delete;
    ScopedResolver& operator=(const ScopedResolver&) = delete;

private:
    HostResolver* previous_;
};

// Lookups whose worker has not finished yet (tests wait for late completions).
int PendingLookups();
// Blocks until no lookup is pending (every completion has been posted or dropped),
// at most `limit`; false when lookups are still pending then.
bool WaitForLookups(std::chrono::milliseconds limit);

}  // namespace qx
