// The controller documents of the project's data folder.
#include "testsupport.h"

#include <fstream>
#include <sstream>

namespace ocsm_test {

std::string readDataFile(const std::string& name) {
    std::ifstream in(std::string(OCSM_DATA_DIR) + "/" + name, std::ios::binary);
    EXPECT_TRUE(in.good()) << "cannot open " << name;
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

FirstRegularScreen firstRegularScreen() {
    using namespace LCD::ProtoModel;
    const auto screens =
        decodeOrFail<s_response<Screen::s_ScreenDetail>>(readDataFile("screen-list-detail.json"));
    const auto interfaces = decodeOrFail<s_response<Interface::s_InterfaceDetailInfo>>(
        readDataFile("interface-list-detail.json"));
    FirstRegularScreen first;
    for (const auto& screen : screens.data.list) {
        if (screen.screenIdObj.type != 2) continue;
        first = {screen.screenId, screen.colorSpace.preset, screen.mosaic.outputs.at(0).interfaceId,
                 ""};
        for (const auto& entry : interfaces.data.list)
            if (entry.interfaceId == first.interfaceId) first.interfaceName = entry.general.name;
        break;
    }
    EXPECT_FALSE(first.interfaceName.empty()) << "the documents lack a regular screen's interface";
    return first;
}

}  // namespace ocsm_test
