// The screens and interfaces the simulated controller starts with, and where they come from.
#pragma once

#include <string>
#include <vector>

#include "protomodel/protomodel.h"

namespace ControllerSim {

struct ControllerData {
    std::vector<LCD::ProtoModel::Screen::s_ScreenDetailInfo> screens;
    std::vector<LCD::ProtoModel::Interface::s_InterfaceList> interfaces;
};

// With a fixture file, {"screens": <screen list-detail answer>, "interfaces": <interface
// list-detail answer>}, loads that. Without, loads screen-list-detail.json and
// interface-list-detail.json from the installed data folder (`executableDir`/../share/
// outputcolorspacemodel) or else the source tree's data folder. `source` names what was read;
// `error` says what went wrong, with the file's name.
bool loadData(const std::string& fixture, const std::string& executableDir, ControllerData& data,
              std::string& source, std::string& error);

}  // namespace ControllerSim
