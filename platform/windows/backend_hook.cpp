#include <mutex>

#include "platform/windows/backend.h"

namespace qx {

namespace {
// Other threads reach the backend only through WakeBackend, under this lock.
std::mutex g_mutex;
Backend* g_backend = nullptr;
}  // namespace

void SetBackend(Backend* backend) {
    std::lock_guard lock(g_mutex);
    g_backend = backend;
}

Backend* CurrentBackend() {
    std::lock_guard lock(g_mutex);
    return g_backend;
}

void WakeBackend() {
    std::lock_guard lock(g_mutex);
    if (g_backend) g_backend->Wake();
}

ScopedBackend::ScopedBackend(Backend& backend) {
    std::lock_guard lock(g_mutex);
    previous_ = g_backend;
    g_backend = &backend;
}

ScopedBackend::~ScopedBackend() { SetBackend(previous_); }

}  // namespace qx
