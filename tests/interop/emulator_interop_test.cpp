// The program's own command exchange and transfer, over real UDP, against the router
// emulator on ports 7 and 69 of a private network namespace, with each kind of fault
// the emulator can inject. A dropped or late ACK costs a real 5-second wait; each
// case is its own ctest entry, so those run in parallel.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/sockets/winsock.h"
#include "platform/system/clock.h"
#include "tests/interop/interop_support.h"
#include "tests/interop/wire_check.h"
#include "tools/tftp-driver/skip_pause_clock.h"
#include "tools/tftp-driver/transfer_run.h"

namespace qx::interop {
namespace {

constexpr std::uint32_t kLoopback = 0x7F000001;
constexpr std::size_t kImageSize = 783578;  // the size of the program's own image

struct Download {
    std::int32_t result = -1;
    int emulatorStatus = -1;
    bool stored = false;
    std::string image;       // what was sent
    std::string storedImage; // what the emulator stored
    std::string log;
    std::vector<CapturedPacket> packets;
    unsigned dropped = 0;
};

// Starts the emulator with `args`, runs the command exchange (with `password`) and
// the transfer, and collects what the emulator stored and printed.
Download RunAgainstEmulator(const std::vector<std::string>& args, const std::string& password = "secret",
                            std::size_t imageSize = kImageSize) {
    Download d;
    std::filesystem::path dir = MakeTempDir("emulator");
    std::filesystem::path output = dir / "stored.bin";
    std::vector<std::string> argv = {QX_EMULATOR_PATH, "--once", "--verbose", "--password", "secret",
                                     "--output", output.string()};
    argv.insert(argv.end(), args.begin(), args.end());
    ChildProcess emulator(argv, dir / "emulator.log");
    EXPECT_TRUE(emulator.Started());
    EXPECT_TRUE(WaitForUdpPort(kLoopback, 69, 5000) && WaitForUdpPort(kLoopback, 7, 5000))
        << "the emulator did not bind its ports:\n" << emulator.Log();

    d.image = MakeTestImage(imageSize);
    PacketCapture capture;
    SkipPauseClock clock;  // the router's restart pause is not waited for
    ScopedClock scoped(clock);
    static DownloadJob job;
    job = DownloadJob{};
    TransferRunOptions options;
    options.address = kLoopback;
    options.command = true;
    options.password = password;
    d.result = RunTransfer(options, {reinterpret_cast<const std::uint8_t*>(d.image.data()), d.image.size()}, job)
                   .result;
    // A finished transfer ends the emulator (--once); one that never started does not.
    d.emulatorStatus = emulator.WaitExit(d.result == 0 ? 15000 : 200);
    if (d.emulatorStatus < 0) emulator.Terminate();
    d.packets = capture.Stop(d.dropped);
    d.log = emulator.Log();
    // In the sanitizer build the emulator must run without a report, whatever its status.
    EXPECT_EQ(d.log.find("Sanitizer"), std::string::npos) << d.log;
    EXPECT_EQ(d.log.find("runtime error"), std::string::npos) << d.log;
    d.stored = std::filesystem::exists(output);
    if (d.stored) d.storedImage = ReadFile(output);
    std::filesystem::remove_all(dir);
    return d;
}

struct FaultCase {
    const char* name;
    std::vector<std::string> args;
    std::int32_t result;  // what the download must end with
};

// Every fault the emulator injects, and what the download must make of it. Where the
// result is 0 the emulator must have stored exactly the image.
const std::vector<FaultCase> kFaultCases = {
    {"NoFault", {}, 0},
    {"RequestAckDropped", {"--drop-ack", "0"}, 0},   // write request sent again after 5 s
    {"DataAckDropped", {"--drop-ack", "700"}, 0},
    {"LastAckDropped", {"--drop-ack", "1531"}, 0},   // the emulator must re-ACK after storing
    {"ShareOfAcksDropped", {"--drop-share", "0.001", "--seed", "6"}, 0},  // two ACKs
    {"AckDuplicated", {"--duplicate-ack", "3,1000"}, 0},
    {"AckLateWithinWait", {"--late-ack", "40:1500"}, 0},
    {"AckLateAfterResend", {"--late-ack", "41:6000"}, 0},  // the old ACK arrives after the resend
    {"UnexpectedOpcodeToRequest", {"--bad-opcode", "0"}, 0},
    {"UnexpectedOpcodeToData", {"--bad-opcode", "12,1531"}, 0},
    {"StrayFromOtherPort", {"--stray", "5,1531"}, 0},
    {"StrayFromOtherAddress", {"--stray", "0,9", "--stray-address", "127.0.0.2"}, 0},
    {"ErrorToRequest", {"--error-at", "0"}, 70002},
    {"ErrorToData", {"--error-at", "800", "--error-code", "3", "--error-text", "disk full"}, 70002},
};

void PrintTo(const FaultCase& c, std::ostream* os) { *os << c.name; }

class EmulatorFaults : public ::testing::TestWithParam<FaultCase> {};

TEST_P(EmulatorFaults, DownloadEndsAsExpected) {
    const FaultCase& c = GetParam();
    Download d = RunAgainstEmulator(c.args);
    SCOPED_TRACE(d.log.size() > 4000 ? d.log.substr(d.log.size() - 4000) : d.log);
    EXPECT_EQ(d.result, c.result);
    if (c.result == 0) {
        EXPECT_EQ(d.emulatorStatus, 0);
        ASSERT_TRUE(d.stored) << "the emulator stored nothing";
        EXPECT_TRUE(d.storedImage == d.image) << "stored image differs (" << d.storedImage.size() << " bytes)";
    } else {
        EXPECT_EQ(d.emulatorStatus, 1) << "the emulator must report the failed transfer";
        EXPECT_FALSE(d.stored) << "a failed transfer must not leave an image";
    }
}

INSTANTIATE_TEST_SUITE_P(Interop, EmulatorFaults, ::testing::ValuesIn(kFaultCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Without faults the datagrams on the wire are exactly those of a lock-step write.
TEST(EmulatorWire, PacketSizesOnTheWire) {
    Download d = RunAgainstEmulator({});
    ASSERT_EQ(d.result, 0) << d.log;
    ASSERT_EQ(d.dropped, 0u) << "the capture lost packets";
    // The command: word, NUL, "secret", NUL; and its reply "OK\0" "1.01\0".
    ASSERT_GE(d.packets.size(), 2u);
    EXPECT_EQ(d.packets[0].dstPort, 7);
    EXPECT_EQ(d.packets[0].payload, 11u + 6u);
    EXPECT_EQ(d.packets[1].srcPort, 7);
    EXPECT_EQ(d.packets[1].payload, 8u);
    ExpectLockStepWrite(d.packets, kLoopback, kImageSize);
}

// Images at the block boundaries: a whole multiple of 512 ends with an empty block.
TEST(EmulatorWire, BlockBoundaries) {
    for (std::size_t size : {std::size_t{1}, std::size_t{511}, std::size_t{512}, std::size_t{25600}}) {
        SCOPED_TRACE("image of " + std::to_string(size) + " bytes");
        Download d = RunAgainstEmulator({}, "secret", size);
        ASSERT_EQ(d.result, 0) << d.log;
        EXPECT_TRUE(d.storedImage == d.image);
        ExpectLockStepWrite(d.packets, kLoopback, size);
    }
}

struct CommandCase {
    const char* name;
    std::vector<std::string> args;
    std::string password;
    std::int32_t result;
};

// The reply kinds of the command port. Only an accepted command lets the transfer run.
const std::vector<CommandCase> kCommandCases = {
    {"Accepted", {"--version", "1.01"}, "secret", 0},
    {"AcceptedBare", {"--reply", "bare"}, "secret", 0},
    {"WrongPassword", {}, "wrong", 59158},
    {"EmptyPasswordIsWrong", {}, "", 59158},
    {"Refused", {"--reply", "ng"}, "secret", 59158},
    {"NotTheModel", {"--reply", "other", "--reply-text", "OKAY"}, "secret", 59162},
    {"Silent", {"--reply", "silent"}, "secret", 59159},
};

void PrintTo(const CommandCase& c, std::ostream* os) { *os << c.name; }

class EmulatorCommand : public ::testing::TestWithParam<CommandCase> {};

TEST_P(EmulatorCommand, ReplyDecidesTheDownload) {
    const CommandCase& c = GetParam();
    Download d = RunAgainstEmulator(c.args, c.password);
    EXPECT_EQ(d.result, c.result) << d.log;
    EXPECT_EQ(d.stored, c.result == 0);
    if (c.result == 0) {
        EXPECT_TRUE(d.storedImage == d.image);
    }
    // The command datagram is sent exactly once, whatever the answer.
    std::size_t commands = 0;
    for (const CapturedPacket& p : d.packets) commands += p.dstPort == 7;
    EXPECT_EQ(commands, 1u);
}

INSTANTIATE_TEST_SUITE_P(Interop, EmulatorCommand, ::testing::ValuesIn(kCommandCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The longest password the target dialog allows travels whole: the emulator accepts
// only the exact bytes, in a 43-byte command datagram.
TEST(EmulatorCommandWire, LongestPassword) {
    const std::string password(32, 'p');
    Download d = RunAgainstEmulator({"--password", password}, password);
    EXPECT_EQ(d.result, 0) << d.log;
    ASSERT_FALSE(d.packets.empty());
    EXPECT_EQ(d.packets[0].payload, 43u);
}

}  // namespace
}  // namespace qx::interop
