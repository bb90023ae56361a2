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

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

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
#if defined(__SANITIZE_ADDRESS__)
    // glibc keeps the search list it builds from LOCPATH for good.
    __lsan::ScopedDisabler glibcKeepsThePathList;
#endif
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
    for (const char* name : {extra, "de_DE.UTF-8", "fr_FR.UTF-8", "ru_RU.UTF-8", "es_ES.UTF-8"}) {
        if (name == nullptr || *name == '\0') continue;
        const locale_t locale = newlocale(LC_ALL_MASK, name, static_cast<locale_t>(0));
        if (locale == static_cast<locale_t>(0)) continue;
        if (std::strcmp(nl_langinfo_l(RADIXCHAR, locale), ",") == 0) return locale;
        freelocale(locale);
    }
    return static_cast<locale_t>(0);
}

TEST(FloatText, ACommaDecimalLocaleChangesNothing) {
    const locale_t comma = comma_locale();
    if (comma == static_cast<locale_t>(0)) {
        GTEST_SKIP() << "no comma-decimal locale is installed; install one (de_DE, fr_FR, ...) "
                        "or name it in OCSM_TEST_COMMA_LOCALE to run this test";
    }
    // uselocale affects only the calling thread: the locale lives and ends with the worker.
    std::thread worker([comma] {
        uselocale(comma);
        // The locale is in force: the locale-following conversion stops at the full stop.
        ASSERT_EQ(59.0L, std::strtold("59.94", nullptr));
        EXPECT_EQ(bits(59.94f), bits(gain_of("\"59.94\"")));
        EXPECT_EQ(bits(1.0f), bits(gain_of("\"1,5\"")));
        EXPECT_EQ(bits(59.94f), bits(gain_of("59.94")));
        // Where the full stop groups thousands, a grouping conversion would read 1234.
        s_Header h;
        s_RGB rgb;
        std::string error;
        ASSERT_TRUE(LCD::ProtoModel::decode(std::string("{\"R\":\"1.234\"}"), rgb, error));
        EXPECT_EQ(1, rgb.R);
        ASSERT_TRUE(LCD::ProtoModel::decode(std::string("{\"CommandCode\":\"1.234\"}"), h, error));
        EXPECT_EQ(1u, h.CommandCode);
        h.gain = 0.5f;
        std::string encoded;
        LCD::ProtoModel::encode(encoded, h);
        EXPECT_EQ(encoded, "{\"gain\":0.5,\"ErrorCode\":0,\"CommandCode\":1}");
    });
    worker.join();
    freelocale(comma);
}

}  // namespace
