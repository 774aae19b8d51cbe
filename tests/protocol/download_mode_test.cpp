#include "protocol/download_mode.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/result_codes.h"
#include "platform/system/clock.h"
#include "platform/system/resources.h"
#include "tests/protocol/tftp_test_support.h"
#include "platform/windows/backend.h"
#include "platform/windows/message_box.h"

namespace qx {
namespace {

using namespace testing_support;

constexpr Endpoint kCommand = MakeEndpoint(192, 168, 0, 1, 7);

// A small string table: the image's version and a short question with both
// placeholders, so the formatted question shows exactly what was filled in.
const char kImageVersion[] = "1.02";
const char kQuestion[] = "router %1 / image %2";
const ResourceEntry kStrings[] = {
    {RT_STRING, static_cast<WORD>(IDS_FIRMWARE_VERSION), reinterpret_cast<const std::byte*>(kImageVersion),
     sizeof kImageVersion - 1},
    {RT_STRING, static_cast<WORD>(IDS_VERSION_NOT_NEWER), reinterpret_cast<const std::byte*>(kQuestion),
     sizeof kQuestion - 1},
};

enum class Answer { None, Ok, Cancel };

// A screen that answers message boxes: Enter presses the focused OK, Esc gives
// Cancel. After the scripted keys it keeps pressing Esc, so a box always closes.
class AnsweringBackend final : public Backend {
public:
    explicit AnsweringBackend(std::vector<Key> keys) : keys_(std::move(keys)) {}
    int Columns() const override { return 100; }
    int Rows() const override { return 30; }
    void Present(const ScreenBuffer&, Cursor) override {}
    InputEvent Wait(std::optional<std::uint64_t>) override {
        InputEvent event;
        event.kind = InputEvent::Kind::Key;
        event.key.key = next_ < keys_.size() ? keys_[next_++] : Key::Escape;
        return event;
    }
    void Wake() override {}
    void Beep() override {}

private:
    std::vector<Key> keys_;
    std::size_t next_ = 0;
};

// Answers every question with `answer` and records what was asked.
class QuestionRecorder {
public:
    explicit QuestionRecorder(Answer answer)
        : backend_({answer == Answer::Ok ? Key::Enter : Key::Escape}), scoped_(backend_) {
        SetMessageBoxObserver([this](const MessageBoxRecord& record) { asked_.push_back(record); });
    }
    ~QuestionRecorder() { SetMessageBoxObserver({}); }
    const std::vector<MessageBoxRecord>& Asked() const { return asked_; }

private:
    AnsweringBackend backend_;
    ScopedBackend scoped_;
    std::vector<MessageBoxRecord> asked_;
};

Bytes Command(const std::string& password) {
    Bytes out = ToBytes("launch472");
    out.push_back(std::byte{0});
    for (char c : password) out.push_back(static_cast<std::byte>(c));
    out.push_back(std::byte{0});
    return out;
}

class DownloadModeTest : public ::testing::Test {
protected:
    VirtualClock clock_;
    ScopedClock scoped_clock_{clock_};
    ScopedResourceDirectory strings_{kStrings};
    DownloadJob job_{};
    sockaddr_in peer_{};

