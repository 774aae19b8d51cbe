// The Windows-Sockets-shaped calls the program is written against, in namespace qx so
// they never meet the POSIX names: datagram sockets over IPv4 only, and only what the
// program uses. Every call goes through the network seam (platform/sockets/network.h)
// and every timeout through the clock seam, so tests drive them with a scripted peer
// and a virtual clock. Byte orders and structure layouts are those of the wire:
// sockaddr_in holds family, port and address in network order, then 8 zero bytes.
// Errors are kept per thread for WSAGetLastError.
#pragma once

// The C library's <sys/select.h> arrives through the standard headers and defines
// the FD_ macros; pull it in here once and drop them so that ours below are used.
#include <cstdlib>
#undef FD_SETSIZE
#undef FD_ZERO
#undef FD_SET
#undef FD_CLR
#undef FD_ISSET

#include <bit>
#include <cstdint>

#include "platform/win_types.h"

namespace qx {

using SOCKET = std::uintptr_t;
using u_short = std::uint16_t;
using u_long = std::uint32_t;  // 32 bits, as on the platform the program was written for

inline constexpr SOCKET INVALID_SOCKET = ~SOCKET{0};
inline constexpr int SOCKET_ERROR = -1;

inline constexpr int AF_INET = 2;
inline constexpr int SOCK_DGRAM = 2;
inline constexpr int IPPROTO_UDP = 17;
inline constexpr u_long INADDR_ANY = 0x00000000;
inline constexpr u_long INADDR_NONE = 0xFFFFFFFF;

// Error numbers reported by WSAGetLastError (the platform's values).
inline constexpr int WSAEFAULT = 10014;
inline constexpr int WSAEINVAL = 10022;
inline constexpr int WSAENOTSOCK = 10038;
inline constexpr int WSAEMSGSIZE = 10040;
inline constexpr int WSAESOCKTNOSUPPORT = 10044;
inline constexpr int WSAEAFNOSUPPORT = 10047;
inline constexpr int WSAENETDOWN = 10050;
inline constexpr int WSAEMFILE = 10024;
inline constexpr int WSAVERNOTSUPPORTED = 10092;
inline constexpr int WSASYSNOTREADY = 10091;

struct in_addr {
    u_long s_addr;  // network byte order
};

struct sockaddr {
    u_short sa_family;
    char sa_data[14];
};

struct sockaddr_in {
    std::int16_t sin_family;
    u_short sin_port;  // network byte order
    in_addr sin_addr;
    char sin_zero[8];
};
static_assert(sizeof(sockaddr_in) == 16 && sizeof(sockaddr) == 16);

inline constexpr int FD_SETSIZE = 64;
struct fd_set {
    UINT fd_count;
    SOCKET fd_array[FD_SETSIZE];
};

inline void FD_ZERO(fd_set* set) { set->fd_count = 0; }
inline void FD_SET(SOCKET socket, fd_set* set) {
    for (UINT i = 0; i < set->fd_count; ++i)
        if (set->fd_array[i] == socket) return;
    if (set->fd_count < static_cast<UINT>(FD_SETSIZE)) set->fd_array[set->fd_count++] = socket;
}
inline void FD_CLR(SOCKET socket, fd_set* set) {
    for (UINT i = 0; i < set->fd_count; ++i) {
        if (set->fd_array[i] != socket) continue;
        set->fd_array[i] = set->fd_array[--set->fd_count];
        return;
    }
}
inline int FD_ISSET(SOCKET socket, const fd_set* set) {
    for (UINT i = 0; i < set->fd_count; ++i)
        if (set->fd_array[i] == socket) return 1;
    return 0;
}

struct timeval {
    long tv_sec;
    long tv_usec;
};

struct WSADATA {
    WORD wVersion;
    WORD wHighVersion;
    char szDescription[257];
    char szSystemStatus[129];
    unsigned short iMaxSockets;
    unsigned short iMaxUdpDg;
    char* lpVendorInfo;
};

constexpr WORD MAKEWORD(BYTE low, BYTE high) { return static_cast<WORD>(low | (high << 8)); }

// Asks for the socket layer in `version` (major in the low byte). Versions 1.1 up to
// 2.2 are offered; an older request fails with WSAVERNOTSUPPORTED. Returns 0 on
// success or the error number.
int WSAStartup(WORD version, WSADATA* data);
int WSACleanup();
int WSAGetLastError();
void WSASetLastError(int error);

// AF_INET and SOCK_DGRAM only; protocol 0 or IPPROTO_UDP.
SOCKET socket(int af, int type, int protocol);
int closesocket(SOCKET socket);
int sendto(SOCKET socket, const char* buffer, int length, int flags, const sockaddr* to, int to_length);
// Reads one datagram. A datagram longer than `length` is cut: the buffer and `from`
// are filled and the call fails with WSAEMSGSIZE, as on the platform. When `from`
// is given, *from_length must be at least 16 and is set to 16.
int recvfrom(SOCKET socket, char* buffer, int length, int flags, sockaddr* from, int* from_length);
// Waits until the one socket in `read_set` is readable or `timeout` has passed (a null
// timeout waits without end). Returns 1 or 0 and leaves in the set only the sockets
// that are readable. Write and exception sets must be null or empty, and the read set
// must hold exactly one socket (WSAEINVAL otherwise). `nfds` is ignored.
int select(int nfds, fd_set* read_set, fd_set* write_set, fd_set* except_set, const timeval* timeout);

// Host to network byte order and back (network order is big-endian).
constexpr u_short htons(u_short value) {
    if constexpr (std::endian::native == std::endian::big) return value;
    return static_cast<u_short>((value << 8) | (value >> 8));
}
constexpr u_short ntohs(u_short value) { return htons(value); }
constexpr u_long htonl(u_long value) {
    if constexpr (std::endian::native == std::endian::big) return value;
    return ((value & 0xFFu) << 24) | ((value & 0xFF00u) << 8) | ((value >> 8) & 0xFF00u) | (value >> 24);
}
constexpr u_long ntohl(u_long value) { return htonl(value); }

// Parses dotted IPv4 notation as the platform does: one to four parts separated by
// dots, each decimal, octal (leading 0) or hexadecimal (leading 0x); the last part
// fills the remaining bytes ("10.1" is 10.0.0.1). Anything else, an empty text and a
// part too large give INADDR_NONE, so "255.255.255.255" cannot be told from a
// failure. The result is in network byte order.
u_long inet_addr(const char* text);

}  // namespace qx
