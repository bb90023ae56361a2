// The controller documents of the project's data folder.
#include "testsupport.h"

#include <cctype>
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

std::vector<std::vector<std::string>> readCases(const std::string& name) {
    std::ifstream in(std::string(OCSM_TEST_CASES_DIR) + "/" + name, std::ios::binary);
    EXPECT_TRUE(in.good()) << "cannot open " << name;
    std::vector<std::vector<std::string>> cases;
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') continue;
        cases.emplace_back(1);
        for (size_t i = 0; i < line.size(); ++i) {
            if (line[i] == '\t') {
                cases.back().emplace_back();
            } else if (line.compare(i, 2, "\\x") == 0 && i + 3 < line.size() &&
                       std::isxdigit(static_cast<unsigned char>(line[i + 2])) &&
                       std::isxdigit(static_cast<unsigned char>(line[i + 3]))) {
                cases.back().back() +=
                    static_cast<char>(std::stoi(line.substr(i + 2, 2), nullptr, 16));
                i += 3;
            } else {
                cases.back().back() += line[i];
            }
        }
    }
    EXPECT_FALSE(cases.empty()) << name;
    return cases;
}

}  // namespace ocsm_test
