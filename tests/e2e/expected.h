// What the controller simulator serves by default, read straight from the
// shared documents, so the end-to-end tests compare against the data and not
// against numbers copied into them.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "protomodel/protomodel.h"

namespace ocsm_test {

inline std::string readDocument(const std::string& name) {
    std::ifstream file(std::string(OCSM_TEST_DATA_DIR) + "/" + name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

struct FirstRegularScreen {
    int screenId = 0;
    int preset = 0;
    LCD::ProtoModel::Interface::s_InterfaceList firstOutput;  // the interface behind it
};

inline FirstRegularScreen firstRegularScreen() {
    using namespace LCD::ProtoModel;
    s_response<Screen::s_ScreenDetail> screens;
    s_response<Interface::s_InterfaceDetailInfo> interfaces;
    std::string error;
    FirstRegularScreen expected;
    EXPECT_TRUE(decode(readDocument("screen-list-detail.json"), screens, error)) << error;
    EXPECT_TRUE(decode(readDocument("interface-list-detail.json"), interfaces, error)) << error;
    for (const auto& screen : screens.data.list) {
        if (screen.screenIdObj.type != 2) continue;
        expected.screenId = screen.screenId;
        expected.preset = screen.colorSpace.preset;
        const int interfaceId = screen.mosaic.outputs.at(0).interfaceId;
        for (const auto& entry : interfaces.data.list)
            if (entry.interfaceId == interfaceId) expected.firstOutput = entry;
        EXPECT_EQ(expected.firstOutput.interfaceId, interfaceId) << "no such interface in the data";
        break;
    }
    return expected;
}

}  // namespace ocsm_test
