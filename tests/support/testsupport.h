// Small helpers every suite uses: the controller documents, decoding in a test, and little-endian
// payload bytes.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "protomodel/protomodel.h"

namespace ocsm_test {

using Bytes = std::vector<unsigned char>;

// A document of the project's data folder, whole.
std::string readDataFile(const std::string& name);

// Decodes text into a fresh T; a failure fails the calling test with the codec's message.
template <class T>
T decodeOrFail(const std::string& text) {
    T value{};
    std::string error;
    EXPECT_TRUE(LCD::ProtoModel::decode(text, value, error)) << error;
    return value;
}

// The cases of a data-driven test, tests/data/NAME: one a line, fields separated by tabs, \xHH
// standing for any byte (a tab, a line end, a byte that is not UTF-8); lines that are empty or
// start with # are left out.
std::vector<std::vector<std::string>> readCases(const std::string& name);

// The little-endian bytes of 32-bit values, one after another.
inline Bytes le32(std::initializer_list<int32_t> values) {
    Bytes bytes;
    for (const int32_t value : values)
        for (int shift = 0; shift < 32; shift += 8)
            bytes.push_back(static_cast<unsigned char>(static_cast<uint32_t>(value) >> shift));
    return bytes;
}

}  // namespace ocsm_test
