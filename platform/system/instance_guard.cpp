#include "platform/system/instance_guard.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace qx {

namespace {

// A handle is the socket's descriptor plus one, so that descriptor 0 is not null and
// nothing is allocated for a handle the program never closes.
HANDLE ToHandle(int fd) { return reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(fd) + 1); }
int ToFd(HANDLE handle) { return static_cast<int>(reinterpret_cast<std::intptr_t>(handle) - 1); }

// Fills an abstract address "\0<name>-<uid>"; false for a missing or overlong name.
bool AbstractAddress(const char* name, sockaddr_un& address, socklen_t& length) {
    if (!name) return false;
    const std::size_t nameLength = std::strlen(name);
    if (nameLength == 0 || nameLength > kGuardNameLimit) return false;
    const std::string path = std::string(1, '\0') + name + "-" + std::to_string(getuid());
    address = {};
    address.sun_family = AF_UNIX;
    static_assert(kGuardNameLimit + 16 < sizeof address.sun_path);
    std::memcpy(address.sun_path, path.data(), path.size());
    length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + path.size());
    return true;
}

int GuardSocket(BOOL inheritable) {
    return socket(AF_UNIX, SOCK_DGRAM | (inheritable ? 0 : SOCK_CLOEXEC), 0);
}

}  // namespace

HANDLE OpenMutexA(DWORD, BOOL inheritHandle, const char* name) {
    sockaddr_un address;
    socklen_t length;
    if (!AbstractAddress(name, address, length)) return nullptr;
    const int fd = GuardSocket(inheritHandle);
    if (fd < 0) return nullptr;
    // Connecting a datagram socket only names its peer; it succeeds exactly when a
    // socket is bound to the address, and sends nothing.
    if (connect(fd, reinterpret_cast<const sockaddr*>(&address), length) != 0) {
        close(fd);
        return nullptr;
    }
    return ToHandle(fd);
}

HANDLE CreateMutexA(const void*, BOOL, const char* name) {
    sockaddr_un address;
    socklen_t length;
    if (!AbstractAddress(name, address, length)) return nullptr;
    const int fd = GuardSocket(FALSE);
    if (fd < 0) return nullptr;
    if (bind(fd, reinterpret_cast<const sockaddr*>(&address), length) != 0) {
        close(fd);  // EADDRINUSE: another process holds it
        return nullptr;
    }
    return ToHandle(fd);
}

BOOL CloseHandle(HANDLE handle) {
    if (!handle) return FALSE;
    return close(ToFd(handle)) == 0 ? TRUE : FALSE;
}

}  // namespace qx
