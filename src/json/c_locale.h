// Text-to-number conversion that ignores the process locale. The host's Qt application may set
// LC_NUMERIC from the environment, and under a comma-decimal locale strtold would read "59.94"
// as 59; the controller always writes a full stop.
#pragma once

#include <locale.h>
#include <stdlib.h>

namespace lcdjson {
namespace detail {

// The "C" locale as an object, made once for the whole process and never freed (glibc hands
// back its built-in C locale here, so nothing is allocated). Categories outside the mask are
// those of "C" too, so leading blanks are classified as in "C" as well.
inline locale_t c_locale() {
    static const locale_t locale = newlocale(LC_NUMERIC_MASK, "C", static_cast<locale_t>(0));
    return locale;
}

// strtold as it behaves in the "C" locale, whatever locale the process or thread uses.
inline long double strtold_c(const char* text) {
    const locale_t locale = c_locale();
    // Creating "C" fails only when memory is exhausted; the locale-following call is then the
    // only conversion left.
    if (locale == static_cast<locale_t>(0)) return ::strtold(text, nullptr);
    return ::strtold_l(text, nullptr, locale);
}

}  // namespace detail
}  // namespace lcdjson
