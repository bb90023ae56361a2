// Robustness over the public JSON parsing test files (accepted, rejected and
// implementation-defined documents): every one decodes to a result without crashing or
// hanging, and a failure always carries a position-stamped message.
#include <gtest/gtest.h>

#include <dirent.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "json/lcdjson.h"
#include "test_records.h"

namespace {

std::vector<std::string> suite_files() {
    std::vector<std::string> files;
    if (DIR* dir = opendir(OCSM_JSON_SUITE_DIR)) {
        while (const dirent* entry = readdir(dir)) {
            const std::string name = entry->d_name;
            if (name.size() > 5 && name.compare(name.size() - 5, 5, ".json") == 0) {
                files.push_back(std::string(OCSM_JSON_SUITE_DIR) + "/" + name);
            }
        }
        closedir(dir);
    }
    std::sort(files.begin(), files.end());
    return files;
}

template <class T>
void expect_clean_result(const std::string& text, const std::string& file) {
    T value{};
    std::string error = "untouched";
    if (LCD::ProtoModel::decode(text, value, error)) {
        EXPECT_EQ(error, "untouched") << file;
    } else {
        EXPECT_EQ(error.rfind("error at line :", 0), 0u) << file << ": " << error;
    }
}

TEST(JsonTestSuiteFiles, EveryFileDecodesToAResult) {
    const std::vector<std::string> files = suite_files();
    if (files.empty()) GTEST_SKIP() << "no test files in " << OCSM_JSON_SUITE_DIR;
    for (const std::string& file : files) {
        std::ifstream in(file, std::ios::binary);
        const std::string text((std::istreambuf_iterator<char>(in)),
                               std::istreambuf_iterator<char>());
        expect_clean_result<jsontest::s_Everything>(text, file);
        expect_clean_result<std::vector<jsontest::s_Everything>>(text, file);
        expect_clean_result<jsontest::s_response<jsontest::s_Header>>(text, file);
    }
}

}  // namespace
