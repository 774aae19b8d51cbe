// The program's own transfer against real TFTP servers, each in the private network
// namespace of its test: tftpd-hpa on 127.0.0.1 and atftpd on 127.0.0.2. Both must
// store exactly the image, and the datagrams on the wire must have the sizes of a
// lock-step RFC 1350 write. A missing server fails the test: it is never skipped.
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/interop/interop_support.h"
#include "tests/interop/wire_check.h"
#include "tools/tftp-driver/transfer_run.h"

namespace qx::interop {
namespace {

constexpr std::size_t kImageSize = 783578;

// Servers drop their privileges after binding. In a plain network namespace (run as
// root) that is "nobody"; in a user namespace only the mapped root exists.
bool InInitialUserNamespace() {
    std::ifstream map("/proc/self/uid_map");
    std::uint64_t inside = 1, outside = 1, count = 0;
    map >> inside >> outside >> count;
    return inside == 0 && outside == 0 && count == 4294967295ULL;
}

struct Server {
    const char* name;
    std::uint32_t address;
    std::vector<std::string> (*argv)(const std::string& dir);
};

std::vector<std::string> TftpdHpa(const std::string& dir) {
    const std::string user = InInitialUserNamespace() ? "nobody" : "root";
    // -T: tftpd-hpa resends its last ACK after 1 s of silence by default; on a loaded
    // CI machine that could add a datagram the lock-step count does not expect.
    return {"/usr/sbin/in.tftpd", "-L", "-c", "-s", "-T", "5000000", "-u", user, "-a", "127.0.0.1:69", dir};
}

std::vector<std::string> Atftpd(const std::string& dir) {
    const bool root = InInitialUserNamespace();
    return {QX_ATFTPD_PATH,   "--daemon", "--no-fork", "--bind-address",          "127.0.0.2", "--port", "69",
            "--user",         root ? "nobody" : "root", "--group", root ? "nogroup" : "root", dir};
}

const Server kServers[] = {
    {"TftpdHpa", 0x7F000001, TftpdHpa},
    {"Atftpd", 0x7F000002, Atftpd},
};

void PrintTo(const Server& s, std::ostream* os) { *os << s.name; }

class RealServer : public ::testing::TestWithParam<Server> {};

TEST_P(RealServer, StoresTheImageWithLockStepPackets) {
    const Server& server = GetParam();
    std::filesystem::path dir = MakeTempDir(server.name);
    std::vector<std::string> argv = server.argv(dir.string());
    ASSERT_EQ(access(argv[0].c_str(), X_OK), 0) << argv[0] << " is not installed (tools/install-deps; "
                                                 "atftpd is unpacked by the interop_fetch_atftpd test)";
    ChildProcess process(argv, dir.parent_path() / (dir.filename().string() + ".log"));
    ASSERT_TRUE(process.Started());
    ASSERT_TRUE(WaitForUdpPort(server.address, 69, 5000)) << server.name << " did not bind port 69:\n"
                                                         << process.Log();

    const std::string image = MakeTestImage(kImageSize);
    PacketCapture capture;
    ASSERT_TRUE(capture.Ok()) << "no packet capture in this namespace";
    static DownloadJob job;
    TransferRunOptions options;
    options.address = server.address;
    TransferRunResult run =
        RunTransfer(options, {reinterpret_cast<const std::uint8_t*>(image.data()), image.size()}, job);
    EXPECT_EQ(run.result, 0) << process.Log();
    EXPECT_EQ(run.slices, 32);  // the request, 30 slices of 50 blocks, one of 31

    // The server writes as it goes; wait (bounded) for it to finish the file.
    const std::filesystem::path stored = dir / "firm";
    for (int i = 0; i < 200 && !(std::filesystem::exists(stored) && std::filesystem::file_size(stored) == image.size());
         ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    unsigned dropped = 0;
    std::vector<CapturedPacket> packets = capture.Stop(dropped);
    process.Terminate();
    ASSERT_TRUE(std::filesystem::exists(stored)) << process.Log();
    EXPECT_TRUE(ReadFile(stored) == image) << "stored image differs";
    ASSERT_EQ(dropped, 0u) << "the capture lost packets";
    ExpectLockStepWrite(packets, server.address, kImageSize);
    std::filesystem::remove_all(dir);
}

INSTANTIATE_TEST_SUITE_P(Interop, RealServer, ::testing::ValuesIn(kServers),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace qx::interop
