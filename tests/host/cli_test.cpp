#include "tvkhost/cli.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

using tvkhost::parseCommandLine;
using tvkhost::UsageError;

TEST(CliNumbers, IdentifiersInt32AndHexBytes) {
    EXPECT_EQ(tvkhost::parseMessageId("0xFC050201"), -66780671);
    EXPECT_EQ(tvkhost::parseMessageId("0xfc050201"), -66780671);
    EXPECT_EQ(tvkhost::parseMessageId("463111"), 463111);
    EXPECT_EQ(tvkhost::parseMessageId("-65536"), static_cast<int>(0xFFFF0000u));
    EXPECT_EQ(tvkhost::parseMessageId("4294967295"), -1);
    for (const char* bad : {"", "0x", "0x1FFFFFFFF", "4294967296", "12abc", "-0x80000001", "1 "}) {
        EXPECT_THROW(tvkhost::parseMessageId(bad), UsageError) << bad;
    }
    EXPECT_EQ(tvkhost::parseInt32("-2147483648", "screen"), INT32_MIN);
    EXPECT_EQ(tvkhost::parseInt32("0x7FFFFFFF", "screen"), INT32_MAX);
    EXPECT_THROW(tvkhost::parseInt32("2147483648", "screen"), UsageError);
    try {
        tvkhost::parseInt32("x1", "screen id");
        FAIL();
    } catch (const UsageError& error) {
        EXPECT_EQ(std::string(error.what()), "bad screen id 'x1' (a 32-bit integer)");
    }
    EXPECT_EQ(tvkhost::parseHexBytes({"0100", "00:00", "ff-0A"}),
              (std::vector<unsigned char>{1, 0, 0, 0, 0xFF, 0x0A}));
    EXPECT_TRUE(tvkhost::parseHexBytes({}).empty());
    EXPECT_THROW(tvkhost::parseHexBytes({"123"}), UsageError);
    EXPECT_THROW(tvkhost::parseHexBytes({"zz"}), UsageError);
}

TEST(CliParsing, CommandsKeepTheirOrderAndArguments) {
    const auto invocation = parseCommandLine({"--json", "send-command", "0xFC050201", "post-event",
                                              "1", "0102", "03", "info", "--plugin", "/x.so"});
    EXPECT_TRUE(invocation.options.json);
    EXPECT_EQ(invocation.options.plugin, "/x.so");
    ASSERT_EQ(invocation.steps.size(), 3u);
    EXPECT_STREQ(invocation.steps[0].command->name, "send-command");
    EXPECT_STREQ(invocation.steps[1].command->name, "post-event");
    EXPECT_STREQ(invocation.steps[2].command->name, "info");

    // No command means info, with the plugin beside the executable.
    const auto defaults = parseCommandLine({});
    ASSERT_EQ(defaults.steps.size(), 1u);
    EXPECT_STREQ(defaults.steps[0].command->name, "info");
    const std::string suffix = "/lib/liboutputcolorspacemodel.so";
    ASSERT_GE(defaults.options.plugin.size(), suffix.size());
    EXPECT_EQ(defaults.options.plugin.substr(defaults.options.plugin.size() - suffix.size()),
              suffix);
}

TEST(CliParsing, BadCommandLinesAreUsageErrors) {
    EXPECT_THROW(parseCommandLine({"frobnicate"}), UsageError);
    EXPECT_THROW(parseCommandLine({"send-event"}), UsageError);
    EXPECT_THROW(parseCommandLine({"info", "extra"}), UsageError);
    EXPECT_THROW(parseCommandLine({"send-event", "0xZZ"}), UsageError);
    EXPECT_THROW(parseCommandLine({"--plugin"}), UsageError);
    EXPECT_THROW(parseCommandLine({"--verbose"}), UsageError);
    EXPECT_THROW(parseCommandLine({"--wait-ms", "-1"}), UsageError);
    // A negative identifier is an argument, not an option.
    EXPECT_NO_THROW(parseCommandLine({"send-event", "-65535"}));
}

struct CliOutcome {
    int status;
    std::string out;
    std::string err;
};

CliOutcome run(const std::vector<std::string>& arguments) {
    std::ostringstream out;
    std::ostringstream err;
    const int status = tvkhost::runCli(arguments, out, err);
    return {status, out.str(), err.str()};
}

TEST(CliRun, ExitCodesAndMessages) {
    const CliOutcome help = run({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("send-command ID [HEXBYTES...]"), std::string::npos);

    const CliOutcome unknown = run({"bogus"});
    EXPECT_EQ(unknown.status, 2);
    EXPECT_EQ(unknown.err, "tvkhost: unknown command 'bogus' (try --help)\n");
    EXPECT_TRUE(unknown.out.empty());

    const CliOutcome missing = run({"--plugin", "/nonexistent/lib.so", "info"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, "tvkhost: plugin not found: /nonexistent/lib.so\n");
}

}  // namespace
