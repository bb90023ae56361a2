// The decode entry over the public JSON parsing test files (accepted, rejected and
// implementation-defined documents): every one gives a result without crashing or hanging, and a
// failure always carries a position-stamped message.
#include <gtest/gtest.h>

#include <dirent.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "protomodel/protomodel.h"

namespace {

template <class T>
void expect_clean_result(const std::string& text, const std::string& file) {
    T value{};
    std::string error = "untouched";
    if (LCD::ProtoModel::decode(text, value, error))
        EXPECT_EQ(error, "untouched") << file;
    else
        EXPECT_EQ(error.rfind("error at line :", 0), 0u) << file << ": " << error;
}

TEST(JsonTestSuiteFiles, EveryFileDecodesToAResult) {
    int files = 0;
    DIR* dir = opendir(OCSM_JSON_SUITE_DIR);
    while (const dirent* entry = dir ? readdir(dir) : nullptr) {
        const std::string name = entry->d_name;
        if (name.size() < 5 || name.compare(name.size() - 5, 5, ".json") != 0) continue;
        std::ifstream in(std::string(OCSM_JSON_SUITE_DIR) + "/" + name, std::ios::binary);
        const std::string text((std::istreambuf_iterator<char>(in)),
                               std::istreambuf_iterator<char>());
        expect_clean_result<LCD::AutoReport::LCDAutoReportData>(text, name);
        expect_clean_result<std::vector<LCD::ProtoModel::Screen::s_ScreenColorSpace>>(text, name);
        expect_clean_result<
            LCD::ProtoModel::s_response<LCD::ProtoModel::Interface::s_InterfaceList>>(text, name);
        ++files;
    }
    if (dir) closedir(dir);
    if (files == 0) GTEST_SKIP() << "no test files in " << OCSM_JSON_SUITE_DIR;
}

}  // namespace
