#include "tests/interop/interop_support.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <linux/if_packet.h>
#include <net/ethernet.h>
#include <net/if.h>
#include <netinet/ip.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

extern char** environ;

namespace qx::interop {

ChildProcess::ChildProcess(const std::vector<std::string>& argv, const std::filesystem::path& logPath)
    : logPath_(logPath) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ) == 0) {
        pid_ = pid;
        pidfd_ = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
    }
    posix_spawn_file_actions_destroy(&actions);
}

ChildProcess::~ChildProcess() {
    Terminate();
    if (pidfd_ >= 0) close(pidfd_);
}

int ChildProcess::WaitExit(int timeoutMs) {
    if (pid_ <= 0) return status_;
    if (pidfd_ >= 0) {
        pollfd fd{pidfd_, POLLIN, 0};
        if (poll(&fd, 1, timeoutMs) <= 0) return -1;
    }
    int raw = 0;
    if (waitpid(pid_, &raw, 0) != pid_) return -1;
    pid_ = -1;
    status_ = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
    return status_;
}

void ChildProcess::Terminate() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    if (WaitExit(5000) < 0 && pid_ > 0) {
        kill(pid_, SIGKILL);
        WaitExit(5000);
    }
}

std::string ChildProcess::Log() const { return ReadFile(logPath_); }

bool WaitForUdpPort(std::uint32_t address, std::uint16_t port, int timeoutMs) {
    // /proc/net/udp shows the local address as the in-memory (network order) word in
    // hexadecimal, then the port: 127.0.0.1:69 is "0100007F:0045".
    char wanted[32];
    std::snprintf(wanted, sizeof wanted, "%08X:%04X", htonl(address), port);
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        std::ifstream table("/proc/net/udp");
        std::string line;
        while (std::getline(table, line)) {
            std::istringstream fields(line);
            std::string slot, local;
            fields >> slot >> local;
            if (local == wanted) return true;
        }
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

PacketCapture::PacketCapture() {
    fd_ = socket(AF_PACKET, SOCK_DGRAM | SOCK_CLOEXEC, htons(ETH_P_IP));
    if (fd_ < 0) return;
    // A whole transfer is a few thousand datagrams; keep them all queued.
    int size = 32 << 20;
    if (setsockopt(fd_, SOL_SOCKET, SO_RCVBUFFORCE, &size, sizeof size) != 0)
        setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
    sockaddr_ll where{};
    where.sll_family = AF_PACKET;
    where.sll_protocol = htons(ETH_P_IP);
    where.sll_ifindex = static_cast<int>(if_nametoindex("lo"));
    if (where.sll_ifindex == 0 || bind(fd_, reinterpret_cast<sockaddr*>(&where), sizeof where) != 0) {
        close(fd_);
        fd_ = -1;
        return;
    }
    stopFd_ = eventfd(0, EFD_CLOEXEC);
    thread_ = std::thread([this] { Loop(); });
}

PacketCapture::~PacketCapture() {
    unsigned dropped = 0;
    Stop(dropped);
}

void PacketCapture::Loop() {
    unsigned char buffer[128];
    for (;;) {
        pollfd fds[2] = {{fd_, POLLIN, 0}, {stopFd_, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) continue;
        // Drain what is queued before looking at the stop request.
        while (true) {
            sockaddr_ll from{};
            socklen_t len = sizeof from;
            ssize_t n = recvfrom(fd_, buffer, sizeof buffer, MSG_DONTWAIT, reinterpret_cast<sockaddr*>(&from), &len);
            if (n < 0) break;
            // A socket bound to one protocol sees packets as they arrive; loopback
            // delivers each datagram once that way. (Only ETH_P_ALL taps also see
            // them leave.)
            if (from.sll_pkttype == PACKET_OUTGOING) continue;
            if (n < 20) continue;
            std::size_t ihl = (buffer[0] & 0x0F) * 4u;
            if (buffer[9] != IPPROTO_UDP || static_cast<std::size_t>(n) < ihl + 8) continue;
            auto u16 = [&](std::size_t at) { return static_cast<std::uint16_t>((buffer[at] << 8) | buffer[at + 1]); };
            auto u32 = [&](std::size_t at) {
                return (std::uint32_t{buffer[at]} << 24) | (std::uint32_t{buffer[at + 1]} << 16) |
                       (std::uint32_t{buffer[at + 2]} << 8) | buffer[at + 3];
            };
            std::uint16_t udpLength = u16(ihl + 4);
            packets_.push_back({u32(12), u32(16), u16(ihl), u16(ihl + 2),
                                udpLength >= 8 ? udpLength - 8u : 0u});
        }
        if (fds[1].revents & POLLIN) return;
    }
}

std::vector<CapturedPacket> PacketCapture::Stop(unsigned& dropped) {
    dropped = 0;
    if (fd_ < 0) return {};
    std::uint64_t one = 1;
    if (write(stopFd_, &one, sizeof one) < 0) return {};
    thread_.join();
    tpacket_stats stats{};
    socklen_t len = sizeof stats;
    if (getsockopt(fd_, SOL_PACKET, PACKET_STATISTICS, &stats, &len) == 0) dropped = stats.tp_drops;
    close(fd_);
    close(stopFd_);
    fd_ = stopFd_ = -1;
    return std::move(packets_);
}

std::filesystem::path MakeTempDir(const std::string& tag) {
    std::string pattern = (std::filesystem::temp_directory_path() / ("qx-interop-" + tag + "-XXXXXX")).string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (!mkdtemp(name.data())) return {};
    // Real servers drop their privileges to write here.
    std::filesystem::permissions(name.data(), std::filesystem::perms::all);
    return name.data();
}

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace qx::interop
