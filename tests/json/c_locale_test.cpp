// Text conversions do not follow the locale: the host's Qt application may set LC_NUMERIC from
// the environment, and a comma-decimal locale must not change what a decode gives.
#include <gtest/gtest.h>

#include <langinfo.h>
#include <locale.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "protomodel/protomodel.h"
#include "testsupport.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

namespace {

using namespace LCD::ProtoModel;
using ocsm_test::decodeOrFail;

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
    return locale;
}

TEST(CLocale, ACommaDecimalLocaleChangesNothing) {
    const locale_t comma = comma_locale();
    if (comma == static_cast<locale_t>(0))
        GTEST_SKIP() << "the build compiled no comma-decimal locale (localedef and the locales "
                        "package's de_DE source are needed)";
    ASSERT_STREQ(nl_langinfo_l(RADIXCHAR, comma), ",");
    // The environment names it as well, as for a host started under it: the conversions' own
    // locale (made at the first of them, below) takes nothing from there.
    setenv("LOCPATH", OCSM_TEST_LOCALE_DIR, 1);
    setenv("LC_ALL", "de_DE.UTF-8", 1);
    // uselocale affects only the calling thread: the locale lives and ends with the worker.
    std::thread worker([comma] {
        uselocale(comma);
        // The locale is in force: the locale-following conversion stops at the full stop.
        ASSERT_EQ(59.0L, std::strtold("59.94", nullptr));
        for (const char* value : {"\"59.94\"", "59.94"})
            EXPECT_EQ(59.94f, decodeOrFail<s_Sdr>(std::string("{\"gamma\":") + value + "}").gamma);
        EXPECT_EQ(1.0f, decodeOrFail<s_Sdr>(R"({"gamma":"1,5"})").gamma);
        // Where the full stop groups thousands, a grouping conversion would read 1234.
        EXPECT_EQ(1, decodeOrFail<s_RGB>(R"({"R":"1.234"})").R);
        EXPECT_EQ(1u, decodeOrFail<LCD::AutoReport::AutoReportTLVDataMessage>(
                          R"({"CommandCode":"1.234"})")
                          .CommandCode);
        std::string encoded;
        encode(encoded, s_Sdr{0.5f});
        EXPECT_EQ(encoded, R"({"gamma":0.5})");
    });
    worker.join();
    unsetenv("LC_ALL");
    unsetenv("LOCPATH");
    freelocale(comma);
}

}  // namespace
