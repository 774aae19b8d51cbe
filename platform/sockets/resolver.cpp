#include "platform/sockets/resolver.h"

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/sockets/winsock.h"

namespace qx {

namespace {

std::atomic<HostResolver*> g_resolver{nullptr};

// Shared by the workers and exit(). Deliberately never destroyed: a detached worker
// may still finish while the static objects of the process are being torn down.
struct Lookups {
    std::mutex mutex;
    std::condition_variable idle;  // notified whenever a lookup stops being pending
    bool exiting = false;  // guarded by mutex
    int pending = 0;       // guarded by mutex
    std::uintptr_t nextRequest = 1;
};

Lookups& L() {
    static Lookups* lookups = [] {
        auto* l = new Lookups;
        // Registered once the window layer's statics exist (a window is given to the
        // first lookup), so this runs before they are destroyed.
        std::atexit([] {
            std::lock_guard lock(L().mutex);
            L().exiting = true;
        });
        return l;
    }();
    return *lookups;
}

struct Answer {
    int error = 0;
    std::string officialName;
    std::vector<std::uint32_t> addresses;  // network byte order
};

constexpr std::size_t AlignUp(std::size_t n, std::size_t a) { return (n + a - 1) / a * a; }

// The record's layout in the caller's buffer: hostent, the empty alias list, the
// address pointers and their null, the addresses, the name with its NUL.
struct Layout {
    std::size_t aliases, addrList, addrs, name, total;
};

Layout LayoutFor(const Answer& a) {
    Layout l{};
    l.aliases = AlignUp(sizeof(hostent), alignof(char*));
    l.addrList = l.aliases + sizeof(char*);
    l.addrs = l.addrList + (a.addresses.size() + 1) * sizeof(char*);
    l.name = l.addrs + a.addresses.size() * 4;
    l.total = l.name + a.officialName.size() + 1;
    return l;
}

// Runs on the user-interface thread, just before the completion reaches the window.
void WriteRecord(const Answer& a, char* buf) {
    const Layout l = LayoutFor(a);
    char* const nullPointer = nullptr;
    std::memcpy(buf + l.aliases, &nullPointer, sizeof nullPointer);
    for (std::size_t i = 0; i < a.addresses.size(); ++i) {
        char* addr = buf + l.addrs + i * 4;
        std::memcpy(addr, &a.addresses[i], 4);
        std::memcpy(buf + l.addrList + i * sizeof(char*), &addr, sizeof addr);
    }
    std::memcpy(buf + l.addrList + a.addresses.size() * sizeof(char*), &nullPointer, sizeof nullPointer);
    std::memcpy(buf + l.name, a.officialName.c_str(), a.officialName.size() + 1);
    hostent h{};
    h.h_name = buf + l.name;
    h.h_aliases = reinterpret_cast<char**>(buf + l.aliases);
    h.h_addrtype = static_cast<short>(AF_INET);
    h.h_length = 4;
    h.h_addr_list = reinterpret_cast<char**>(buf + l.addrList);
    std::memcpy(buf, &h, sizeof h);
}

void Work(HWND hWnd, UINT wMsg, std::uintptr_t request, std::string name, HostResolver* resolver, char* buf,
          std::size_t buflen) {
    auto answer = std::make_shared<Answer>();
    answer->error = resolver->Resolve(name, answer->officialName, answer->addresses);
    if (answer->officialName.empty()) answer->officialName = name;
    std::vector<std::uint32_t> unique;
    for (std::uint32_t a : answer->addresses) {
        if (std::find(unique.begin(), unique.end(), a) == unique.end()) unique.push_back(a);
    }
    answer->addresses = std::move(unique);
    if (answer->error == 0 && answer->addresses.empty()) answer->error = WSANO_DATA;

    std::size_t needed = 0;
    if (answer->error == 0) {
        needed = LayoutFor(*answer).total;
        if (needed > buflen) answer->error = WSAENOBUFS;
    }
    const LPARAM lParam = MAKELPARAM(static_cast<WORD>(std::min<std::size_t>(needed, 0xFFFF)),
                                     static_cast<WORD>(answer->error));
    std::function<void()> prelude;
    if (answer->error == 0) prelude = [answer, buf] { WriteRecord(*answer, buf); };

    Lookups& l = L();
    std::lock_guard lock(l.mutex);
    --l.pending;
    if (!l.exiting) PostMessageWithPrelude(hWnd, wMsg, static_cast<WPARAM>(request), lParam, std::move(prelude));
    l.idle.notify_all();
}

}  // namespace

HostResolver& CurrentResolver() {
    HostResolver* r = g_resolver.load();
    return r ? *r : SystemResolver();
}

ScopedResolver::ScopedResolver(HostResolver& resolver) : previous_(g_resolver.exchange(&resolver)) {}
ScopedResolver::~ScopedResolver() { g_resolver.store(previous_); }

int PendingLookups() {
    std::lock_guard lock(L().mutex);
    return L().pending;
}

bool WaitForLookups(std::chrono::milliseconds limit) {
    Lookups& l = L();
    std::unique_lock lock(l.mutex);
    return l.idle.wait_for(lock, limit, [&l] { return l.pending == 0; });
}

HANDLE WSAAsyncGetHostByName(HWND hWnd, UINT wMsg, const char* name, char* buf, int buflen) {
    if (name == nullptr || buf == nullptr) {
        WSASetLastError(WSAEFAULT);
        return nullptr;
    }
    if (buflen <= 0 || !IsWindow(hWnd)) {
        WSASetLastError(WSAEINVAL);
        return nullptr;
    }
    Lookups& l = L();
    std::uintptr_t request = 0;
    {
        std::lock_guard lock(l.mutex);
        request = l.nextRequest++;
        ++l.pending;
    }
    try {
        std::thread(Work, hWnd, wMsg, request, std::string(name), &CurrentResolver(), buf,
                    static_cast<std::size_t>(buflen))
            .detach();
    } catch (const std::system_error&) {
        std::lock_guard lock(l.mutex);
        --l.pending;
        l.idle.notify_all();
        WSASetLastError(WSAENOBUFS);
        return nullptr;
    }
    return reinterpret_cast<HANDLE>(request);
}

}  // namespace qx
