// The router emulator's server: one poll() loop over the command socket, the TFTP
// server socket, one socket per running transfer (bound to port 0, as real servers
// answer from a fresh transfer port), optional stray sockets and a signalfd. It owns
// every socket and every received image. It only ever sends to an address and port
// that sent it a datagram. Nothing in it is unbounded: at most kMaxTransfers transfers,
// kMaxPending delayed sends, and each image at most kMaxImageBytes.
#pragma once

#include <cstdint>
#include <memory>
#include <random>
#include <set>
#include <span>
#include <string>
#include <vector>

#include <netinet/in.h>

#include "tools/emulator/emulator_options.h"
#include "tools/emulator/udp_endpoint.h"

namespace qx::emulator {

class Emulator {
public:
    explicit Emulator(EmulatorOptions options);
    // Sets up the sockets and serves until a signal or, with --once, the first transfer
    // ends. Returns the process exit status.
    int Run();

private:
    static constexpr std::size_t kMaxTransfers = 8;
    static constexpr std::size_t kMaxPending = 256;

    enum class AckOutcome { Sent, Scheduled, Withheld, Failed };

    struct Transfer {
        std::shared_ptr<UdpEndpoint> socket;
        sockaddr_in client{};
        std::uint32_t nextBlock = 1;  // the DATA block expected next (not wrapped)
        std::vector<std::uint8_t> image;
        std::uint64_t lastActivityMs = 0;
        bool complete = false;      // last block received and the image stored
        bool closeWhenSent = false; // the final ACK is scheduled; close once it is out
        bool finished = false;      // to be removed from the table
        // Each injected fault fires once per block per transfer.
        std::set<std::uint32_t> usedDrop, usedDuplicate, usedLate, usedBadOpcode, usedStray;
        std::uint32_t dropRunBlock = UINT32_MAX;
        unsigned dropRun = 0;       // consecutive random drops of the same ACK
    };

    struct PendingSend {
        std::uint64_t dueMs;
        std::shared_ptr<UdpEndpoint> socket;
        sockaddr_in to;
        std::vector<std::uint8_t> bytes;
        Transfer* closes;  // transfer to finish once sent (may be null)
    };

    bool SetUp();
    void OnCommandDatagram();
    void OnServerDatagram();
    void OnTransferDatagram(Transfer& t);
    void OnStrayDatagram(const UdpEndpoint& socket);
    void StartTransfer(const sockaddr_in& client, const Transfer* previous);
    AckOutcome Answer(Transfer& t, std::uint32_t block);
    void AcceptData(Transfer& t, std::uint16_t block, std::span<const std::uint8_t> payload);
    bool StoreImage(const std::vector<std::uint8_t>& image);
    void EndTransfer(Transfer& t, bool succeeded, const std::string& why);
    void RunDueSends();
    int PollTimeoutMs() const;
    void ExpireTransfers();
    void Log(const std::string& line) const;
    std::uint64_t NowMs() const;

    EmulatorOptions opts_;
    UdpEndpoint command_;
    UdpEndpoint server_;
    std::shared_ptr<UdpEndpoint> stray_;
    int signalFd_ = -1;
    std::vector<std::unique_ptr<Transfer>> transfers_;
    std::vector<PendingSend> pending_;
    std::mt19937 random_;
    std::uint64_t startMs_ = 0;
    bool done_ = false;
    int exitStatus_ = 0;
};

}  // namespace qx::emulator
