// Loading the simulated controller's screens and interfaces from the documents or a fixture.
#include "controller/controllerdata.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <utility>

namespace ControllerSim {

namespace {

using LCD::ProtoModel::s_response;
using ScreenAnswer = s_response<LCD::ProtoModel::Screen::s_ScreenDetail>;
using InterfaceAnswer = s_response<LCD::ProtoModel::Interface::s_InterfaceDetailInfo>;

const char* const kScreenDocument = "screen-list-detail.json";
const char* const kInterfaceDocument = "interface-list-detail.json";

// A fixture file: the two answers the service starts from, in one document.
struct s_Fixture {
    ScreenAnswer screens;
    InterfaceAnswer interfaces;
};
LCDJSON_RECORD(s_Fixture, screens, interfaces)

template <class T>
bool decodeFile(const std::string& file, T& value, std::string& error) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        error = "cannot read " + file + ": " + std::strerror(errno);
        return false;
    }
    std::ostringstream text;
    text << in.rdbuf();
    std::string codecError;
    if (LCD::ProtoModel::decode(text.str(), value, codecError)) return true;
    error = "cannot decode " + file + ": " + codecError;
    return false;
}

}  // namespace

bool loadData(const std::string& fixture, const std::string& executableDir, ControllerData& data,
              std::string& source, std::string& error) {
    ScreenAnswer screens;
    InterfaceAnswer interfaces;
    if (!fixture.empty()) {
        s_Fixture both;
        if (!decodeFile(fixture, both, error)) return false;
        screens = std::move(both.screens);
        interfaces = std::move(both.interfaces);
        source = fixture;
    } else {
        // The installed documents first, so an installed program does not need the sources.
        source = executableDir + "/../share/outputcolorspacemodel";
        if (executableDir.empty() || !std::ifstream(source + "/" + kScreenDocument))
            source = CONTROLLER_SIM_SOURCE_DATA_DIR;
        if (!decodeFile(source + "/" + kScreenDocument, screens, error) ||
            !decodeFile(source + "/" + kInterfaceDocument, interfaces, error))
            return false;
    }
    data.screens = std::move(screens.data.list);
    data.interfaces = std::move(interfaces.data.list);
    return true;
}

}  // namespace ControllerSim
