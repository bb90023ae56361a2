// The two list-detail answers the simulated controller starts from, kept as JSON documents, where
// they come from, and how controller-sim reads and writes JSON text.
#pragma once

#include <nlohmann/json.hpp>
#include <string>

namespace ControllerSim {

// Objects keep their members in the order read, so that answers keep the order of their file.
using Json = nlohmann::ordered_json;

struct ControllerData {
    Json screens;     // the screen list-detail answer, whole
    Json interfaces;  // the interface list-detail answer, whole
};

// The members of a fixture file that hold the two answers.
inline constexpr char kFixtureScreens[] = "screens";
inline constexpr char kFixtureInterfaces[] = "interfaces";

// With a fixture file, a JSON object whose members "screens" and "interfaces" hold the two answers
// (other members, such as a capture's notes, are ignored), loads that. Without, loads
// screen-list-detail.json and interface-list-detail.json from the installed data folder
// (`executableDir`/../share/outputcolorspacemodel) or else the source tree's data folder. `source`
// names what was read; `error` says what went wrong, with the file's name.
bool loadData(const std::string& fixture, const std::string& executableDir, ControllerData& data,
              std::string& source, std::string& error);

// Strict JSON, one value and nothing but blanks after it. False with the parser's reason.
bool parseJson(const std::string& text, Json& value, std::string& error);

// Empty when `answer` can be served as a list-detail answer (an object), else why not.
std::string answerProblem(const Json& answer);

// Compact, or indented by two with CRLF line ends as some controllers answer. Bytes that are not
// UTF-8 in a string are written as U+FFFD rather than failing.
std::string writeJson(const Json& value, bool pretty);

}  // namespace ControllerSim
