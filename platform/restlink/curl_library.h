// libcurl's process-wide set-up.
#ifndef RESTLINK_CURL_LIBRARY_H
#define RESTLINK_CURL_LIBRARY_H

#include <string>

namespace restlink {

// Runs curl_global_init exactly once, before any handle exists, however many
// threads ask at the same time. False, with the reason in `why`, when libcurl
// could not be set up.
bool curlReady(std::string& why);

}  // namespace restlink

#endif  // RESTLINK_CURL_LIBRARY_H
