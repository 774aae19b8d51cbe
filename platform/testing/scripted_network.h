// ScriptedNetwork: an in-process peer for tests, installed with ScopedNetwork. It is
// driven by rows, read in order: "a datagram must go out" (optionally checked for its
// bytes, destination and virtual send time) and "a datagram comes in" (from a given
// sender, a given time after the send that precedes the row, or at a fixed virtual
// time). No row means silence: a wait then runs to its deadline.
//
// Time is the VirtualClock given to the constructor, which the test also installs
// with ScopedClock: WaitReadable moves the clock to the next arrival or to the
// deadline and never sleeps. Once the rows are used up, a Responder (if set) is asked
// about every further send and may queue replies with Deliver; without one, a further
// send is a problem. Problems are collected, never thrown; a test asserts
// Problems() is empty. One thread only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/sockets/network.h"
#include "platform/system/clock.h"

namespace qx {

using Bytes = std::vector<std::byte>;

// The bytes of a literal without its terminator: ToBytes("OK\0" "1.02") is 7 bytes.
template <std::size_t N>
Bytes ToBytes(const char (&text)[N]) {
    Bytes out(N - 1);
    for (std::size_t i = 0; i + 1 < N; ++i) out[i] = static_cast<std::byte>(text[i]);
    return out;
}
Bytes ToBytes(std::string_view text);
Bytes ToBytes(std::initializer_list<int> values);  // each value is one byte
std::string HexDump(const Bytes& bytes, std::size_t limit = 32);

struct ScriptRow {
    enum class Kind { Out, In, InFailure };
    Kind kind = Kind::Out;
    std::optional<Bytes> bytes;  // Out: the exact datagram, or any when empty; In: the datagram
    Endpoint endpoint;           // Out: the destination; In: the sender
    std::optional<std::uint64_t> at_ms;  // Out: the send's virtual time; In: arrival time
    std::uint64_t after_ms = 0;  // In without at_ms: arrival this long after the last send
};

ScriptRow Out(Bytes bytes, Endpoint to);
ScriptRow OutAt(std::uint64_t at_ms, Bytes bytes, Endpoint to);
ScriptRow OutAny(Endpoint to);
ScriptRow OutAnyAt(std::uint64_t at_ms, Endpoint to);
ScriptRow In(Bytes bytes, Endpoint from);                   // right after the last send
ScriptRow InAfter(std::uint64_t delay_ms, Bytes bytes, Endpoint from);
ScriptRow InAt(std::uint64_t at_ms, Bytes bytes, Endpoint from);
ScriptRow InFailure(std::uint64_t delay_ms = 0);            // readable, but the receive fails

struct SentDatagram {
    Bytes bytes;
    Endpoint to;
    std::uint64_t at_ms = 0;
};

class ScriptedNetwork final : public Network {
public:
    using Responder = std::function<void(const SentDatagram& sent, ScriptedNetwork& network)>;

    explicit ScriptedNetwork(VirtualClock& clock, std::vector<ScriptRow> rows = {});

    void SetResponder(Responder responder) { responder_ = std::move(responder); }
    // Queues a datagram (or, with `failure`, a receive that fails) arriving `delay_ms`
    // from now. For responders and for tests that build arrivals by hand.
    void Deliver(Bytes bytes, Endpoint from, std::uint64_t delay_ms = 0);
    void DeliverFailure(std::uint64_t delay_ms = 0);

    void FailStartup(bool fail) { fail_startup_ = fail; }
    void FailSocket(bool fail) { fail_socket_ = fail; }

    const std::vector<SentDatagram>& Sent() const { return sent_; }
    // Mismatched and unexpected sends, waits that could never end, rows never reached.
    std::vector<std::string> Problems() const;
    std::size_t Unread() const { return arrivals_.size(); }
    std::size_t OpenSockets() const { return open_.size(); }
    int SocketsMade() const { return next_handle_ - kFirstHandle; }

    bool Startup() override { return !fail_startup_; }
    int Socket() override;
    int SendTo(int socket, std::span<const std::byte> datagram, const Endpoint& to) override;
    WaitResult WaitReadable(int socket, std::uint64_t deadline_ms) override;
    ReceiveResult RecvFrom(int socket, std::span<std::byte> buffer) override;
    bool Close(int socket) override;

private:
    struct Arrival {
        std::uint64_t at_ms;
        std::uint64_t order;  // equal times keep the order they were queued in
        bool failure;
        Bytes bytes;
        Endpoint from;
    };
    static constexpr int kFirstHandle = 3;

    void Queue(std::uint64_t at_ms, bool failure, Bytes bytes, Endpoint from);
    void ScheduleFollowingArrivals(std::uint64_t last_send_ms);
    void CheckOut(const ScriptRow& row, const SentDatagram& sent, std::size_t index);

    VirtualClock& clock_;
    std::vector<ScriptRow> rows_;
    std::size_t cursor_ = 0;
    std::vector<Arrival> arrivals_;  // sorted by (at_ms, order)
    std::uint64_t next_order_ = 0;
    std::vector<SentDatagram> sent_;
    std::vector<std::string> problems_;
    Responder responder_;
    std::set<int> open_;
    int next_handle_ = kFirstHandle;
    bool fail_startup_ = false;
    bool fail_socket_ = false;
};

}  // namespace qx
