#include "platform/sockets/winsock.h"

#include <climits>
#include <cstring>
#include <span>

#include "platform/sockets/network.h"
#include "platform/system/clock.h"

namespace qx {

namespace {

thread_local int t_last_error = 0;

int Fail(int error) {
    t_last_error = error;
    return SOCKET_ERROR;
}

SOCKET FailSocket(int error) {
    t_last_error = error;
    return INVALID_SOCKET;
}

// A SOCKET that can name a seam handle, or -1.
int HandleOf(SOCKET socket) {
    return socket <= static_cast<SOCKET>(INT_MAX) ? static_cast<int>(socket) : -1;
}

bool HasOnlyEmptySet(const fd_set* set) { return set == nullptr || set->fd_count == 0; }

}  // namespace

int WSAGetLastError() { return t_last_error; }
void WSASetLastError(int error) { t_last_error = error; }

int WSAStartup(WORD version, WSADATA* data) {
    const BYTE major = static_cast<BYTE>(version & 0xFF);
    const BYTE minor = static_cast<BYTE>(version >> 8);
    if (data == nullptr) return WSAEFAULT;
    std::memset(data, 0, sizeof *data);
    const WORD highest = MAKEWORD(2, 2);
    data->wHighVersion = highest;
    if (major < 1 || (major == 1 && minor < 1)) return WSAVERNOTSUPPORTED;
    data->wVersion = (major > 2 || (major == 2 && minor > 2)) ? highest : version;
    std::strcpy(data->szDescription, "datagram sockets over IPv4");
    std::strcpy(data->szSystemStatus, "Running");
    data->iMaxUdpDg = 65507;
    if (!CurrentNetwork().Startup()) return WSASYSNOTREADY;
    return 0;
}

int WSACleanup() { return 0; }

SOCKET socket(int af, int type, int protocol) {
    if (af != AF_INET) return FailSocket(WSAEAFNOSUPPORT);
    if (type != SOCK_DGRAM || (protocol != 0 && protocol != IPPROTO_UDP))
        return FailSocket(WSAESOCKTNOSUPPORT);
    const int handle = CurrentNetwork().Socket();
    if (handle < 0) return FailSocket(WSAEMFILE);
    return static_cast<SOCKET>(handle);
}

int closesocket(SOCKET socket) {
    const int handle = HandleOf(socket);
    if (handle < 0 || !CurrentNetwork().Close(handle)) return Fail(WSAENOTSOCK);
    return 0;
}

int sendto(SOCKET socket, const char* buffer, int length, int /*flags*/, const sockaddr* to,
           int to_length) {
    const int handle = HandleOf(socket);
    if (handle < 0) return Fail(WSAENOTSOCK);
    if (length < 0 || (buffer == nullptr && length > 0)) return Fail(WSAEFAULT);
    if (to == nullptr || to_length < static_cast<int>(sizeof(sockaddr_in))) return Fail(WSAEFAULT);
    sockaddr_in peer;
    std::memcpy(&peer, to, sizeof peer);
    if (peer.sin_family != AF_INET) return Fail(WSAEAFNOSUPPORT);
    const Endpoint endpoint{ntohl(peer.sin_addr.s_addr), ntohs(peer.sin_port)};
    const auto bytes = std::as_bytes(std::span(buffer, static_cast<std::size_t>(length)));
    const int sent = CurrentNetwork().SendTo(handle, bytes, endpoint);
    return sent < 0 ? Fail(WSAENETDOWN) : sent;
}

int recvfrom(SOCKET socket, char* buffer, int length, int /*flags*/, sockaddr* from,
             int* from_length) {
    const int handle = HandleOf(socket);
    if (handle < 0) return Fail(WSAENOTSOCK);
    if (length < 0 || (buffer == nullptr && length > 0)) return Fail(WSAEFAULT);
    if (from != nullptr && (from_length == nullptr || *from_length < static_cast<int>(sizeof(sockaddr_in))))
        return Fail(WSAEFAULT);
    const auto bytes = std::as_writable_bytes(std::span(buffer, static_cast<std::size_t>(length)));
    const ReceiveResult got = CurrentNetwork().RecvFrom(handle, bytes);
    if (got.bytes < 0) return Fail(WSAENETDOWN);
    if (from != nullptr) {
        sockaddr_in sender{};
        sender.sin_family = AF_INET;
        sender.sin_port = htons(got.from.port);
        sender.sin_addr.s_addr = htonl(got.from.address);
        std::memcpy(from, &sender, sizeof sender);
        *from_length = sizeof sender;
    }
    return got.truncated ? Fail(WSAEMSGSIZE) : got.bytes;
}

int select(int /*nfds*/, fd_set* read_set, fd_set* write_set, fd_set* except_set,
           const timeval* timeout) {
    if (!HasOnlyEmptySet(write_set) || !HasOnlyEmptySet(except_set)) return Fail(WSAEINVAL);
    if (read_set == nullptr || read_set->fd_count != 1) return Fail(WSAEINVAL);
    const int handle = HandleOf(read_set->fd_array[0]);
    if (handle < 0) return Fail(WSAENOTSOCK);
    if (timeout != nullptr && (timeout->tv_sec < 0 || timeout->tv_usec < 0)) return Fail(WSAEINVAL);

    std::uint64_t deadline = UINT64_MAX;
    if (timeout != nullptr) {
        // Microseconds round up, so a wait is never shorter than asked.
        const std::uint64_t ms = static_cast<std::uint64_t>(timeout->tv_sec) * 1000 +
                                 (static_cast<std::uint64_t>(timeout->tv_usec) + 999) / 1000;
        deadline = CurrentClock().NowMs() + ms;
    }
    switch (CurrentNetwork().WaitReadable(handle, deadline)) {
        case WaitResult::Readable:
            return 1;
        case WaitResult::TimedOut:
            read_set->fd_count = 0;
            return 0;
        case WaitResult::Failed:
            break;
    }
    return Fail(WSAENOTSOCK);
}

u_long inet_addr(const char* text) {
    if (text == nullptr || *text == '\0') return INADDR_NONE;
    std::uint64_t parts[4] = {};
    int count = 0;
    const char* p = text;
    for (;;) {
        if (count == 4) return INADDR_NONE;
        std::uint64_t value = 0;
        int base = 10;
        int digits = 0;
        if (*p == '0') {
            base = 8;
            ++p;
            ++digits;  // "0" alone is a valid part
            if (*p == 'x' || *p == 'X') {
                base = 16;
                ++p;
                digits = 0;
            }
        }
        for (;; ++p) {
            int digit;
            if (*p >= '0' && *p <= '9') digit = *p - '0';
            else if (base == 16 && *p >= 'a' && *p <= 'f') digit = *p - 'a' + 10;
            else if (base == 16 && *p >= 'A' && *p <= 'F') digit = *p - 'A' + 10;
            else break;
            if (digit >= base) return INADDR_NONE;
            value = value * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(digit);
            if (value > 0xFFFFFFFFu) return INADDR_NONE;
            ++digits;
        }
        if (digits == 0) return INADDR_NONE;
        parts[count++] = value;
        if (*p == '\0') break;
        if (*p != '.') return INADDR_NONE;
        ++p;
    }
    // All parts but the last are single bytes; the last fills what is left.
    for (int i = 0; i + 1 < count; ++i)
        if (parts[i] > 0xFF) return INADDR_NONE;
    const std::uint64_t last = parts[count - 1];
    static constexpr std::uint64_t kLastLimit[4] = {0xFFFFFFFFu, 0xFFFFFFu, 0xFFFFu, 0xFFu};
    if (last > kLastLimit[count - 1]) return INADDR_NONE;
    std::uint64_t host = last;
    for (int i = 0; i + 1 < count; ++i) host |= parts[i] << (24 - 8 * i);
    return htonl(static_cast<u_long>(host));
}

}  // namespace qx
