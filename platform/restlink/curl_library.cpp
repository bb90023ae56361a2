// libcurl's process-wide set-up, run once.
#include "curl_library.h"

#include <curl/curl.h>

#include <mutex>

namespace restlink {

bool curlReady(std::string& why) {
    static std::once_flag once;
    static CURLcode result = CURLE_OK;
    // curl_global_init is never undone: threads may still hold handles at
    // exit, and the cleanup is not safe while they do.
    std::call_once(once, [] { result = curl_global_init(CURL_GLOBAL_DEFAULT); });
    if (result == CURLE_OK) return true;
    why = std::string("libcurl set-up failed: ") + curl_easy_strerror(result);
    return false;
}

}  // namespace restlink
