// The answers the simulated controller starts from: a capture's answers kept as they came, and
// the two list-detail answers kept as JSON documents to render the others from; where they come
// from, and how controller-sim reads and writes JSON text.
#pragma once

#include <cstdint>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

namespace ControllerSim {

// Objects keep their members in the order read, so that answers keep the order of their file.
using Json = nlohmann::ordered_json;

// A controller's answer to one GET, kept as it came so that it can be served again unchanged.
struct CapturedAnswer {
    std::string path;                          // the REST path, without the controller URL's base
    std::map<std::string, std::string> query;  // the request's URL keys
    int status = 200;
    std::string reason;                      // the status line's reason phrase, as it came
    std::optional<std::string> contentType;  // none when the answer had none
    bool chunked = false;                    // Transfer-Encoding: chunked; else Content-Length
    std::string body;                        // byte for byte
    std::vector<std::string> warnings;       // what is wrong with it, for whoever reads the file
};

struct ControllerData {
    // The unfiltered screen and interface list-detail answers as documents, which the answers not
    // captured are rendered from; null when there is no such document (a capture whose answer is
    // not a JSON list-detail answer).
    Json screens;
    Json interfaces;
    std::vector<CapturedAnswer> captured;  // served unchanged; empty unless a capture is loaded
};

// The members of a fixture file of two documents that hold the two answers.
inline constexpr char kFixtureScreens[] = "screens";
inline constexpr char kFixtureInterfaces[] = "interfaces";

// With a fixture file, loads a capture (see capturefile.h), or a JSON object whose members
// "screens" and "interfaces" hold the two answers (other members are ignored). Without, loads
// screen-list-detail.json and interface-list-detail.json from the installed data folder
// (`executableDir`/../share/outputcolorspacemodel) or else the source tree's data folder. `source`
// names what was read; `error` says what went wrong, with the file's name.
bool loadData(const std::string& fixture, const std::string& executableDir, ControllerData& data,
              std::string& source, std::string& error);

// Strict JSON, one value and nothing but blanks after it. False with the parser's reason.
bool parseJson(const std::string& text, Json& value, std::string& error);

// Empty when `answer` can be served as a list-detail answer (an object), else why not.
std::string answerProblem(const Json& answer);

// An integer member of an object, if it has one that fits 64 bits.
std::optional<int64_t> integerAt(const Json& object, const char* key);

// The list of an answer's data, or null when it has none.
const Json* listOf(const Json& answer);

// Compact, or indented by two with CRLF line ends as some controllers answer. Bytes that are not
// UTF-8 in a string are written as U+FFFD rather than failing.
std::string writeJson(const Json& value, bool pretty);

}  // namespace ControllerSim
