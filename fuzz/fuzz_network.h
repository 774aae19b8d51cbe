// A Network for fuzz targets: every wait and every receive is decided by the fuzzer's
// bytes. Each wait consumes one event: silence (the wait runs to its deadline on the
// virtual clock), a receive that fails, the acknowledgement the sender is waiting for
// (so that inputs reach later blocks), or arbitrary bytes from a chosen sender. When
// the bytes run out every wait is silent, so any run ends. It also checks what is
// sent: only to the router's address, and only datagrams of a TFTP or command size.
#pragma once

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/sockets/network.h"
#include "platform/system/clock.h"

namespace qx::fuzz {

inline constexpr std::uint32_t kRouter = 0x0A000001;  // 10.0.0.1
inline constexpr std::uint32_t kStranger = 0x0A000002;

[[noreturn]] inline void Violation(const char* what) {
    std::fprintf(stderr, "property violated: %s\n", what);
    std::abort();
}

class FuzzNetwork final : public Network {
public:
    FuzzNetwork(FuzzedDataProvider& data, VirtualClock& clock) : data_(data), clock_(clock) {}

    int Socket() override { return open_ ? -1 : (open_ = true, 3); }
    bool Close(int socket) override { return socket == 3 && open_ ? (open_ = false, true) : false; }

    int SendTo(int socket, std::span<const std::byte> datagram, const Endpoint& to) override {
        if (socket != 3 || !open_) Violation("send on a socket that is not open");
        if (to.address != kRouter) Violation("datagram sent to an address other than the router's");
        if (datagram.size() > 516) Violation("datagram longer than a DATA packet");
        sent_.assign(datagram.begin(), datagram.end());
        lastTo_ = to;
        ++sends_;
        return static_cast<int>(datagram.size());
    }

    WaitResult WaitReadable(int socket, std::uint64_t deadline_ms) override {
        if (socket != 3 || !open_) Violation("wait on a socket that is not open");
        pendingKind_ = data_.remaining_bytes() == 0 ? 0 : data_.ConsumeIntegralInRange<int>(0, 3);
        if (pendingKind_ == 0) {
            clock_.AdvanceTo(deadline_ms);
            return WaitResult::TimedOut;
        }
        // Some time passes before the datagram arrives, never beyond the deadline.
        std::uint64_t now = clock_.NowMs();
        if (deadline_ms > now) clock_.Advance(data_.ConsumeIntegralInRange<std::uint64_t>(0, deadline_ms - now));
        return WaitResult::Readable;
    }

    ReceiveResult RecvFrom(int socket, std::span<std::byte> buffer) override {
        if (socket != 3 || !open_) Violation("receive on a socket that is not open");
        ReceiveResult r;
        std::vector<std::byte> datagram;
        switch (pendingKind_) {
            case 1:  // a failed receive
                pendingKind_ = 0;
                delivered_.push_back({{}, {}, true, clock_.NowMs()});
                return r;
            case 2: {  // the acknowledgement of what was sent last
                std::uint16_t block = 0;
                if (sent_.size() >= 4 && sent_[1] == std::byte{3})
                    block = static_cast<std::uint16_t>((std::to_integer<unsigned>(sent_[2]) << 8) |
                                                       std::to_integer<unsigned>(sent_[3]));
                datagram = {std::byte{0}, std::byte{4}, std::byte(block >> 8), std::byte(block & 0xFF)};
                r.from = {kRouter, transferPort_};
                break;
            }
            default: {  // anything, from anyone
                switch (data_.ConsumeIntegralInRange<int>(0, 3)) {
                    case 0: r.from = {kRouter, transferPort_}; break;
                    case 1: r.from = {kRouter, 69}; break;
                    case 2: r.from = {kRouter, data_.ConsumeIntegral<std::uint16_t>()}; break;
                    default: r.from = {kStranger, transferPort_}; break;
                }
                auto bytes = data_.ConsumeBytes<std::uint8_t>(data_.ConsumeIntegralInRange<std::size_t>(0, 700));
                for (std::uint8_t b : bytes) datagram.push_back(std::byte{b});
                break;
            }
        }
        pendingKind_ = 0;
        delivered_.push_back({r.from, datagram, false, clock_.NowMs()});
        std::size_t n = std::min(datagram.size(), buffer.size());
        if (n) std::memcpy(buffer.data(), datagram.data(), n);
        r.bytes = static_cast<int>(n);
        r.truncated = datagram.size() > buffer.size();
        return r;
    }

    // Every datagram handed to a receive, in order; a failed receive has `failed`.
    struct Delivered {
        Endpoint from;
        std::vector<std::byte> bytes;
        bool failed = false;
        std::uint64_t atMs = 0;  // virtual time of the receive
    };
    const std::vector<Delivered>& DeliveredDatagrams() const { return delivered_; }
    const std::vector<std::byte>& LastSent() const { return sent_; }
    Endpoint LastDestination() const { return lastTo_; }
    unsigned Sends() const { return sends_; }

private:
    static constexpr std::uint16_t transferPort_ = 40000;
    FuzzedDataProvider& data_;
    VirtualClock& clock_;
    bool open_ = false;
    int pendingKind_ = 0;
    std::vector<std::byte> sent_;
    std::vector<Delivered> delivered_;
    Endpoint lastTo_;
    unsigned sends_ = 0;
};

}  // namespace qx::fuzz
