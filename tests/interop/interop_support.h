// What the interoperability tests share: child processes (the emulator, real TFTP
// servers), waiting for a server's UDP port to be bound, a capture of the UDP packets
// on the namespace's loopback interface, and small file helpers. Every test runs in a
// private network namespace (in-netns), so nothing here can reach another host.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace qx::interop {

// A child process whose standard output and error go to `logPath`. Destroying a
// running one sends SIGTERM and reaps it.
class ChildProcess {
public:
    ChildProcess(const std::vector<std::string>& argv, const std::filesystem::path& logPath);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Started() const { return pid_ > 0; }
    // Waits up to `timeoutMs` for the child to end. Returns its exit status, 128 + the
    // signal when it was killed, or -1 when it is still running.
    int WaitExit(int timeoutMs);
    void Terminate();
    std::string Log() const;

private:
    pid_t pid_ = -1;
    int pidfd_ = -1;
    int status_ = -1;
    std::filesystem::path logPath_;
};

// Polls /proc/net/udp until `address`:`port` (host order) is bound, up to `timeoutMs`.
bool WaitForUdpPort(std::uint32_t address, std::uint16_t port, int timeoutMs);

struct CapturedPacket {
    std::uint32_t srcAddress, dstAddress;  // host order
    std::uint16_t srcPort, dstPort;
    std::size_t payload;                   // UDP payload bytes
};

// Records every UDP datagram on the loopback interface once (as it arrives), from
// construction until Stop(). Needs CAP_NET_RAW, which the namespace gives.
class PacketCapture {
public:
    PacketCapture();
    ~PacketCapture();
    bool Ok() const { return fd_ >= 0; }
    // Ends the capture and returns the packets in the order seen; `dropped` is the
    // count the kernel could not queue (a capture with drops proves nothing).
    std::vector<CapturedPacket> Stop(unsigned& dropped);

private:
    void Loop();
    int fd_ = -1;
    int stopFd_ = -1;
    std::thread thread_;
    std::vector<CapturedPacket> packets_;
};

std::filesystem::path MakeTempDir(const std::string& tag);
std::string ReadFile(const std::filesystem::path& path);
void WriteFile(const std::filesystem::path& path, const std::string& bytes);

}  // namespace qx::interop
