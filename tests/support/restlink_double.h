// restlink_double: a scripted stand-in for the device HTTP client library, linked instead of
// librestlink.so. It records every call made, in order, and answers sendRequest from a queue of
// scripted bodies (or with no response at all).
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace restlink_double {

// Forget all calls and scripted answers; the token becomes empty.
void reset();

// The next sendRequest answers with this body; std::nullopt means no response.
// With nothing queued, sendRequest gives no response.
void answer(std::optional<std::string> body);

void setToken(std::string token);

// From now on the call of this name hands out null instead of its object, as a library that
// fails might: "HttpSingleTon::getInstance", "getHttpClient", "createRequest" or
// "HttpLogin::getInstance".
void withhold(std::string call);

// Every call so far, one line each, e.g.
//   "createRequest GET /orvex/v1/screen/list-detail"
//   "setHead Authorization=token"
//   "addUrlKeyValue screenType=2"
//   "setBody <bytes> 42"
//   "sendRequest status=0"
const std::vector<std::string>& calls();

}  // namespace restlink_double
