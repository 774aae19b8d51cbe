// The real name service behind the asynchronous lookup: getaddrinfo, IPv4 only.
// Kept apart from resolver.cpp because the system's socket headers define names that
// the program's own socket header defines too.
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include "platform/sockets/resolver.h"

namespace qx {

namespace {

int ToWsaError(int eai) {
    switch (eai) {
        case EAI_NONAME:
#ifdef EAI_NODATA
        case EAI_NODATA:
#endif
            return WSAHOST_NOT_FOUND;
#ifdef EAI_ADDRFAMILY
        case EAI_ADDRFAMILY:
            return WSANO_DATA;
#endif
        case EAI_AGAIN:
            return WSATRY_AGAIN;
        default:
            return WSANO_RECOVERY;
    }
}

class GetAddrInfoResolver final : public HostResolver {
public:
    int Resolve(const std::string& name, std::string& officialName,
                std::vector<std::uint32_t>& addresses) override {
        addrinfo hints{};
        hints.ai_family = AF_INET;
        hints.ai_socktype = SOCK_DGRAM;  // one entry per address
        hints.ai_flags = AI_CANONNAME;
        addrinfo* list = nullptr;
        const int rc = getaddrinfo(name.c_str(), nullptr, &hints, &list);
        if (rc != 0) return ToWsaError(rc);
        for (const addrinfo* ai = list; ai; ai = ai->ai_next) {
            if (ai == list && ai->ai_canonname) officialName = ai->ai_canonname;
            if (ai->ai_family != AF_INET || ai->ai_addrlen < sizeof(sockaddr_in)) continue;
            addresses.push_back(reinterpret_cast<const sockaddr_in*>(ai->ai_addr)->sin_addr.s_addr);
        }
        freeaddrinfo(list);
        return 0;
    }
};

}  // namespace

HostResolver& SystemResolver() {
    // Stateless and never destroyed: detached workers may use it during exit.
    static auto* resolver = new GetAddrInfoResolver;
    return *resolver;
}

}  // namespace qx
