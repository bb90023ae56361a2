// The command line and the strict numbers it and the URL keys accept.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "controller/simoptions.h"
#include "controller/textnumbers.h"

namespace ControllerSimTest {
namespace {

using namespace ControllerSim;

TEST(SimOptionsTest, DefaultsAndEveryFlagInBothForms) {
    SimOptions options;
    std::string error;
    ASSERT_TRUE(parseOptions({}, options, error));
    EXPECT_EQ(options.port, 8080);
    EXPECT_EQ(options.token, "");
    EXPECT_FALSE(options.quiet);

    ASSERT_TRUE(parseOptions(
        {"--port", "0", "--token", "abc def", "--fixture", "f.json", "--quiet"}, options, error))
        << error;
    EXPECT_EQ(options.port, 0);
    EXPECT_EQ(options.token, "abc def");
    EXPECT_EQ(options.fixture, "f.json");
    EXPECT_TRUE(options.quiet);

    SimOptions joined;
    ASSERT_TRUE(
        parseOptions({"--port=65535", "--token=", "--fixture=x=y.json", "--help"}, joined, error))
        << error;
    EXPECT_EQ(joined.port, 65535);
    EXPECT_EQ(joined.token, "");
    EXPECT_EQ(joined.fixture, "x=y.json");
    EXPECT_TRUE(joined.help);
}

TEST(SimOptionsTest, BadArgumentsAreRefusedWithTheReason) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"--prot", "1"}, "unknown option \"--prot\""},
        {{"8080"}, "unknown option \"8080\""},
        {{"--port"}, "--port needs a value"},
        {{"--port", "65536"}, "65536"},
        {{"--port", "-1"}, "-1"},
        {{"--port", "80x"}, "80x"},
        {{"--fixture="}, "--fixture needs a file name"},
        {{"--quiet=yes"}, "--quiet takes no value"},
    };
    for (const auto& c : cases) {
        SimOptions options;
        std::string error;
        EXPECT_FALSE(parseOptions(c.first, options, error)) << c.second;
        EXPECT_THAT(error, ::testing::HasSubstr(c.second));
    }
}

TEST(TextNumbersTest, OnlyPlainDecimalsInRange) {
    int64_t value = 99;
    EXPECT_TRUE(parseDecimal("-2147483648", INT32_MIN, INT32_MAX, value));
    EXPECT_EQ(value, INT32_MIN);
    EXPECT_TRUE(parseDecimal("007", 0, 10, value));
    EXPECT_EQ(value, 7);
    EXPECT_TRUE(parseDecimal("-9223372036854775808", INT64_MIN, INT64_MAX, value));
    EXPECT_EQ(value, INT64_MIN);
    EXPECT_TRUE(parseDecimal("9223372036854775807", 0, INT64_MAX, value));
    EXPECT_EQ(value, INT64_MAX);

    value = 99;
    for (const char* text : {"", "-", "+1", " 1", "1 ", "1.0", "0x1", "2147483648",
                             "9223372036854775808", "99999999999999999999999"}) {
        EXPECT_FALSE(parseDecimal(text, INT32_MIN, INT32_MAX, value)) << text;
    }
    EXPECT_FALSE(parseDecimal("-1", 0, 10, value));
    EXPECT_EQ(value, 99);  // untouched on failure
}

}  // namespace
}  // namespace ControllerSimTest
