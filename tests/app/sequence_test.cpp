// The start-up sequence end to end, headless: the real dialogs and resources on the
// headless screen, the virtual clock, an in-process router on the scripted network
// and a name service of the test's own. Each case is the keys a user presses and the
// message boxes that must come up, word for word, in order.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "app/downloader_app.h"
#include "app/result_codes.h"
#include "platform/sockets/resolver.h"
#include "platform/sockets/winsock.h"
#include "platform/strings/cp932.h"
#include "platform/system/resources.h"
#include "platform/testing/dialog_harness.h"
#include "platform/testing/held_resolver.h"
#include "platform/testing/scripted_network.h"
#include "res/program_resources.h"
#include "res/resource_ids.h"

namespace qx {
namespace {

constexpr Endpoint kDotted = MakeEndpoint(10, 0, 0, 5, 0);
constexpr Endpoint kNamed = MakeEndpoint(10, 0, 0, 9, 0);
constexpr std::uint16_t kTransferPort = 3001;

// ---- the router on the scripted network ----

enum class Reply { Ok, Ng, Other, Silent };
enum class Tftp { Complete, Error, WrongAck, Silent };

struct Command {
    Endpoint to;
    std::string password;
};

class Router {
public:
    std::vector<Reply> replies{Reply::Ok};  // one per command; the last one repeats
    std::string version = "1.01";
    Tftp tftp = Tftp::Complete;
    std::vector<Command> commands;
    std::string image;  // the payloads in block order
    bool finished = false;

