#include "tools/emulator/emulator.h"

#include <arpa/inet.h>
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <strings.h>

#include "tools/emulator/tftp_wire.h"

namespace qx::emulator {
namespace {

// The router's download-mode command word, followed by a zero byte and the password.
constexpr std::string_view kCommandWord{"launch472\0", 10};
// Receive buffers: larger than any legal datagram, so an oversized one is recognised.
constexpr std::size_t kReceiveBuffer = 1024;

std::string Describe(std::span<const std::uint8_t> bytes) {
    std::string text;
    for (std::uint8_t b : bytes.first(std::min<std::size_t>(bytes.size(), 40))) {
        if (b >= 0x20 && b < 0x7F && b != '\\') text += static_cast<char>(b);
        else {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02x", b);
            text += hex;
        }
    }
    if (bytes.size() > 40) text += "...";
    return text;
}

}  // namespace

Emulator::Emulator(EmulatorOptions options) : opts_(std::move(options)), random_(opts_.seed) {}

std::uint64_t Emulator::NowMs() const {
    using namespace std::chrono;
    return static_cast<std::uint64_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void Emulator::Log(const std::string& line) const {
    if (!opts_.verbose) return;
    std::uint64_t ms = NowMs() - startMs_;
    std::printf("%llu.%03llu %s\n", static_cast<unsigned long long>(ms / 1000),
                static_cast<unsigned long long>(ms % 1000), line.c_str());
    std::fflush(stdout);
}

bool Emulator::SetUp() {
    startMs_ = NowMs();
    sigset_t mask;
    sigemptyset(&mask);
    sigaddset(&mask, SIGINT);
    sigaddset(&mask, SIGTERM);
    sigaddset(&mask, SIGHUP);
    sigprocmask(SIG_BLOCK, &mask, nullptr);
    signalFd_ = signalfd(-1, &mask, SFD_CLOEXEC | SFD_NONBLOCK);
    if (signalFd_ < 0) {
        std::fprintf(stderr, "qx210-emulator: signalfd: %s\n", std::strerror(errno));
        return false;
    }
    struct Need { UdpEndpoint* socket; std::string address; std::uint16_t port; const char* what; };
    std::vector<Need> needs = {{&command_, opts_.address, opts_.commandPort, "command"},
                               {&server_, opts_.address, opts_.tftpPort, "tftp"}};
    if (!opts_.stray.empty()) {
        stray_ = std::make_shared<UdpEndpoint>();
        needs.push_back({stray_.get(), opts_.strayAddress.empty() ? opts_.address : opts_.strayAddress,
                         0, "stray"});
    }
    for (const Need& n : needs) {
        if (!n.socket->Bind(n.address, n.port)) {
            std::fprintf(stderr, "qx210-emulator: cannot bind the %s socket to %s:%u: %s\n", n.what,
                         n.address.c_str(), n.port, std::strerror(errno));
            return false;
        }
    }
    Log("listening command " + opts_.address + ":" + std::to_string(command_.LocalPort()) +
        " tftp " + opts_.address + ":" + std::to_string(server_.LocalPort()) +
        (stray_ ? " stray port " + std::to_string(stray_->LocalPort()) : ""));
    return true;
}

int Emulator::Run() {
    if (!SetUp()) return 1;
    std::vector<pollfd> fds;
    while (!done_) {
        fds.clear();
        fds.push_back({signalFd_, POLLIN, 0});
        fds.push_back({command_.Fd(), POLLIN, 0});
        fds.push_back({server_.Fd(), POLLIN, 0});
        fds.push_back({stray_ ? stray_->Fd() : -1, POLLIN, 0});
        for (const auto& t : transfers_) fds.push_back({t->socket->Fd(), POLLIN, 0});

        int ready = poll(fds.data(), fds.size(), PollTimeoutMs());
        if (ready < 0 && errno != EINTR) {
            std::fprintf(stderr, "qx210-emulator: poll: %s\n", std::strerror(errno));
            return 1;
        }
        if (ready > 0) {
            if (fds[0].revents & POLLIN) {
                signalfd_siginfo info{};
                if (read(signalFd_, &info, sizeof info) > 0)
                    Log(std::string("signal ") + strsignal(static_cast<int>(info.ssi_signo)) +
                        ": exiting");
                return 0;
            }
            // POLLERR too: a pending socket error is cleared only by a receive; left
            // alone it would make every poll return at once.
            auto due = [&](std::size_t i) { return (fds[i].revents & (POLLIN | POLLERR)) != 0; };
            if (due(1)) OnCommandDatagram();
            if (due(2)) OnServerDatagram();
            if (due(3)) OnStrayDatagram(*stray_);
            // Only the transfers that were polled; a new one waits for the next round.
            std::size_t polled = fds.size() - 4;
            for (std::size_t i = 0; i < polled && i < transfers_.size(); ++i)
                if (due(4 + i)) OnTransferDatagram(*transfers_[i]);
        }
        RunDueSends();
        ExpireTransfers();
        std::erase_if(transfers_, [](const auto& t) { return t->finished; });
    }
    return exitStatus_;
}

int Emulator::PollTimeoutMs() const {
    std::uint64_t now = NowMs();
    std::uint64_t next = UINT64_MAX;
    for (const PendingSend& p : pending_) next = std::min(next, p.dueMs);
    for (const auto& t : transfers_)
        next = std::min(next, t->lastActivityMs + std::uint64_t{opts_.timeoutSeconds} * 1000);
    if (next == UINT64_MAX) return -1;
    return next <= now ? 0 : static_cast<int>(std::min<std::uint64_t>(next - now, 60000));
}

void Emulator::OnCommandDatagram() {
    std::array<std::uint8_t, kReceiveBuffer> buffer{};
    sockaddr_in from{};
    long n = command_.Receive(buffer, from);
    if (n < 0) return;
    auto bytes = std::span<const std::uint8_t>(buffer).first(std::min<std::size_t>(n, buffer.size()));
    std::string who = FormatAddress(from);
    if (bytes.size() < kCommandWord.size() ||
        !std::equal(kCommandWord.begin(), kCommandWord.end(), bytes.begin())) {
        Log("command from " + who + ": not a download-mode command (" + Describe(bytes) + "), ignored");
        return;
    }
    auto rest = bytes.subspan(kCommandWord.size());
    auto end = std::find(rest.begin(), rest.end(), std::uint8_t{0});
    std::string password(rest.begin(), end);
    bool passwordOk = password == opts_.password;

    std::string reply;
    switch (opts_.reply) {
        case ReplyKind::Silent:
            Log("command from " + who + ": silent, no reply");
            return;
        case ReplyKind::Ng: reply = std::string("NG\0", 3); break;
        case ReplyKind::Ok: reply = std::string("OK\0", 3) + opts_.version + std::string(1, '\0'); break;
        case ReplyKind::Bare: reply = "OK"; break;
        case ReplyKind::Other: reply = opts_.replyText + std::string(1, '\0'); break;
    }
    if (!passwordOk) reply = std::string("NG\0", 3);
    Log("command from " + who + ": password " + (passwordOk ? "right" : "wrong") + ", reply " +
        Describe({reinterpret_cast<const std::uint8_t*>(reply.data()), reply.size()}));
    command_.Send(from, {reinterpret_cast<const std::uint8_t*>(reply.data()), reply.size()});
}

void Emulator::OnServerDatagram() {
    std::array<std::uint8_t, kReceiveBuffer> buffer{};
    sockaddr_in from{};
    long n = server_.Receive(buffer, from);
    if (n < 0) return;
    auto bytes = std::span<const std::uint8_t>(buffer).first(std::min<std::size_t>(n, buffer.size()));
    std::string who = FormatAddress(from);
    auto refuse = [&](ErrorCode code, const std::string& text) {
        Log("request from " + who + " (" + Describe(bytes) + "): " + text);
        server_.Send(from, MakeError(code, text));
    };
    if (bytes.size() < 2) return refuse(ErrorCode::IllegalOperation, "malformed request");
    auto op = static_cast<Opcode>(Get16(bytes, 0));
    if (op == Opcode::Rrq) return refuse(ErrorCode::AccessViolation, "only writes are served");
    if (op != Opcode::Wrq) return refuse(ErrorCode::IllegalOperation, "not a write request");

    // File name and mode, each zero-terminated; what follows (options, padding) is ignored.
    auto rest = bytes.subspan(2);
    auto nameEnd = std::find(rest.begin(), rest.end(), std::uint8_t{0});
    if (nameEnd == rest.end()) return refuse(ErrorCode::IllegalOperation, "malformed request");
    auto modeEnd = std::find(nameEnd + 1, rest.end(), std::uint8_t{0});
    if (modeEnd == rest.end()) return refuse(ErrorCode::IllegalOperation, "malformed request");
    std::string name(rest.begin(), nameEnd), mode(nameEnd + 1, modeEnd);
    if (name != "firm") return refuse(ErrorCode::AccessViolation, "only the file firm is accepted");
    if (strcasecmp(mode.c_str(), "octet") != 0)
        return refuse(ErrorCode::IllegalOperation, "only octet mode is accepted");

    const Transfer* previous = nullptr;
    for (auto& t : transfers_) {
        if (!t->finished && SameAddress(t->client, from)) {
            // The client did not hear our acknowledgement and asks again: start over
            // from a new port, as a forking server would. The faults already injected
            // stay spent, or a dropped ACK 0 would be dropped for ever.
            Log("repeated write request from " + who + ": transfer restarted");
            t->finished = true;
            for (PendingSend& p : pending_)
                if (p.closes == t.get()) p.closes = nullptr;
            previous = t.get();
        }
    }
    std::size_t active = std::count_if(transfers_.begin(), transfers_.end(),
                                       [](const auto& t) { return !t->finished; });
    if (active >= kMaxTransfers) return refuse(ErrorCode::NotDefined, "busy");
    Log("write request from " + who + " (" + std::to_string(bytes.size()) + " bytes)");
    StartTransfer(from, previous);
}

void Emulator::StartTransfer(const sockaddr_in& client, const Transfer* previous) {
    auto t = std::make_unique<Transfer>();
    if (previous) {
        t->usedDrop = previous->usedDrop;
        t->usedDuplicate = previous->usedDuplicate;
        t->usedLate = previous->usedLate;
        t->usedBadOpcode = previous->usedBadOpcode;
        t->usedStray = previous->usedStray;
    }
    t->socket = std::make_shared<UdpEndpoint>();
    if (!t->socket->Bind(opts_.address, 0)) {
        std::fprintf(stderr, "qx210-emulator: cannot bind a transfer socket: %s\n", std::strerror(errno));
        server_.Send(client, MakeError(ErrorCode::NotDefined, "no transfer socket"));
        return;
    }
    t->client = client;
    t->lastActivityMs = NowMs();
    Log("transfer port " + std::to_string(t->socket->LocalPort()) + " for " + FormatAddress(client));
    transfers_.push_back(std::move(t));
    Answer(*transfers_.back(), 0);
}

void Emulator::OnTransferDatagram(Transfer& t) {
    std::array<std::uint8_t, kReceiveBuffer> buffer{};
    sockaddr_in from{};
    long n = t.socket->Receive(buffer, from);
    if (n < 0 || t.finished) return;
    auto bytes = std::span<const std::uint8_t>(buffer).first(std::min<std::size_t>(n, buffer.size()));
    std::string where = "port " + std::to_string(t.socket->LocalPort());
    if (!SameAddress(from, t.client)) {
        // Like real servers: a datagram from another port or address does not disturb
        // the transfer and gets no answer.
        Log(where + ": datagram from " + FormatAddress(from) + " is not from the client, ignored");
        return;
    }
    if (bytes.size() < 2) {
        Log(where + ": runt datagram (" + std::to_string(bytes.size()) + " bytes), ignored");
        return;
    }
    switch (static_cast<Opcode>(Get16(bytes, 0))) {
        case Opcode::Data:
            if (bytes.size() < 4) {
                Log(where + ": DATA without a block number, ignored");
                return;
            }
            if (static_cast<std::size_t>(n) > kMaxDataPacket) {
                Log(where + ": DATA of " + std::to_string(n) + " bytes is too long");
                t.socket->Send(t.client, MakeError(ErrorCode::IllegalOperation, "DATA longer than 516 bytes"));
                EndTransfer(t, false, "oversized DATA");
                return;
            }
            AcceptData(t, Get16(bytes, 2), bytes.subspan(4));
            return;
        case Opcode::Wrq:
            // The acknowledgement of the request came through (the client learnt this
            // port) but was not taken: the client repeats its request here.
            if (t.nextBlock == 1) {
                Log(where + ": write request repeated to the transfer port, ACK 0 again");
                t.lastActivityMs = NowMs();
                Answer(t, 0);
            } else {
                Log(where + ": write request in the middle of a transfer, ignored");
            }
            return;
        case Opcode::Error:
            EndTransfer(t, false, "client sent ERROR (" + Describe(bytes) + ")");
            return;
        default:
            Log(where + ": unexpected opcode " + std::to_string(Get16(bytes, 0)) + ", ignored");
            return;
    }
}

void Emulator::AcceptData(Transfer& t, std::uint16_t block, std::span<const std::uint8_t> payload) {
    const std::string where = opts_.verbose ? "port " + std::to_string(t.socket->LocalPort()) : "";
    const auto expected = static_cast<std::uint16_t>(t.nextBlock & 0xFFFF);
    const auto previous = static_cast<std::uint16_t>((t.nextBlock - 1) & 0xFFFF);
    if (t.complete || block != expected) {
        if (t.nextBlock > 1 && block == previous) {
            Log(where + ": DATA " + std::to_string(block) + " again, ACK again");
            t.lastActivityMs = NowMs();
            AckOutcome out = Answer(t, t.nextBlock - 1);
            if (t.complete && out == AckOutcome::Sent) EndTransfer(t, true, "final ACK sent");
        } else {
            Log(where + ": DATA " + std::to_string(block) + " out of order (expecting " +
                std::to_string(expected) + "), ignored");
        }
        return;
    }
    t.lastActivityMs = NowMs();
    if (t.image.size() + payload.size() > kMaxImageBytes) {
        t.socket->Send(t.client, MakeError(ErrorCode::DiskFull, "image larger than 65535 blocks"));
        EndTransfer(t, false, "image too large");
        return;
    }
    t.image.insert(t.image.end(), payload.begin(), payload.end());
    const std::uint32_t number = t.nextBlock++;
    const bool last = payload.size() < kDataPayload;
    if (opts_.verbose)
        Log(where + ": DATA " + std::to_string(number) + " (" + std::to_string(payload.size()) + " bytes)" +
            (last ? ", last" : ""));
    if (last) {
        if (!StoreImage(t.image)) {
            t.socket->Send(t.client, MakeError(ErrorCode::DiskFull, "cannot store the image"));
            EndTransfer(t, false, "storing the image failed");
            return;
        }
        t.complete = true;
        Log(where + ": image complete, " + std::to_string(t.image.size()) + " bytes in " +
            std::to_string(number) + " blocks" + (opts_.output.empty() ? "" : ", stored in " + opts_.output));
    }
    AckOutcome out = Answer(t, number);
    if (last && out == AckOutcome::Sent) EndTransfer(t, true, "final ACK sent");
}

Emulator::AckOutcome Emulator::Answer(Transfer& t, std::uint32_t block) {
    const auto wire = static_cast<std::uint16_t>(block & 0xFFFF);
    // Built only for the log: this runs once per block.
    const std::string where = opts_.verbose ? "port " + std::to_string(t.socket->LocalPort()) : "";
    const std::string what = opts_.verbose ? "ACK " + std::to_string(block) : "";
    auto firstTime = [block](const std::set<std::uint32_t>& wanted, std::set<std::uint32_t>& used) {
        return wanted.count(block) != 0 && used.insert(block).second;
    };

    if (opts_.errorAt && *opts_.errorAt == block) {
        t.socket->Send(t.client, MakeError(opts_.errorCode, opts_.errorText));
        EndTransfer(t, false, "ERROR " + std::to_string(opts_.errorCode) + " sent instead of " + what);
        return AckOutcome::Failed;
    }
    if (firstTime(opts_.badOpcode, t.usedBadOpcode)) {
        std::vector<std::uint8_t> odd;
        Put16(odd, kUnknownOpcode);
        Put16(odd, wire);
        t.socket->Send(t.client, odd);
        Log(where + ": opcode " + std::to_string(kUnknownOpcode) + " sent instead of " + what);
        return AckOutcome::Withheld;
    }
    if (stray_ && firstTime(opts_.stray, t.usedStray)) {
        stray_->Send(t.client, MakeAck(wire));
        Log("stray " + what + " sent from port " + std::to_string(stray_->LocalPort()));
    }
    bool drop = firstTime(opts_.dropAck, t.usedDrop);
    if (!drop && opts_.dropShare > 0.0) {
        if (t.dropRunBlock != block) {
            t.dropRunBlock = block;
            t.dropRun = 0;
        }
        // Never the same ACK more than twice in a row, so the client's six sends of a
        // block always get through.
        if (std::bernoulli_distribution(opts_.dropShare)(random_) && t.dropRun < 2) {
            drop = true;
            ++t.dropRun;
        } else {
            t.dropRun = 0;
        }
    }
    if (drop) {
        Log(where + ": " + what + " dropped");
        return AckOutcome::Withheld;
    }
    if (auto late = opts_.lateAckMs.find(block);
        late != opts_.lateAckMs.end() && t.usedLate.insert(block).second) {
        if (pending_.size() < kMaxPending) {
            pending_.push_back({NowMs() + late->second, t.socket, t.client, MakeAck(wire),
                                t.complete ? &t : nullptr});
            if (t.complete) t.closeWhenSent = true;
            Log(where + ": " + what + " held back " + std::to_string(late->second) + " ms");
            return AckOutcome::Scheduled;
        }
    }
    t.socket->Send(t.client, MakeAck(wire));
    if (firstTime(opts_.duplicateAck, t.usedDuplicate)) {
        t.socket->Send(t.client, MakeAck(wire));
        Log(where + ": " + what + " sent twice");
    } else if (block == 0) {
        Log(where + ": " + what + " sent");
    }
    return AckOutcome::Sent;
}

void Emulator::RunDueSends() {
    std::uint64_t now = NowMs();
    std::vector<PendingSend> due;
    std::erase_if(pending_, [&](PendingSend& p) {
        if (p.dueMs > now) return false;
        due.push_back(std::move(p));
        return true;
    });
    for (PendingSend& p : due) {
        p.socket->Send(p.to, p.bytes);
        Log("port " + std::to_string(p.socket->LocalPort()) + ": late ACK " +
            std::to_string(Get16(p.bytes, 2)) + " sent");
        if (p.closes) {
            for (auto& t : transfers_)
                if (t.get() == p.closes && !t->finished) EndTransfer(*t, true, "final ACK sent");
        }
    }
}

void Emulator::ExpireTransfers() {
    std::uint64_t now = NowMs();
    for (auto& t : transfers_) {
        if (t->finished || t->closeWhenSent) continue;
        if (now >= t->lastActivityMs + std::uint64_t{opts_.timeoutSeconds} * 1000)
            EndTransfer(*t, t->complete, t->complete ? "no more datagrams after the image"
                                                     : "timed out waiting for DATA");
    }
}

void Emulator::EndTransfer(Transfer& t, bool succeeded, const std::string& why) {
    t.finished = true;
    // Delayed sends of an ended transfer still go out; only the close hook is dropped.
    for (PendingSend& p : pending_)
        if (p.closes == &t) p.closes = nullptr;
    Log("port " + std::to_string(t.socket->LocalPort()) + ": transfer " +
        (succeeded ? "complete" : "failed") + ": " + why);
    if (opts_.once) {
        exitStatus_ = succeeded ? 0 : 1;
        done_ = true;
        // Let a late ACK already promised still go out before exiting.
        while (!pending_.empty()) {
            int wait = PollTimeoutMs();
            if (wait > 0) poll(nullptr, 0, wait);
            RunDueSends();
        }
    }
}

bool Emulator::StoreImage(const std::vector<std::uint8_t>& image) {
    if (opts_.output.empty()) return true;
    namespace fs = std::filesystem;
    fs::path target(opts_.output);
    fs::path dir = target.has_parent_path() ? target.parent_path() : fs::path(".");
    std::string pattern = (dir / (target.filename().string() + ".XXXXXX")).string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    int fd = mkstemp(name.data());
    if (fd < 0) {
        std::fprintf(stderr, "qx210-emulator: cannot create %s: %s\n", name.data(), std::strerror(errno));
        return false;
    }
    std::size_t written = 0;
    while (written < image.size()) {
        ssize_t w = write(fd, image.data() + written, image.size() - written);
        if (w <= 0) break;
        written += static_cast<std::size_t>(w);
    }
    bool ok = written == image.size() && fchmod(fd, 0644) == 0;
    ok = (close(fd) == 0) && ok;
    if (ok && std::rename(name.data(), target.c_str()) != 0) ok = false;
    if (!ok) {
        std::fprintf(stderr, "qx210-emulator: cannot store %s: %s\n", target.c_str(), std::strerror(errno));
        unlink(name.data());
    }
    return ok;
}

void Emulator::OnStrayDatagram(const UdpEndpoint& socket) {
    std::array<std::uint8_t, kReceiveBuffer> buffer{};
    sockaddr_in from{};
    long n = socket.Receive(buffer, from);
    if (n < 0) return;
    Log("stray port " + std::to_string(socket.LocalPort()) + ": datagram of " + std::to_string(n) +
        " bytes from " + FormatAddress(from) + ", ignored");
}

}  // namespace qx::emulator
