#include "platform/testing/scripted_network.h"

#include <algorithm>
#include <cstdio>

namespace qx {

Bytes ToBytes(std::string_view text) {
    Bytes out(text.size());
    std::transform(text.begin(), text.end(), out.begin(), [](char c) { return static_cast<std::byte>(c); });
    return out;
}

Bytes ToBytes(std::initializer_list<int> values) {
    Bytes out;
    for (int v : values) out.push_back(static_cast<std::byte>(v));
    return out;
}

std::string HexDump(const Bytes& bytes, std::size_t limit) {
    std::string out;
    char cell[4];
    for (std::size_t i = 0; i < bytes.size() && i < limit; ++i) {
        std::snprintf(cell, sizeof cell, "%02x ", static_cast<unsigned>(bytes[i]));
        out += cell;
    }
    if (bytes.size() > limit) out += "... ";
    return out + "(" + std::to_string(bytes.size()) + " bytes)";
}

ScriptRow Out(Bytes bytes, Endpoint to) { return {ScriptRow::Kind::Out, std::move(bytes), to, {}, 0}; }
ScriptRow OutAt(std::uint64_t at_ms, Bytes bytes, Endpoint to) {
    return {ScriptRow::Kind::Out, std::move(bytes), to, at_ms, 0};
}
ScriptRow OutAny(Endpoint to) { return {ScriptRow::Kind::Out, std::nullopt, to, {}, 0}; }
ScriptRow OutAnyAt(std::uint64_t at_ms, Endpoint to) { return {ScriptRow::Kind::Out, std::nullopt, to, at_ms, 0}; }
ScriptRow In(Bytes bytes, Endpoint from) { return {ScriptRow::Kind::In, std::move(bytes), from, {}, 0}; }
ScriptRow InAfter(std::uint64_t delay_ms, Bytes bytes, Endpoint from) {
    return {ScriptRow::Kind::In, std::move(bytes), from, {}, delay_ms};
}
ScriptRow InAt(std::uint64_t at_ms, Bytes bytes, Endpoint from) {
    return {ScriptRow::Kind::In, std::move(bytes), from, at_ms, 0};
}
ScriptRow InFailure(std::uint64_t delay_ms) { return {ScriptRow::Kind::InFailure, Bytes{}, {}, {}, delay_ms}; }

ScriptedNetwork::ScriptedNetwork(VirtualClock& clock, std::vector<ScriptRow> rows)
    : clock_(clock), rows_(std::move(rows)) {
    ScheduleFollowingArrivals(clock_.NowMs());
}

void ScriptedNetwork::Deliver(Bytes bytes, Endpoint from, std::uint64_t delay_ms) {
    Queue(clock_.NowMs() + delay_ms, false, std::move(bytes), from);
}

void ScriptedNetwork::DeliverFailure(std::uint64_t delay_ms) {
    Queue(clock_.NowMs() + delay_ms, true, Bytes{}, Endpoint{});
}

void ScriptedNetwork::Queue(std::uint64_t at_ms, bool failure, Bytes bytes, Endpoint from) {
    Arrival arrival{at_ms, next_order_++, failure, std::move(bytes), from};
    auto later = std::upper_bound(arrivals_.begin(), arrivals_.end(), arrival, [](const Arrival& a, const Arrival& b) {
        return a.at_ms != b.at_ms ? a.at_ms < b.at_ms : a.order < b.order;
    });
    arrivals_.insert(later, std::move(arrival));
}

void ScriptedNetwork::ScheduleFollowingArrivals(std::uint64_t last_send_ms) {
    while (cursor_ < rows_.size() && rows_[cursor_].kind != ScriptRow::Kind::Out) {
        ScriptRow& row = rows_[cursor_++];
        const std::uint64_t at = row.at_ms ? *row.at_ms : last_send_ms + row.after_ms;
        Queue(at, row.kind == ScriptRow::Kind::InFailure, row.bytes.value_or(Bytes{}), row.endpoint);
    }
}

std::vector<std::string> ScriptedNetwork::Problems() const {
    std::vector<std::string> all = problems_;
    for (std::size_t i = cursor_; i < rows_.size(); ++i)
        all.push_back("row " + std::to_string(i) + " never reached: a send to " + ToString(rows_[i].endpoint));
    return all;
}

int ScriptedNetwork::Socket() {
    if (fail_socket_) return -1;
    open_.insert(next_handle_);
    return next_handle_++;
}

void ScriptedNetwork::CheckOut(const ScriptRow& row, const SentDatagram& sent, std::size_t index) {
    const std::string where = "row " + std::to_string(index) + " (send " + std::to_string(sent_.size()) + "): ";
    if (sent.to != row.endpoint)
        problems_.push_back(where + "sent to " + ToString(sent.to) + ", expected " + ToString(row.endpoint));
    if (row.bytes && *row.bytes != sent.bytes)
        problems_.push_back(where + "sent " + HexDump(sent.bytes) + ", expected " + HexDump(*row.bytes));
    if (row.at_ms && *row.at_ms != sent.at_ms)
        problems_.push_back(where + "sent at " + std::to_string(sent.at_ms) + " ms, expected at " +
                            std::to_string(*row.at_ms) + " ms");
}

int ScriptedNetwork::SendTo(int socket, std::span<const std::byte> datagram, const Endpoint& to) {
    if (!open_.contains(socket)) {
        problems_.push_back("send on a socket that is not open");
        return -1;
    }
    sent_.push_back(SentDatagram{Bytes(datagram.begin(), datagram.end()), to, clock_.NowMs()});
    const SentDatagram& sent = sent_.back();
    if (cursor_ < rows_.size()) {
        CheckOut(rows_[cursor_], sent, cursor_);
        ++cursor_;
        ScheduleFollowingArrivals(sent.at_ms);
    } else if (responder_) {
        responder_(sent, *this);
    } else {
        problems_.push_back("unexpected send " + std::to_string(sent_.size()) + " to " + ToString(to) + ": " +
                            HexDump(sent.bytes));
    }
    return static_cast<int>(datagram.size());
}

WaitResult ScriptedNetwork::WaitReadable(int socket, std::uint64_t deadline_ms) {
    if (!open_.contains(socket)) return WaitResult::Failed;
    if (!arrivals_.empty() && arrivals_.front().at_ms <= deadline_ms) {
        clock_.AdvanceTo(arrivals_.front().at_ms);
        return WaitResult::Readable;
    }
    if (deadline_ms == UINT64_MAX) {
        problems_.push_back("a wait without a deadline and nothing left to arrive");
        return WaitResult::Failed;
    }
    clock_.AdvanceTo(deadline_ms);
    return WaitResult::TimedOut;
}

ReceiveResult ScriptedNetwork::RecvFrom(int socket, std::span<std::byte> buffer) {
    ReceiveResult result;
    if (!open_.contains(socket) || arrivals_.empty() || arrivals_.front().at_ms > clock_.NowMs()) return result;
    Arrival arrival = std::move(arrivals_.front());
    arrivals_.erase(arrivals_.begin());
    if (arrival.failure) return result;
    const std::size_t n = std::min(buffer.size(), arrival.bytes.size());
    std::copy_n(arrival.bytes.begin(), n, buffer.begin());
    result.bytes = static_cast<int>(n);
    result.truncated = arrival.bytes.size() > buffer.size();
    result.from = arrival.from;
    return result;
}

bool ScriptedNetwork::Close(int socket) { return open_.erase(socket) == 1; }

}  // namespace qx
