// lcdjson's decode held to its plain reference on every input: each decode the component makes
// gives the same records, result and error text, and the reader the same tokens, whole and cut
// to a size the input's last byte chooses.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "same_decode.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const uint64_t cut = size == 0 ? 0 : 1 + data[size - 1] % size;
    const std::string difference = ocsm_same::difference(text, cut);
    if (difference.empty()) return 0;
    std::fprintf(stderr, "lcdjson and its reference differ on this input, at the %s\n",
                 difference.c_str());
    std::abort();
}
