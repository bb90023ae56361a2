// Text conversions do not follow the locale: the host's Qt application may set LC_NUMERIC from
// the environment, and a comma-decimal locale must not change what a decode gives.
#include <gtest/gtest.h>

#include <langinfo.h>
#include <locale.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <string>
#include <thread>

#include "json/lcdjson.h"
#include "test_records.h"

namespace {

using jsontest::s_Header;
using jsontest::s_RGB;

// The float member's value for a JSON value text, or NaN with a failure when it does not decode.
float gain_of(const std::string& value) {
    s_Header h;
    std::string error;
    if (!LCD::ProtoModel::decode("{\"gain\":" + value + "}", h, error)) {
        ADD_FAILURE() << value << ": " << error;
        return std::numeric_limits<float>::quiet_NaN();
    }
    return h.gain;
}

uint32_t bits(float value) {
    uint32_t out;
    std::memcpy(&out, &value, sizeof out);
    return out;
}

// Quoted text and words take strtold's full syntax as the "C" locale has it.
TEST(FloatText, ReadAsStrtoldInTheCLocale) {
    struct Case {
        const char* value;
        float expected;
    };
    const float inf = std::numeric_limits<float>::infinity();
    for (const Case& c :
         {Case{"\"59.94\"", 59.94f}, Case{"\" \t2.5\"", 2.5f},  // leading blanks
          Case{"\"1,5\"", 1.0f},                                // a comma ends the number
          Case{"\"0x1p-3\"", 0.125f}, Case{"\"3.4028235e38\"", std::numeric_limits<float>::max()},
          Case{"\"-0\"", -0.0f}, Case{"\"1e-50\"", 0.0f}, Case{"\"1e4000\"", inf},
          Case{"\"-Infinity\"", -inf}, Case{"inf", inf}, Case{".5", 0.5f}, Case{"\"\"", 0.0f}}) {
        EXPECT_EQ(bits(c.expected), bits(gain_of(c.value))) << c.value;
    }
    EXPECT_TRUE(std::isnan(gain_of("nan")));
}

// The de_DE.UTF-8 locale the build compiled into its own tree, or null.
locale_t built_comma_locale() {
    if (*OCSM_TEST_LOCALE_DIR == '\0') return static_cast<locale_t>(0);
    // glibc looks for locales in LOCPATH, and takes no path as a locale name.
    setenv("LOCPATH", OCSM_TEST_LOCALE_DIR, 1);
    const locale_t locale = newlocale(LC_ALL_MASK, "de_DE.UTF-8", static_cast<locale_t>(0));
    unsetenv("LOCPATH");
    return locale;
}

// A comma-decimal locale, or null: the one the build compiled, one OCSM_TEST_COMMA_LOCALE
// names, or one of the common ones installed on this machine.
locale_t comma_locale() {
    const locale_t built = built_comma_locale();
    if (built != static_cast<locale_t>(0)) {
        if (std::strcmp(nl_langinfo_l(RADIXCHAR, built), ",") == 0) return built;
        freelocale(built);
    }
    const char* extra = std::getenv("OCSM_TEST_COMMA_LOCALE");
    for (const char* name :
         {extra, "de_DE.UTF-8", "de_DE", "de_DE@euro", "fr_FR.UTF-8", "fr_FR", "ru_RU.UTF-8",
          "it_IT.UTF-8", "es_ES.UTF-8", "nl_NL.UTF-8", "pt_BR.UTF-8", "pl_PL.UTF-8"}) {
        if (name == nullptr || *name == '\0') continue;
        const locale_t locale = newlocale(LC_ALL_MASK, name, static_cast<locale_t>(0));
        if (locale == static_cast<locale_t>(0)) continue;
        if (std::strcmp(nl_langinfo_l(RADIXCHAR, locale), ",") == 0) return locale;
        freelocale(locale);
    }
    return static_cast<locale_t>(0);
}

// What a thread in the comma locale sees; filled by that thread, checked by the test's own.
struct Seen {
    long double plain_strtold = 0;
    float quoted = 0;
    float comma_quoted = 0;
    float number = 0;
    int32_t grouped_int = 0;
    uint32_t grouped_unsigned = 0;
    std::string encoded;
    std::string error;
};

TEST(FloatText, ACommaDecimalLocaleChangesNothing) {
    const locale_t comma = comma_locale();
    if (comma == static_cast<locale_t>(0)) {
        GTEST_SKIP() << "no comma-decimal locale is installed (locale -a lists none of de_DE, "
                        "fr_FR, ru_RU, it_IT, es_ES, nl_NL, pt_BR, pl_PL); install one or name "
                        "it in OCSM_TEST_COMMA_LOCALE to run this test";
    }
    Seen seen;
    // uselocale affects only the calling thread: the locale lives and ends with the worker.
    std::thread worker([&seen, comma] {
        uselocale(comma);
        seen.plain_strtold = std::strtold("59.94", nullptr);
        s_Header h;
        s_RGB rgb;
        std::string& error = seen.error;
        if (!LCD::ProtoModel::decode(std::string("{\"gain\":\"59.94\"}"), h, error)) return;
        seen.quoted = h.gain;
        if (!LCD::ProtoModel::decode(std::string("{\"gain\":\"1,5\"}"), h, error)) return;
        seen.comma_quoted = h.gain;
        if (!LCD::ProtoModel::decode(std::string("{\"gain\":59.94}"), h, error)) return;
        seen.number = h.gain;
        // Where the full stop groups thousands, a grouping conversion would read 1234.
        if (!LCD::ProtoModel::decode(std::string("{\"R\":\"1.234\"}"), rgb, error)) return;
        seen.grouped_int = rgb.R;
        if (!LCD::ProtoModel::decode(std::string("{\"CommandCode\":\"1.234\"}"), h, error)) {
            return;
        }
        seen.grouped_unsigned = h.CommandCode;
        h.gain = 0.5f;
        LCD::ProtoModel::encode(seen.encoded, h);
    });
    worker.join();
    freelocale(comma);

    ASSERT_EQ(seen.error, "");
    // The locale is in force: the locale-following conversion stops at the full stop.
    ASSERT_EQ(59.0L, seen.plain_strtold);
    EXPECT_EQ(59.94f, seen.quoted);
    EXPECT_EQ(1.0f, seen.comma_quoted);
    EXPECT_EQ(59.94f, seen.number);
    EXPECT_EQ(1, seen.grouped_int);
    EXPECT_EQ(1u, seen.grouped_unsigned);
    EXPECT_EQ(seen.encoded, "{\"gain\":0.5,\"ErrorCode\":0,\"CommandCode\":1}");
}

}  // namespace