    void operator()(const SentDatagram& sent, ScriptedNetwork& net) {
        const std::string bytes(reinterpret_cast<const char*>(sent.bytes.data()), sent.bytes.size());
        const Endpoint from{sent.to.address, sent.to.port};
        if (sent.to.port == 7) {
            const std::size_t nul = bytes.find('\0');
            commands.push_back({sent.to, nul == std::string::npos ? "" : std::string(bytes.c_str() + nul + 1)});
            const Reply r = replies[std::min(commands.size(), replies.size()) - 1];
            if (r == Reply::Ok) net.Deliver(ToBytes(std::string("OK\0", 3) + version + std::string(1, '\0')), from, 10);
            if (r == Reply::Ng) net.Deliver(ToBytes("NG\0"), from, 10);
            if (r == Reply::Other) net.Deliver(ToBytes("ERR\0"), from, 10);
            return;
        }
        const Endpoint transfer{sent.to.address, kTransferPort};
        // A write request is sent again to the port that last answered.
        if (bytes.size() >= 2 && bytes[1] == 2) {
            if (tftp == Tftp::Silent) return;
            net.Deliver(Ack(tftp == Tftp::WrongAck ? 9 : 0), transfer, 1);
            return;
        }
        if (sent.to.port != kTransferPort || bytes.size() < 4 || bytes[1] != 3) return;
        const std::uint32_t block = (static_cast<unsigned char>(bytes[2]) << 8) | static_cast<unsigned char>(bytes[3]);
        if (tftp == Tftp::Error) {
            net.Deliver(ToBytes("\0\5\0\3disk full\0"), transfer, 1);
            return;
        }
        if (block == blocks_ + 1) {
            ++blocks_;
            image.append(bytes, 4);
            if (bytes.size() < 516) finished = true;
        }
        net.Deliver(Ack(block), transfer, 1);
    }

private:
    static Bytes Ack(std::uint32_t block) { return ToBytes({0, 4, int(block >> 8) & 0xFF, int(block & 0xFF)}); }
    std::uint32_t blocks_ = 0;
};

// Counts start-ups of the socket layer; everything else goes to the scripted peer.
class CountingNetwork final : public Network {
public:
    explicit CountingNetwork(ScriptedNetwork& inner) : inner_(inner) {}
    int startups = 0;
    bool Startup() override {
        ++startups;
        return inner_.Startup();
    }
    int Socket() override { return inner_.Socket(); }
    int SendTo(int s, std::span<const std::byte> d, const Endpoint& to) override { return inner_.SendTo(s, d, to); }
    WaitResult WaitReadable(int s, std::uint64_t deadline) override { return inner_.WaitReadable(s, deadline); }
    ReceiveResult RecvFrom(int s, std::span<std::byte> b) override { return inner_.RecvFrom(s, b); }
    bool Close(int s) override { return inner_.Close(s); }

private:
    ScriptedNetwork& inner_;
};

// The program's resources, optionally without some entries.
class Resources {
public:
    explicit Resources(std::vector<std::pair<WORD, WORD>> without = {}) {
        for (const ResourceEntry& e : ProgramResources()) {
            bool drop = false;
            for (auto [type, name] : without) {
                const bool typeMatches = type == 0 ? e.type.Matches(kResourceTypeBin) : e.type.Matches(type);
                drop = drop || (typeMatches && e.name.Matches(name));
            }
            if (!drop) entries_.push_back(e);
        }
        scoped_.emplace(entries_);
    }

private:
    std::vector<ResourceEntry> entries_;
    std::optional<ScopedResourceDirectory> scoped_;
};

struct Box {
    std::string text;  // UTF-8
    UINT style;
    friend bool operator==(const Box&, const Box&) = default;
    friend std::ostream& operator<<(std::ostream& os, const Box& b) { return os << b.style << " \"" << b.text << "\""; }
};

const std::string kCancelled = "ﾀﾞｳﾝﾛｰﾄﾞは中止されました。";
const std::string kSucceeded =
    "ﾀﾞｳﾝﾛｰﾄﾞは正常に終了しました。本ｱﾌﾟﾘｹｰｼｮﾝを終了したあと、必ずQX210-NODEの電源を入れ直してください。";
std::string Confirm(const std::string& host) {
    return "\"" + host + "\"のQX210-NODEにファームウェアをﾀﾞｳﾝﾛｰﾄﾞします。よろしいですか？";
}
std::string Failed(const std::string& name, const std::string& code) {
    return "\"" + name + "\"のQX210-NODEへのﾌｧｰﾑｳｪｱのﾀﾞｳﾝﾛｰﾄﾞに失敗しました。（ｴﾗｰ番号：" + code + "）";
}
std::string Refused(const std::string& name) {
    return "\"" + name + "\"のQX210-NODEからダウンロードを拒否されました。ﾊﾟｽﾜｰﾄﾞを確認してください。";
}
std::string NotModel(const std::string& name) { return "\"" + name + "\"の機器はQX210-NODEではありません。"; }
std::string VersionQuestion(const std::string& routerVersion) {
    return "これからﾀﾞｳﾝﾛｰﾄﾞするﾌｧｰﾑｳｪｱは、現在QX210-NODEで動作しているﾌｧｰﾑｳｪｱと同じﾊﾞｰｼﾞｮﾝかそれよりも古いﾊﾞｰｼﾞｮﾝです。"
           "それでも、ﾀﾞｳﾝﾛｰﾄﾞを行いますか。\n現在のﾌｧｰﾑｳｪｱのﾊﾞｰｼﾞｮﾝ：" +
           routerVersion + "\nﾀﾞｳﾝﾛｰﾄﾞするﾌｧｰﾑｳｪｱのﾊﾞｰｼﾞｮﾝ：1.02";
}

// One run of the whole sequence.
class Session {
public:
    explicit Session(std::vector<std::pair<WORD, WORD>> without = {})
        : resources_(std::move(without)), net_(h.Clock()), counting_(net_), scopedNet_(counting_), scopedNames_(names) {
        net_.SetResponder([this](const SentDatagram& s, ScriptedNetwork& n) { router(s, n); });
        names.addresses = {htonl(kNamed.address)};  // every name is the router unless told otherwise
    }
    ~Session() {
        names.Release();
        EXPECT_TRUE(WaitForLookups(std::chrono::seconds(10)));
        if (app.m_hMutex) CloseHandle(app.m_hMutex);
    }

    DialogHarness h;
    Router router;
    HeldResolver names;
    CDownloaderApp app;

    HeadlessBackend& Keys() { return h.Input(); }
    // Splash closed with Enter, terms accepted.
    HeadlessBackend& Start() { return Keys().Press(Key::Enter).Alt('y'); }
    // The target dialog: the target box has the focus with its text selected.
    HeadlessBackend& Target(const std::string& target, const std::string& password) {
        return Keys().Type(target).Press(Key::Tab).Type(password).Press(Key::Enter);
    }

