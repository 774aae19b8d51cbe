#include "platform/sockets/network.h"

#include <atomic>

#include "platform/sockets/posix_network.h"

namespace qx {

std::string ToString(const Endpoint& endpoint) {
    const std::uint32_t a = endpoint.address;
    return std::to_string(a >> 24) + "." + std::to_string((a >> 16) & 0xFF) + "." +
           std::to_string((a >> 8) & 0xFF) + "." + std::to_string(a & 0xFF) + ":" +
           std::to_string(endpoint.port);
}

namespace {
PosixNetwork g_posix_network;
std::atomic<Network*> g_network{&g_posix_network};
}  // namespace

Network& CurrentNetwork() { return *g_network.load(); }

ScopedNetwork::ScopedNetwork(Network& network) : previous_(g_network.exchange(&network)) {}
ScopedNetwork::~ScopedNetwork() { g_network.store(previous_); }

}  // namespace qx
