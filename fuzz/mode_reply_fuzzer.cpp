// The download-mode command exchange fed with any reply from any sender, and any
// password the job record can hold. The exchange runs whole: command datagram, wait,
// judgement, version normalisation and ordering, and the question, which the fuzzer
// answers. Besides the sanitizers' checks (no read past the 256-byte reply buffer or
// the record's fields) the outcome is compared with an independent reading of the
// first reply that came from the router.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/download_job.h"
#include "fuzz/fuzz_network.h"
#include "platform/system/resources.h"
#include "platform/windows/message_box.h"
#include "protocol/download_mode.h"
#include "protocol/firmware_version.h"
#include "res/resource_ids.h"

using namespace qx;

namespace {
FuzzedDataProvider* g_data = nullptr;
int g_questions = 0;
}  // namespace

// The user: answers the question as the fuzzer says.
int qx::AfxMessageBox(const char* text, UINT type, UINT) {
    if (!text || (type & MB_TYPEMASK) != MB_OKCANCEL) fuzz::Violation("the question is not an OK/Cancel box");
    ++g_questions;
    return g_data->ConsumeBool() ? IDOK : IDCANCEL;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    FuzzedDataProvider data(bytes, size);
    g_data = &data;
    g_questions = 0;

    static const char kImageVersion[] = "1.02";
    static const char kQuestion[] = "%1 / %2";
    static const ResourceEntry kStrings[] = {
        {RT_STRING, IDS_FIRMWARE_VERSION, reinterpret_cast<const std::byte*>(kImageVersion), 4},
        {RT_STRING, IDS_VERSION_NOT_NEWER, reinterpret_cast<const std::byte*>(kQuestion), 7},
    };
    ScopedResourceDirectory resources(kStrings);
    VirtualClock clock;
    ScopedClock scopedClock(clock);
    fuzz::FuzzNetwork network(data, clock);
    ScopedNetwork scopedNetwork(network);

    DownloadJob job{};
    job.result = 12345;  // must stay untouched on success
    // Any bytes the record can hold, up to all 260 without a terminator.
    std::string password = data.ConsumeBytesAsString(data.ConsumeIntegralInRange<std::size_t>(0, sizeof job.password));
    if (!password.empty()) std::memcpy(job.password, password.data(), password.size());
    const std::size_t passwordLength = strnlen(job.password, sizeof job.password);

    SOCKET sock = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_addr.s_addr = htonl(fuzz::kRouter);
    const bool goOn = RequestDownloadMode(job, sock, peer);
    closesocket(sock);

    if (network.Sends() != 1) fuzz::Violation("the command was not sent exactly once");
    if (network.LastSent().size() != 10 + passwordLength + 1) fuzz::Violation("command datagram has the wrong size");
    if (std::memcmp(network.LastSent().data() + 10, job.password, passwordLength) != 0)
        fuzz::Violation("the password did not travel as entered");
    if (network.LastDestination().port != 7) fuzz::Violation("the command did not go to port 7");
    if (ntohl(peer.sin_addr.s_addr) != fuzz::kRouter) fuzz::Violation("the peer left the router's address");

    // Independent reading: the first reply from the router (a failed receive reads as
    // an empty one from the router) before the 5-second deadline.
    const fuzz::FuzzNetwork::Delivered* judged = nullptr;
    for (const auto& d : network.DeliveredDatagrams()) {
        if (d.failed || d.from.address == fuzz::kRouter) {
            judged = &d;
            break;
        }
        if (d.atMs >= 5000) break;  // a stray at the deadline ends the wait
    }
    std::int32_t expected = 0;
    int questions = 0;
    if (!judged) {
        expected = IDS_DL_TIMEOUT;
    } else {
        char reply[257] = {};
        if (!judged->bytes.empty())
            std::memcpy(reply, judged->bytes.data(), std::min<std::size_t>(judged->bytes.size(), 256));
        if (std::strcmp(reply, "NG") == 0) {
            expected = IDS_DL_REFUSED;
        } else if (std::strcmp(reply, "OK") != 0) {
            expected = IDS_NOT_TARGET_MODEL;
        } else if (reply[3] != '\0') {
            std::vector<char> version(reply + 3, reply + 3 + std::strlen(reply + 3) + 1);
            NormalizeVersionText(version.data());
            if (CompareFirmwareVersions(kImageVersion, version.data()) <= 0) {
                questions = 1;
                if (!goOn) expected = IDS_IN_DOWNLOAD_MODE;
            }
        }
    }
    if (g_questions != questions) fuzz::Violation("the question was asked when it should not be, or not asked");
    if (goOn != (expected == 0)) fuzz::Violation("the exchange went on when it should have stopped, or the reverse");
    if (goOn ? job.result != 12345 : job.result != expected) fuzz::Violation("wrong result code");
    g_data = nullptr;
    return 0;
}
