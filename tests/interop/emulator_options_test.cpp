// The emulator's command line: every malformed option is refused with a message that
// names it, and the accepted forms set what they say.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/emulator/emulator_options.h"

namespace qx::emulator {
namespace {

struct Case {
    std::vector<std::string> args;
    const char* error;  // a part of the message; nullptr: accepted
};

TEST(EmulatorOptions, RefusesMalformedInput) {
    const Case cases[] = {
        {{}, nullptr},
        {{"--tftp-port=1069", "--command-port", "1007"}, nullptr},
        {{"--tftp-port", "0"}, "--tftp-port"},
        {{"--command-port", "65536"}, "--command-port"},
        {{"--tftp-port", "69x"}, "--tftp-port"},
        {{"--password"}, "--password"},
        {{"--reply", "maybe"}, "unknown kind"},
        {{"--address", "300.1.1.1"}, "--address"},
        {{"--stray-address", "localhost"}, "--stray-address"},
        {{"--drop-ack", "1,x"}, "--drop-ack"},
        {{"--drop-ack", "65536"}, "--drop-ack"},
        {{"--drop-ack", "3,"}, "--drop-ack"},
        {{"--drop-share", "1.5"}, "--drop-share"},
        {{"--drop-share", "nan"}, "--drop-share"},
        {{"--late-ack", "7:"}, "--late-ack"},
        {{"--late-ack", "7:600001"}, "--late-ack"},
        {{"--timeout", "0"}, "--timeout"},
        {{"--once=yes"}, "takes no value"},
        {{"--reply-text", std::string(255, 'x')}, "--reply-text"},
        {{"--frobnicate"}, "unknown option"},
    };
    for (const Case& c : cases) {
        std::string shown;
        for (const auto& a : c.args) shown += a.substr(0, 20) + " ";
        SCOPED_TRACE(shown);
        ParseResult r = ParseEmulatorOptions(c.args);
        if (c.error) {
            EXPECT_FALSE(r.options.has_value());
            EXPECT_NE(r.error.find(c.error), std::string::npos) << r.error;
        } else {
            EXPECT_TRUE(r.options.has_value()) << r.error;
        }
    }
}

TEST(EmulatorOptions, AcceptedFormsSetTheirValues) {
    ParseResult r = ParseEmulatorOptions({"--drop-ack", "1,5", "--drop-ack=9", "--late-ack", "7", "--late-ack",
                                          "8:250", "--reply", "bare", "--error-at", "0", "--seed", "42"});
    ASSERT_TRUE(r.options) << r.error;
    EXPECT_EQ(r.options->dropAck, (std::set<std::uint32_t>{1, 5, 9}));
    EXPECT_EQ(r.options->lateAckMs.at(7), 6000u);  // late enough that the client resends
    EXPECT_EQ(r.options->lateAckMs.at(8), 250u);
    EXPECT_EQ(r.options->reply, ReplyKind::Bare);
    EXPECT_EQ(r.options->errorAt, 0u);
    EXPECT_EQ(r.options->seed, 42u);
    EXPECT_EQ(r.options->commandPort, 7);
    EXPECT_EQ(r.options->tftpPort, 69);
    EXPECT_TRUE(ParseEmulatorOptions({"--verbose", "--help"}).help);
}

}  // namespace
}  // namespace qx::emulator