    void SetUp() override {
        std::strcpy(job_.password, "secret");
        job_.result = -1;
        peer_.sin_family = AF_INET;
        peer_.sin_addr.s_addr = htonl(kCommand.address);
        peer_.sin_port = htons(69);  // anything: the exchange sets port 7
    }
    bool Run(ScriptedNetwork& network) {
        ScopedNetwork scoped(network);
        const SOCKET sock = socket(AF_INET, SOCK_DGRAM, 0);
        const bool go_on = RequestDownloadMode(job_, sock, peer_);
        closesocket(sock);
        return go_on;
    }
};

struct ReplyCase {
    const char* name;
    std::vector<ScriptRow> replies;  // after the command goes out at time 0
    Answer answer;                   // to the question, if one is expected
    const char* question;            // the question's text, or nullptr for none
    bool go_on;
    std::int32_t result;             // -1: untouched
    std::uint64_t end_ms;            // shows whether the 5-second pause was taken
    Endpoint peer_after;
};

TEST_F(DownloadModeTest, JudgesTheReply) {
    const Endpoint router_other_port = MakeEndpoint(192, 168, 0, 1, 4000);
    const ReplyCase cases[] = {
        {"bare OK: no question, pause", {InAfter(10, ToBytes("OK"), kCommand)}, Answer::None, nullptr, true, -1, 5010, kCommand},
        {"OK and NUL only", {InAfter(10, ToBytes("OK\0"), kCommand)}, Answer::None, nullptr, true, -1, 5010, kCommand},
        {"older router firmware", {InAfter(10, ToBytes("OK\0" "1.01"), kCommand)}, Answer::None, nullptr, true, -1, 5010, kCommand},
        {"same version, OK", {InAfter(10, ToBytes("OK\0" "1.02"), kCommand)}, Answer::Ok, "router 1.02 / image 1.02", true, -1, 5010, kCommand},
        {"same version, Cancel: no pause", {InAfter(10, ToBytes("OK\0" "1.02"), kCommand)}, Answer::Cancel, "router 1.02 / image 1.02", false, IDS_IN_DOWNLOAD_MODE, 10, kCommand},
        {"lowercase suffix ranks below none", {InAfter(10, ToBytes("OK\0" "1.02a"), kCommand)}, Answer::None, nullptr, true, -1, 5010, kCommand},
        {"newer router firmware shown normalised", {InAfter(10, ToBytes("OK\0" "1.02B3x"), kCommand)}, Answer::Ok, "router 1.02B3 / image 1.02", true, -1, 5010, kCommand},
        {"NG whatever follows", {In(ToBytes("NG\0" "1.01"), kCommand)}, Answer::None, nullptr, false, IDS_DL_REFUSED, 0, kCommand},
        {"NGX", {In(ToBytes("NGX"), kCommand)}, Answer::None, nullptr, false, IDS_NOT_TARGET_MODEL, 0, kCommand},
        {"lowercase ok", {In(ToBytes("ok\0" "1.01"), kCommand)}, Answer::None, nullptr, false, IDS_NOT_TARGET_MODEL, 0, kCommand},
        {"OKAY", {In(ToBytes("OKAY"), kCommand)}, Answer::None, nullptr, false, IDS_NOT_TARGET_MODEL, 0, kCommand},
        {"empty status", {In(ToBytes("\0OK"), kCommand)}, Answer::None, nullptr, false, IDS_NOT_TARGET_MODEL, 0, kCommand},
        {"empty datagram", {In(Bytes{}, kCommand)}, Answer::None, nullptr, false, IDS_NOT_TARGET_MODEL, 0, kCommand},
        {"failed receive", {InFailure(20)}, Answer::None, nullptr, false, IDS_NOT_TARGET_MODEL, 20, kCommand},
        {"no reply", {}, Answer::None, nullptr, false, IDS_DL_TIMEOUT, 5000, kCommand},
        {"reply from another port of the router is taken",
         {InAfter(10, ToBytes("OK\0" "1.01"), router_other_port)}, Answer::None, nullptr, true, -1, 5010, router_other_port},
        {"another host's NG is ignored; the router's OK counts",
         {InAfter(1000, ToBytes("NG"), kOtherHost), InAfter(3000, ToBytes("OK\0" "1.01"), kCommand)},
         Answer::None, nullptr, true, -1, 8000, kCommand},
        {"another host's OK is ignored; the deadline is kept",
         {InAfter(4000, ToBytes("OK"), kOtherHost)}, Answer::None, nullptr, false, IDS_DL_TIMEOUT, 5000, kCommand},
    };
    for (const ReplyCase& c : cases) {
        SCOPED_TRACE(c.name);
        VirtualClock fresh;
        ScopedClock scoped(fresh);
        std::vector<ScriptRow> rows{OutAt(0, Command("secret"), kCommand)};
        rows.insert(rows.end(), c.replies.begin(), c.replies.end());
        ScriptedNetwork network(fresh, rows);
        SetUp();
        QuestionRecorder questions(c.answer);
        EXPECT_EQ(Run(network), c.go_on);
        EXPECT_EQ(job_.result, c.result);
        EXPECT_EQ(fresh.NowMs(), c.end_ms);
        EXPECT_EQ(ToString(ToEndpoint(peer_)), ToString(c.peer_after));
        if (c.question == nullptr) {
            EXPECT_TRUE(questions.Asked().empty());
        } else if (questions.Asked().size() == 1) {
            EXPECT_EQ(questions.Asked()[0].text, c.question);
            EXPECT_EQ(questions.Asked()[0].type, 49u);  // exclamation, OK and Cancel
            EXPECT_EQ(questions.Asked()[0].result, c.answer == Answer::Ok ? IDOK : IDCANCEL);
        } else {
            ADD_FAILURE() << questions.Asked().size() << " questions asked";
        }
        for (const std::string& problem : network.Problems()) ADD_FAILURE() << problem;
    }
}

// A question that cannot be shown (no screen to show it on) is no consent: the
// exchange ends as declined, without the pause.
TEST_F(DownloadModeTest, QuestionThatCannotBeShownIsNoConsent) {
    ASSERT_EQ(CurrentBackend(), nullptr);
    ScriptedNetwork network(clock_, {OutAt(0, Command("secret"), kCommand),
                                     InAfter(10, ToBytes("OK\0" "1.02"), kCommand)});
    EXPECT_FALSE(Run(network));
    EXPECT_EQ(job_.result, IDS_IN_DOWNLOAD_MODE);
    EXPECT_EQ(clock_.NowMs(), 10u);
    for (const std::string& problem : network.Problems()) ADD_FAILURE() << problem;
}

// A reply that fills all 256 bytes leaves a version text without a terminator; it is
// still read and shown only up to the end of the reply.
TEST_F(DownloadModeTest, UnterminatedVersionTextStaysInsideTheReply) {
    std::string reply = std::string("OK", 2) + '\0' + "V" + std::string(300, 'x');  // longer than 256: cut
    ScriptedNetwork network(clock_, {OutAny(kCommand), In(ToBytes(reply), kCommand)});
    QuestionRecorder questions(Answer::Cancel);
    EXPECT_FALSE(Run(network));
    EXPECT_EQ(job_.result, IDS_IN_DOWNLOAD_MODE);
    ASSERT_EQ(questions.Asked().size(), 1u);
    EXPECT_EQ(questions.Asked()[0].text, "router V" + std::string(252, 'x') + " / image 1.02");
}

TEST_F(DownloadModeTest, CommandDatagramSizes) {
    struct Case {
        std::string password;
        std::size_t size;
    };
    const Case cases[] = {{"", 11}, {"secret", 17}, {std::string(32, 'p'), 43}, {"\x83\x70\x83\x58", 15}};
    for (const Case& c : cases) {
        std::strcpy(job_.password, c.password.c_str());
        ScriptedNetwork network(clock_, {Out(Command(c.password), kCommand)});
        EXPECT_FALSE(Run(network));  // no reply
        ASSERT_EQ(network.Sent().size(), 1u);  // sent once, never repeated
        EXPECT_EQ(network.Sent()[0].bytes.size(), c.size);
        for (const std::string& problem : network.Problems()) ADD_FAILURE() << problem;
    }
    // A password field without a terminator is sent whole and never read past.
    std::memset(job_.password, 'a', sizeof job_.password);
    ScriptedNetwork network(clock_, {Out(Command(std::string(sizeof job_.password, 'a')), kCommand)});
    Run(network);
    for (const std::string& problem : network.Problems()) ADD_FAILURE() << problem;
}

TEST(JudgeModeReply, AnyBytesAnySender) {
    sockaddr_in router = ToSockaddr(kCommand);
    struct Case {
        Bytes datagram;
        Endpoint sender;
        ModeReply verdict;
    };
    const Case cases[] = {
        {ToBytes("OK"), kCommand, ModeReply::Accepted},
        {ToBytes("OK\0" "1.02"), MakeEndpoint(192, 168, 0, 1, 9), ModeReply::Accepted},
        {ToBytes("OK"), kOtherHost, ModeReply::Stray},
        {ToBytes("NG\0zz"), kCommand, ModeReply::Refused},
        {ToBytes("N"), kCommand, ModeReply::NotTargetModel},
        {Bytes{}, kCommand, ModeReply::NotTargetModel},
        {Bytes(1000, std::byte{'O'}), kCommand, ModeReply::NotTargetModel},
    };
    for (const Case& c : cases)
        EXPECT_EQ(JudgeModeReply(c.datagram, ToSockaddr(c.sender), router), c.verdict) << HexDump(c.datagram);
}

}  // namespace
}  // namespace qx
