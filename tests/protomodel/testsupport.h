// Helpers shared by the data model tests.
#pragma once

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "protomodel/protomodel.h"

namespace protomodeltest {

// The key names a record binds, in the order its field list gives them.
template <class T>
std::vector<std::string> fieldNames() {
    std::vector<std::string> names;
    for (const auto& name : lcdjson::json_impl<T>::this_field_list()) {
        names.emplace_back(name.str, name.len);
    }
    return names;
}

// Decodes text into a fresh T; fails the calling test with the codec's message on error.
template <class T>
T decodeOrFail(const std::string& text) {
    T value;
    std::string error;
    const bool ok = LCD::ProtoModel::decode(text, value, error);
    EXPECT_TRUE(ok) << error;
    return value;
}

// The codec's error text for text decoded into a fresh T, or "" when it decodes.
template <class T>
std::string decodeError(const std::string& text) {
    T value;
    std::string error;
    if (LCD::ProtoModel::decode(text, value, error)) return "";
    return error;
}

inline std::string readDataFile(const std::string& name) {
    std::ifstream in(std::string(OCSM_TEST_DATA_DIR) + "/" + name, std::ios::binary);
    EXPECT_TRUE(in.good()) << "cannot open " << name;
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace protomodeltest
