#include <atomic>

#include "platform/windows/backend.h"

namespace qx {

namespace {
// Read by PostMessage on other threads to wake the loop.
std::atomic<Backend*> g_backend{nullptr};
}  // namespace

void SetBackend(Backend* backend) { g_backend.store(backend); }
Backend* CurrentBackend() { return g_backend.load(); }

ScopedBackend::ScopedBackend(Backend& backend) : previous_(g_backend.exchange(&backend)) {}
ScopedBackend::~ScopedBackend() { g_backend.store(previous_); }

}  // namespace qx
