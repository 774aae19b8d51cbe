#include "protocol/download_mode.h"

#include <algorithm>
#include <cstring>

#include "platform/strings/cstring.h"
#include "platform/strings/format.h"
#include "platform/system/clock.h"
#include "platform/windows/message_box.h"
#include "protocol/firmware_version.h"
#include "protocol/protocol_failures.h"
#include "protocol/router_wait.h"

namespace qx {

namespace {

bool Fail(DownloadJob& job, ProtocolFailure failure) {
    job.result = ResultCodeFor(failure);
    return false;
}

bool PauseAndGoOn() {
    Sleep(kRestartPauseMs);
    return true;
}

// The password field may hold anything the record can: never read past its end.
std::size_t PasswordLength(const char* password, std::size_t capacity) {
    return password ? strnlen(password, capacity) : 0;
}

// Room for the command word, a password as long as the job's field and two NULs, so
// no password the record can hold is ever cut or written past the buffer.
constexpr std::size_t kCommandBufferSize = sizeof kCommandWord + kJobTextCapacity + 1;

}  // namespace

std::size_t CommandDatagramSize(const char* password) {
    return sizeof kCommandWord + PasswordLength(password, kJobTextCapacity) + 1;
}

std::size_t BuildCommandDatagram(const char* password, char* out, std::size_t capacity) {
    const std::size_t size = CommandDatagramSize(password);
    if (out == nullptr || capacity < size) return 0;
    std::memset(out, 0, size);
    std::memcpy(out, kCommandWord, sizeof kCommandWord);  // with its NUL
    if (password) std::memcpy(out + sizeof kCommandWord, password, size - sizeof kCommandWord - 1);
    return size;
}

ModeReply JudgeModeReplyStatus(std::span<const std::byte> reply) {
    char status[3] = {};
    if (!reply.empty()) std::memcpy(status, reply.data(), std::min(reply.size(), sizeof status));
    if (status[2] != '\0') return ModeReply::NotTargetModel;  // longer than two bytes
    if (status[0] == 'O' && status[1] == 'K') return ModeReply::Accepted;
    if (status[0] == 'N' && status[1] == 'G') return ModeReply::Refused;
    return ModeReply::NotTargetModel;
}

ModeReply JudgeModeReply(std::span<const std::byte> datagram, const sockaddr_in& sender, const sockaddr_in& peer) {
    if (!IsFromRouter(sender, peer, false)) return ModeReply::Stray;
    return JudgeModeReplyStatus(datagram.first(std::min(datagram.size(), kReplyBufferSize)));
}

bool RequestDownloadMode(DownloadJob& job, SOCKET sock, sockaddr_in& peer) {
    peer.sin_port = htons(kCommandPort);

    char command[kCommandBufferSize];
    const std::size_t length = BuildCommandDatagram(job.password, command, sizeof command);
    // Sent once and never repeated; a failed send ends as a timeout.
    sendto(sock, command, static_cast<int>(length), 0, reinterpret_cast<const sockaddr*>(&peer), sizeof peer);

    // One byte more than a reply can fill, so the version text at its end is always
    // terminated, even when the router filled all 256 bytes.
    char reply[kReplyBufferSize + 1] = {};
    if (!ReceiveFromRouter(sock, peer, reply, kReplyBufferSize, false)) return Fail(job, ProtocolFailure::CommandNoReply);

    switch (JudgeModeReplyStatus(std::as_bytes(std::span(reply, kReplyBufferSize)))) {
        case ModeReply::Accepted:
            break;
        case ModeReply::Refused:
            return Fail(job, ProtocolFailure::CommandRefused);
        case ModeReply::NotTargetModel:
        case ModeReply::Stray:
            return Fail(job, ProtocolFailure::NotTargetModel);
    }

    char* router_version = reply + kReplyVersionOffset;
    if (router_version[0] == '\0') return PauseAndGoOn();  // no version: nothing to compare
    NormalizeVersionText(router_version);

    char image_version[kImageVersionCapacity] = {};
    CString loaded;
    loaded.LoadString(IDS_FIRMWARE_VERSION);
    std::memcpy(image_version, loaded.GetString(), std::min<std::size_t>(loaded.GetLength(), sizeof image_version - 1));

    if (CompareFirmwareVersions(image_version, router_version) > 0) return PauseAndGoOn();

    CString question;
    AfxFormatString2(question, IDS_VERSION_NOT_NEWER, router_version, image_version);
    // Only OK goes on: a question that could not be shown (0) is no consent to write
    // an image that is not newer. Either way the router stays in download mode.
    if (AfxMessageBox(question, MB_ICONEXCLAMATION | MB_OKCANCEL) != IDOK)
        return Fail(job, ProtocolFailure::DeclinedNotNewer);
    return PauseAndGoOn();
}

}  // namespace qx
