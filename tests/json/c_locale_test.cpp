// Text conversions do not follow the locale: the host's Qt application may set LC_NUMERIC from
// the environment, and a comma-decimal locale must not change what a decode gives.
#include <gtest/gtest.h>

#include <langinfo.h>
#include <locale.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <thread>

#include "protomodel/protomodel.h"
#include "testsupport.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

namespace {

using LCD::AutoReport::AutoReportTLVDataMessage;
using LCD::ProtoModel::s_RGB;
using LCD::ProtoModel::s_Sdr;
using ocsm_test::decodeOrFail;

// The float member's value for a JSON value text, as its bits.
uint32_t gamma_bits(const std::string& value) {
    const float gamma = decodeOrFail<s_Sdr>("{\"gamma\":" + value + "}").gamma;
    uint32_t bits;
    std::memcpy(&bits, &gamma, sizeof bits);
    return bits;
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
        EXPECT_EQ(bits(c.expected), gamma_bits(c.value)) << c.value;
    }
    EXPECT_TRUE(std::isnan(decodeOrFail<s_Sdr>(R"({"gamma":nan})").gamma));
}

// The de_DE.UTF-8 locale the build compiled into its own tree, or null.
locale_t comma_locale() {
    if (*OCSM_TEST_LOCALE_DIR == '\0') return static_cast<locale_t>(0);
#if defined(__SANITIZE_ADDRESS__)
    // glibc keeps the search list it builds from LOCPATH for good.
    __lsan::ScopedDisabler glibcKeepsThePathList;
#endif
    // glibc looks for locales in LOCPATH, and takes no path as a locale name.
    setenv("LOCPATH", OCSM_TEST_LOCALE_DIR, 1);
    const locale_t locale = newlocale(LC_ALL_MASK, "de_DE.UTF-8", static_cast<locale_t>(0));
    unsetenv("LOCPATH");
    if (locale != static_cast<locale_t>(0) && std::strcmp(nl_langinfo_l(RADIXCHAR, locale), ",")) {
        freelocale(locale);
        return static_cast<locale_t>(0);
    }
    return locale;
}

TEST(FloatText, ACommaDecimalLocaleChangesNothing) {
    const locale_t comma = comma_locale();
    if (comma == static_cast<locale_t>(0))
        GTEST_SKIP() << "the build compiled no comma-decimal locale (localedef and the locales "
                        "package's de_DE source are needed)";
    // uselocale affects only the calling thread: the locale lives and ends with the worker.
    std::thread worker([comma] {
        uselocale(comma);
        // The locale is in force: the locale-following conversion stops at the full stop.
        ASSERT_EQ(59.0L, std::strtold("59.94", nullptr));
        EXPECT_EQ(bits(59.94f), gamma_bits("\"59.94\""));
        EXPECT_EQ(bits(1.0f), gamma_bits("\"1,5\""));
        EXPECT_EQ(bits(59.94f), gamma_bits("59.94"));
        // Where the full stop groups thousands, a grouping conversion would read 1234.
        EXPECT_EQ(1, decodeOrFail<s_RGB>(R"({"R":"1.234"})").R);
        EXPECT_EQ(1u,
                  decodeOrFail<AutoReportTLVDataMessage>(R"({"CommandCode":"1.234"})").CommandCode);
        s_Sdr sdr;
        sdr.gamma = 0.5f;
        std::string encoded;
        LCD::ProtoModel::encode(encoded, sdr);
        EXPECT_EQ(encoded, R"({"gamma":0.5})");
    });
    worker.join();
    freelocale(comma);
}

}  // namespace
