#include "platform/system/termination.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace qx {

namespace {

int g_pipe[2] = {-1, -1};
std::mutex g_mutex;
std::vector<std::pair<int, std::function<void()>>> g_cleanups;
int g_next_token = 1;

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

extern "C" void OnTerminationSignal(int signal) {
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(signal);
    [[maybe_unused]] ssize_t ignored = write(g_pipe[1], &byte, 1);
    errno = saved;
}

}  // namespace

bool InstallTerminationHandlers() {
    std::lock_guard lock(g_mutex);
    if (g_pipe[0] >= 0) return true;
    if (pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        g_pipe[0] = g_pipe[1] = -1;
        return false;
    }
    struct sigaction action {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : kSignals) sigaction(signal, &action, nullptr);
    return true;
}

int TerminationFd() { return g_pipe[0]; }

bool TerminationPending() {
    if (g_pipe[0] < 0) return false;
    pollfd fd{g_pipe[0], POLLIN, 0};
    return poll(&fd, 1, 0) > 0 && (fd.revents & POLLIN);
}

int AddTerminationCleanup(std::function<void()> cleanup) {
    std::lock_guard lock(g_mutex);
    g_cleanups.emplace_back(g_next_token, std::move(cleanup));
    return g_next_token++;
}

void RemoveTerminationCleanup(int token) {
    std::lock_guard lock(g_mutex);
    std::erase_if(g_cleanups, [token](const auto& entry) { return entry.first == token; });
}

void FinishTermination() {
    unsigned char byte = SIGTERM;
    if (g_pipe[0] >= 0) {
        [[maybe_unused]] ssize_t got = read(g_pipe[0], &byte, 1);
    }
    std::vector<std::pair<int, std::function<void()>>> cleanups;
    {
        std::lock_guard lock(g_mutex);
        cleanups.swap(g_cleanups);
    }
    for (auto it = cleanups.rbegin(); it != cleanups.rend(); ++it) it->second();
    const int signal = byte;
    std::signal(signal, SIG_DFL);
    std::raise(signal);
    std::_Exit(128 + signal);
}

}  // namespace qx
