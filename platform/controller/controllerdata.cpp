// Loading the simulated controller's answers from the documents, a fixture or a capture; JSON in
// and out.
#include "controller/controllerdata.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <limits>
#include <sstream>
#include <utility>

#include "controller/capturefile.h"
#include "controller/restroutes.h"

namespace ControllerSim {

namespace {

const char* const kScreenDocument = "screen-list-detail.json";
const char* const kInterfaceDocument = "interface-list-detail.json";

bool parseFile(const std::string& file, Json& value, std::string& error) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        error = "cannot read " + file + ": " + std::strerror(errno);
        return false;
    }
    std::ostringstream text;
    text << in.rdbuf();
    std::string reason;
    if (parseJson(text.str(), value, reason)) return true;
    error = "cannot parse " + file + ": " + reason;
    return false;
}

// The answer, or an error naming where it came from.
bool takeAnswer(Json& from, Json& answer, const std::string& where, std::string& error) {
    const std::string problem = answerProblem(from);
    if (!problem.empty()) {
        error = where + ": " + problem;
        return false;
    }
    answer = std::move(from);
    return true;
}

// The documents to render from: the unfiltered list-detail answers of a capture, where they are
// JSON list-detail answers.
void renderFrom(ControllerData& data) {
    for (const CapturedAnswer& answer : data.captured) {
        Json* document = answer.path == kScreenListPath      ? &data.screens
                         : answer.path == kInterfaceListPath ? &data.interfaces
                                                             : nullptr;
        Json parsed;
        std::string reason;
        if (document && answer.query.empty() && parseJson(answer.body, parsed, reason) &&
            answerProblem(parsed).empty())
            *document = std::move(parsed);
    }
}

}  // namespace

bool parseJson(const std::string& text, Json& value, std::string& error) {
    try {
        value = Json::parse(text);
        return true;
    } catch (const Json::exception& e) {
        error = e.what();
        return false;
    }
}

std::string answerProblem(const Json& answer) {
    if (!answer.is_object())
        return std::string("a list-detail answer is a JSON object, not ") + answer.type_name();
    const auto data = answer.find("data");
    if (data == answer.end()) return std::string();
    if (!data->is_object())
        return std::string("its data is ") + data->type_name() + ", not an object";
    const auto list = data->find("list");
    if (list != data->end() && !list->is_array())
        return std::string("its data.list is ") + list->type_name() + ", not an array";
    return std::string();
}

std::optional<int64_t> integerAt(const Json& object, const char* key) {
    if (!object.is_object()) return std::nullopt;
    const auto member = object.find(key);
    if (member == object.end() || !member->is_number_integer()) return std::nullopt;
    if (member->is_number_unsigned() &&
        member->get<uint64_t>() > uint64_t(std::numeric_limits<int64_t>::max()))
        return std::nullopt;
    return member->get<int64_t>();
}

const Json* listOf(const Json& answer) {
    const auto data = answer.find("data");
    if (data == answer.end()) return nullptr;
    const auto list = data->find("list");
    return list == data->end() ? nullptr : &*list;
}

bool loadData(const std::string& fixture, const std::string& executableDir, ControllerData& data,
              std::string& source, std::string& error) {
    ControllerData loaded;
    if (!fixture.empty()) {
        Json both;
        if (!parseFile(fixture, both, error)) return false;
        source = fixture;
        if (isCapture(both)) {
            if (!readCapture(both, loaded.captured, error)) {
                error = fixture + ": " + error;
                return false;
            }
            renderFrom(loaded);
            data = std::move(loaded);
            return true;
        }
        for (const char* member : {kFixtureScreens, kFixtureInterfaces}) {
            if (!both.is_object() || !both.contains(member)) {
                error = fixture + " has no member \"" + member + "\"";
                return false;
            }
        }
        if (!takeAnswer(both[kFixtureScreens], loaded.screens, fixture + " screens", error) ||
            !takeAnswer(both[kFixtureInterfaces], loaded.interfaces, fixture + " interfaces",
                        error))
            return false;
    } else {
        // The installed documents first, so an installed program does not need the sources.
        source = executableDir + "/../share/outputcolorspacemodel";
        if (executableDir.empty() || !std::ifstream(source + "/" + kScreenDocument))
            source = CONTROLLER_SIM_SOURCE_DATA_DIR;
        const std::string screens = source + "/" + kScreenDocument;
        const std::string interfaces = source + "/" + kInterfaceDocument;
        Json screenFile;
        Json interfaceFile;
        if (!parseFile(screens, screenFile, error) ||
            !parseFile(interfaces, interfaceFile, error) ||
            !takeAnswer(screenFile, loaded.screens, screens, error) ||
            !takeAnswer(interfaceFile, loaded.interfaces, interfaces, error))
            return false;
    }
    data = std::move(loaded);
    return true;
}

std::string writeJson(const Json& value, bool pretty) {
    const std::string text =
        value.dump(pretty ? 2 : -1, ' ', false, Json::error_handler_t::replace);
    if (!pretty) return text;
    // The writer escapes line feeds inside strings, so every one it leaves ends a line.
    std::string crlf;
    crlf.reserve(text.size() + text.size() / 16);
    for (const char c : text) {
        if (c == '\n') crlf += '\r';
        crlf += c;
    }
    return crlf;
}

}  // namespace ControllerSim
