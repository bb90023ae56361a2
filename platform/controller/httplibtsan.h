// ThreadSanitizer and Debian's cpp-httplib: include in one source file of each program that links
// libcpp-httplib.so. The library is not built for ThreadSanitizer, which then misses the
// synchronisation inside it and reports races between its own workers (a memcpy in one and a
// memcmp in another, on a block the first allocated). Calls the library makes are left
// unchecked; our handlers that it calls are instrumented and still checked.
#pragma once

#if defined(__SANITIZE_THREAD__)
extern "C" const char* __tsan_default_suppressions() {
    return "called_from_lib:libcpp-httplib.so\n";
}
#endif