    BOOL Go() { return app.InitInstance(); }
    std::vector<Box> Boxes() const {
        std::vector<Box> out;
        for (const MessageBoxRecord& r : h.MessageBoxes()) out.push_back({Cp932ToUtf8(r.text), r.type});
        return out;
    }
    int Startups() const { return counting_.startups; }
    std::size_t Sent() const { return net_.Sent().size(); }
    ScriptedNetwork& Net() { return net_; }
    std::vector<std::string> Problems() const { return net_.Problems(); }

private:
    Resources resources_;
    ScriptedNetwork net_;
    CountingNetwork counting_;
    ScopedNetwork scopedNet_;
    ScopedResolver scopedNames_;
};

std::string FirmwareImage() {
    const auto bytes = ResourceBytes(IDR_FIRMWARE, kResourceTypeBin);
    return std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

TEST(StartupSequence, DottedAddressDownloadsTheWholeImage) {
    Session run;
    run.Start();
    run.Target("10.0.0.5", "pw").Press(Key::Enter).Press(Key::Enter);
    EXPECT_EQ(run.Go(), TRUE);
    EXPECT_EQ(run.Boxes(), (std::vector<Box>{{Confirm("10.0.0.5"), 49}, {kSucceeded, 48}}));
    ASSERT_EQ(run.router.commands.size(), 1u);
    EXPECT_EQ(run.router.commands[0].to, MakeEndpoint(10, 0, 0, 5, 7));
    EXPECT_EQ(run.router.commands[0].password, "pw");
    EXPECT_TRUE(run.router.finished);
    EXPECT_TRUE(run.router.image == FirmwareImage()) << run.router.image.size();
    EXPECT_EQ(run.app.m_job.result, DL_OK);
    EXPECT_STREQ(run.app.m_job.name, "10.0.0.5");
    EXPECT_TRUE(run.Problems().empty());
    EXPECT_EQ(run.Net().OpenSockets(), 0u);
}

// Every result code of an attempt that ends the program, with its message.
struct OutcomeCase {
    const char* what;
    std::function<void(Session&)> setup;
    std::vector<std::pair<WORD, WORD>> withoutResources;
    std::vector<Box> boxes;  // after the confirmation
};

TEST(StartupSequence, EveryOutcomeBecomesItsMessage) {
    const std::string n = "10.0.0.5";
    const OutcomeCase cases[] = {
        {"70002 ERROR packet", [](Session& r) { r.router.tftp = Tftp::Error; }, {}, {{Failed(n, "70002"), 48}}},
        {"70000 no socket", [](Session& r) { r.Net().FailSocket(true); }, {}, {{Failed(n, "70000"), 48}}},
        {"59159 silent router", [](Session& r) { r.router.replies = {Reply::Silent}; }, {},
         {{"\"10.0.0.5\"のQX210-NODEへのダウンロード中にタイムアウトしました。", 48}}},
        {"10002 wrong acknowledgements", [](Session& r) { r.router.tftp = Tftp::WrongAck; }, {},
         {{"ﾎﾟｰﾄ\"10.0.0.5\"にQX210-NODEが正しく接続されているかどうか確認してください。(10002)", 48}}},
        {"10000 no image", [](Session&) {}, {{0, IDR_FIRMWARE}}, {{"ﾀﾞｳﾝﾛｰﾄﾞに必要なﾃﾞｰﾀがありません。(10000)", 48}}},
        {"59163 version question declined",
         [](Session& r) {
             r.router.version = "1.02";
             r.Keys().Press(Key::Escape);
         },
         {},
         {{VersionQuestion("1.02"), 49},
          {"\"10.0.0.5\"のQX210-NODEはダウンロードモードになっています。電源を入れ直してください。", 48}}},
        {"0 after the version question", [](Session& r) {
             r.router.version = "2.00";
             r.Keys().Press(Key::Enter);
         },
         {}, {{VersionQuestion("2.00"), 49}, {kSucceeded, 48}}},
        // The progress dialog cannot run: no outcome was stored, so it is not success.
        {"-1 progress dialog missing", [](Session&) {}, {{RT_DIALOG, IDD_PROGRESS}}, {{Failed(n, "-1"), 48}}},
    };
    for (const OutcomeCase& c : cases) {
        SCOPED_TRACE(c.what);
        Session run(c.withoutResources);
        run.Start();
        run.Target(n, "pw").Press(Key::Enter);
        c.setup(run);
        run.Keys().Press(Key::Enter);
        EXPECT_EQ(run.Go(), TRUE);
        std::vector<Box> expected{{Confirm(n), 49}};
        expected.insert(expected.end(), c.boxes.begin(), c.boxes.end());
        EXPECT_EQ(run.Boxes(), expected);
        EXPECT_EQ(run.Net().OpenSockets(), 0u);
    }
}

// A refused password, then a device of another model, then success: the target
// dialog comes back each time with the last target; after the refusal (only) the
// password box has the focus, so typing goes straight into it.
TEST(StartupSequence, RefusalAndWrongModelLeadBackToTheTargetDialog) {
    Session run;
    run.router.replies = {Reply::Ng, Reply::Other, Reply::Ok};
    run.Start();
    run.Target("10.0.0.5", "wrong").Press(Key::Enter).Press(Key::Enter);
    run.Keys().Type("right").Press(Key::Enter).Press(Key::Enter).Press(Key::Enter);
    run.Target("10.0.0.6", "third").Press(Key::Enter).Press(Key::Enter);
    EXPECT_EQ(run.Go(), TRUE);
    EXPECT_EQ(run.Boxes(), (std::vector<Box>{{Confirm("10.0.0.5"), 49},
                                             {Refused("10.0.0.5"), 48},
                                             {Confirm("10.0.0.5"), 49},
                                             {NotModel("10.0.0.5"), 48},
                                             {Confirm("10.0.0.6"), 49},
                                             {kSucceeded, 48}}));
    ASSERT_EQ(run.router.commands.size(), 3u);
    EXPECT_EQ(run.router.commands[0].password, "wrong");
    EXPECT_EQ(run.router.commands[1].password, "right");
    EXPECT_EQ(run.router.commands[1].to, MakeEndpoint(10, 0, 0, 5, 7));
    EXPECT_EQ(run.router.commands[2].password, "third");
    EXPECT_EQ(run.router.commands[2].to, MakeEndpoint(10, 0, 0, 6, 7));
    EXPECT_EQ(run.app.m_job.passwordRejected, 0);
    EXPECT_TRUE(run.router.finished);
    // The socket layer started once for the three passes.
    EXPECT_EQ(run.Startups(), 1);
}

TEST(StartupSequence, DefaultNameIsLookedUpAndConfirmedByName) {
    Session run;
    run.Start();
    run.Keys().Press(Key::Tab).Type("pw").Press(Key::Enter).AwaitWake().Press(Key::Enter).Press(Key::Enter);
    EXPECT_EQ(run.Go(), TRUE);
    EXPECT_EQ(run.names.Asked(), std::vector<std::string>{"QX210-NODE"});
    EXPECT_EQ(run.Boxes(), (std::vector<Box>{{Confirm("QX210-NODE"), 49}, {kSucceeded, 48}}));
    ASSERT_FALSE(run.router.commands.empty());
    EXPECT_EQ(run.router.commands[0].to, MakeEndpoint(10, 0, 0, 9, 7));
    EXPECT_EQ(run.app.m_job.address, htonl(kNamed.address));
}

// A target holding a placeholder of its own is shown as typed, in the question and
// in the outcome.
TEST(StartupSequence, PlaceholdersInTheTargetAreShownLiterally) {
    Session run;
    run.router.tftp = Tftp::Error;
    run.Start();
    run.Target("a%2b%1", "pw").AwaitWake().Press(Key::Enter).Press(Key::Enter);
    EXPECT_EQ(run.Go(), TRUE);
    EXPECT_EQ(run.Boxes(), (std::vector<Box>{{Confirm("a%2b%1"), 49}, {Failed("a%2b%1", "70002"), 48}}));
}

// Texts the address parser refuses go to the lookup, 255.255.255.255 included.
TEST(StartupSequence, TextsThatAreNoAddressAreLookedUp) {
    for (const char* text : {"255.255.255.255", "router-1", "10.0.0.300"}) {
        SCOPED_TRACE(text);
        Session run;
        run.names.error = WSAHOST_NOT_FOUND;
        run.Start();
        run.Target(text, "pw").AwaitWake().Press(Key::Enter).Press(Key::Escape).Press(Key::Enter);
        EXPECT_EQ(run.Go(), FALSE);
        EXPECT_EQ(run.names.Asked(), std::vector<std::string>{text});
        EXPECT_EQ(run.Boxes(), (std::vector<Box>{{"\"" + std::string(text) + "\"のIPｱﾄﾞﾚｽがわかりません。", 48},
                                                 {kCancelled, 48}}));
        EXPECT_EQ(run.Sent(), 0u);
    }
}

// A stopped lookup names the entry, goes back, and leaves the job's password alone;
// its late completion changes nothing. The next pass can then download.
TEST(StartupSequence, StoppedLookupGoesBackWithoutTakingThePassword) {
    Session run;
    run.names.hold = true;
    run.Start();
    run.Target("router-x", "secret").Press(Key::Escape).Then([&] {
        EXPECT_STREQ(run.app.m_job.password, "");
        EXPECT_EQ(run.app.m_job.address, INADDR_NONE);
        run.names.Release();
    });
    run.Keys().Press(Key::Enter);
    run.Target("10.0.0.5", "pw").Press(Key::Enter).Press(Key::Enter);
    EXPECT_EQ(run.Go(), TRUE);
    EXPECT_EQ(run.Boxes(), (std::vector<Box>{{"\"router-x\"のIPｱﾄﾞﾚｽの検索を中止しました。", 48},
                                             {Confirm("10.0.0.5"), 49},
                                             {kSucceeded, 48}}));
    EXPECT_EQ(run.app.m_job.address, htonl(kDotted.address));
}

// A lookup dialog that cannot run found nothing: back to the target dialog, and the
// unresolved address is never written to.
TEST(StartupSequence, LookupDialogThatCannotRunIsAFailedLookup) {
    Session run({{RT_DIALOG, IDD_LOOKUP}});
    run.Start();
    run.Target("router-x", "pw").Press(Key::Enter).Press(Key::Escape).Press(Key::Enter);
    EXPECT_EQ(run.Go(), FALSE);
    EXPECT_EQ(run.Boxes(), (std::vector<Box>{{"\"router-x\"のIPｱﾄﾞﾚｽがわかりません。", 48}, {kCancelled, 48}}));
    EXPECT_EQ(run.Sent(), 0u);
}

// The early ends: each shows its one message (or none) and sends nothing.
struct EarlyEnd {
    const char* what;
    std::function<void(Session&)> script;
    std::vector<Box> boxes;
    int startups;
};

TEST(StartupSequence, EarlyEndsSendNothing) {
    const EarlyEnd cases[] = {
        {"terms declined", [](Session& r) { r.Keys().Press(Key::Enter).Alt('n').Press(Key::Enter); }, {{kCancelled, 48}},
         0},
        {"terms closed with Esc", [](Session& r) { r.Keys().Press(Key::Enter).Press(Key::Escape).Press(Key::Enter); },
         {{kCancelled, 48}}, 0},
        {"target cancelled", [](Session& r) { r.Start().Press(Key::Escape).Press(Key::Enter); }, {{kCancelled, 48}}, 1},
        {"confirmation cancelled",
         [](Session& r) {
             r.Start();
             r.Target("10.0.0.5", "pw").Press(Key::Escape).Press(Key::Enter);
         },
         {{Confirm("10.0.0.5"), 49}, {kCancelled, 48}}, 1},
        {"socket layer refused",
         [](Session& r) {
             r.Net().FailStartup(true);
             r.Start().Press(Key::Enter);
         },
         {{Failed("QX210-NODE", "70001"), 48}}, 1},
        // The terminal went away while the question was up: no box, no consent.
        {"confirmation never shown",
         [](Session& r) {
             InputEvent gone;
             gone.kind = InputEvent::Kind::Terminate;
             r.Start();
             r.Target("10.0.0.5", "pw").Event(gone).Press(Key::Enter);
         },
         {{Confirm("10.0.0.5"), 49}, {kCancelled, 48}}, 1},
    };
    for (const EarlyEnd& c : cases) {
        SCOPED_TRACE(c.what);
        Session run;
        c.script(run);
        EXPECT_EQ(run.Go(), FALSE);
        EXPECT_EQ(run.Boxes(), c.boxes);
        EXPECT_EQ(run.Startups(), c.startups);
        EXPECT_EQ(run.Sent(), 0u);
        EXPECT_EQ(run.Net().SocketsMade(), 0);
    }
}

TEST(StartupSequence, SecondInstanceEndsSilently) {
    Session run;
    HANDLE first = CreateMutexA(nullptr, FALSE, kInstanceMutexName);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(run.Go(), FALSE);
    EXPECT_TRUE(run.Boxes().empty());
    EXPECT_EQ(run.h.Input().Presents(), 0);
    EXPECT_EQ(run.Startups(), 0);
    EXPECT_EQ(run.app.m_hMutex, nullptr);
    CloseHandle(first);
}

TEST(StartupSequence, JobStartsZeroFilledWithTheDefaultNameOnly) {
    Session run;
    run.Keys().Press(Key::Enter).Then([&] {
        const DownloadJob& job = run.app.m_job;
        EXPECT_STREQ(job.name, "QX210-NODE");
        EXPECT_EQ(job.host[0], '\0');
        EXPECT_EQ(job.address, 0u);
        EXPECT_EQ(job.result, 0);
        EXPECT_EQ(job.passwordRejected, 0);
    });
    run.Keys().Alt('n').Press(Key::Enter);
    EXPECT_EQ(run.Go(), FALSE);
}

}  // namespace
}  // namespace qx
