#include "controller/controllerdata.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <utility>

#include "controller/simrecords.h"

namespace ControllerSim {

const char* const kScreenDocument = "screen-list-detail.json";
const char* const kInterfaceDocument = "interface-list-detail.json";

namespace {

bool readFile(const std::string& file, std::string& text, std::string& error) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        error = "cannot read " + file + ": " + std::strerror(errno);
        return false;
    }
    std::ostringstream content;
    content << in.rdbuf();
    if (in.bad()) {
        error = "cannot read " + file;
        return false;
    }
    text = content.str();
    return true;
}

template <class T>
bool decodeFile(const std::string& file, T& value, std::string& error) {
    std::string text;
    if (!readFile(file, text, error)) return false;
    std::string codecError;
    if (!LCD::ProtoModel::decode(text, value, codecError)) {
        error = "cannot decode " + file + ": " + codecError;
        return false;
    }
    return true;
}

bool isReadable(const std::string& file) {
    return std::ifstream(file).good();
}

}  // namespace

std::vector<std::string> defaultDataDirs(const std::string& executableDir) {
    std::vector<std::string> dirs;
    if (!executableDir.empty()) dirs.push_back(executableDir + "/../share/outputcolorspacemodel");
    dirs.push_back(CONTROLLER_SIM_SOURCE_DATA_DIR);
    return dirs;
}

bool loadDefaultData(const std::vector<std::string>& dirs, ControllerData& data,
                     std::string& source, std::string& error) {
    for (const std::string& dir : dirs) {
        const std::string screens = dir + "/" + kScreenDocument;
        const std::string interfaces = dir + "/" + kInterfaceDocument;
        if (!isReadable(screens) || !isReadable(interfaces)) continue;
        if (!loadDocuments(screens, interfaces, data, error)) return false;
        source = dir;
        return true;
    }
    error = std::string("no ") + kScreenDocument + " and " + kInterfaceDocument + " in";
    for (size_t i = 0; i < dirs.size(); ++i)
        error += (i == 0 ? " " : ", ") + dirs[i];
    return false;
}

bool loadDocuments(const std::string& screenFile, const std::string& interfaceFile,
                   ControllerData& data, std::string& error) {
    LCD::ProtoModel::s_response<LCD::ProtoModel::Screen::s_ScreenDetail> screens;
    LCD::ProtoModel::s_response<LCD::ProtoModel::Interface::s_InterfaceDetailInfo> interfaces;
    if (!decodeFile(screenFile, screens, error)) return false;
    if (!decodeFile(interfaceFile, interfaces, error)) return false;
    data.screens = std::move(screens.data.list);
    data.interfaces = std::move(interfaces.data.list);
    return true;
}

bool loadFixture(const std::string& file, ControllerData& data, std::string& error) {
    s_Fixture fixture;
    if (!decodeFile(file, fixture, error)) return false;
    data.screens = std::move(fixture.screens.data.list);
    data.interfaces = std::move(fixture.interfaces.data.list);
    return true;
}

}  // namespace ControllerSim
