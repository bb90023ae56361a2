// The screens and interfaces the simulated controller starts with, read from the documents its
// REST service answers with (the shared screen and interface list-detail answers), or from one
// fixture file that holds both.
#pragma once

#include <string>
#include <vector>

#include "protomodel/protomodel.h"

namespace ControllerSim {

struct ControllerData {
    std::vector<LCD::ProtoModel::Screen::s_ScreenDetailInfo> screens;
    std::vector<LCD::ProtoModel::Interface::s_InterfaceList> interfaces;
};

extern const char* const kScreenDocument;     // "screen-list-detail.json"
extern const char* const kInterfaceDocument;  // "interface-list-detail.json"

// Where the default documents are looked for, in this order: the installed data folder next to
// the executable's bin folder, then the source tree's test documents.
std::vector<std::string> defaultDataDirs(const std::string& executableDir);

// Loads both default documents from the first folder that has them. `source` names that folder.
bool loadDefaultData(const std::vector<std::string>& dirs, ControllerData& data,
                     std::string& source, std::string& error);

// Loads one screen list-detail answer and one interface list-detail answer.
bool loadDocuments(const std::string& screenFile, const std::string& interfaceFile,
                   ControllerData& data, std::string& error);

// Loads a fixture: {"screens": <screen list-detail answer>, "interfaces": <interface answer>}.
bool loadFixture(const std::string& file, ControllerData& data, std::string& error);

}  // namespace ControllerSim
