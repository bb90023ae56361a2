// The shared controller documents, read from the project's data folder.
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

}  // namespace ocsm_test
