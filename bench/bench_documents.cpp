// The benchmarks' texts: the shared documents read, screen answers rebuilt at other sizes.
#include "bench_documents.h"

#include <nlohmann/json.hpp>

#include <fstream>
#include <iterator>
#include <stdexcept>
#include <vector>

namespace bench {
namespace {

// Index of the bracket that closes the one at open (strings may hold brackets).
size_t matching_bracket(const std::string& text, size_t open) {
    int depth = 0;
    bool in_string = false;
    for (size_t i = open; i < text.size(); ++i) {
        const char c = text[i];
        if (in_string) {
            if (c == '\\') {
                ++i;
            } else if (c == '"') {
                in_string = false;
            }
        } else if (c == '"') {
            in_string = true;
        } else if (c == '[' || c == '{') {
            ++depth;
        } else if ((c == ']' || c == '}') && --depth == 0) {
            return i;
        }
    }
    throw std::runtime_error("unbalanced document");
}

// An array found by its key: where it opens and closes, and the texts of its object elements.
struct Array {
    size_t open;
    size_t close;
    std::vector<std::string> elements;
};

Array array_of(const std::string& text, const std::string& key) {
    const size_t at = text.find("\"" + key + "\"");
    const size_t open = at == std::string::npos ? at : text.find('[', at);
    if (open == std::string::npos) throw std::runtime_error("no array " + key);
    Array array{open, matching_bracket(text, open), {}};
    for (size_t start = text.find('{', open); start < array.close; start = text.find('{', start)) {
        const size_t end = matching_bracket(text, start);
        array.elements.push_back(text.substr(start, end + 1 - start));
        start = end + 1;
    }
    if (array.elements.empty()) throw std::runtime_error("empty array " + key);
    return array;
}

// The text with the array's elements replaced by count of its elements, taken in turn, each
// passed through change.
template <class Change>
std::string refilled(const std::string& text, const Array& array, size_t count, Change change) {
    std::string out = text.substr(0, array.open + 1);
    for (size_t i = 0; i < count; ++i) {
        if (i != 0) out += ',';
        out += change(array.elements[i % array.elements.size()]);
    }
    return out + text.substr(array.close);
}

std::string repeated_words(const std::string& words, size_t bytes) {
    std::string text;
    while (text.size() + words.size() <= bytes)
        text += words;
    return text;
}

}  // namespace

std::string read_document(const std::string& name) {
    std::ifstream in(std::string(OCSM_TEST_DATA_DIR) + "/" + name, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + name);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::string screen_answer(size_t screens, size_t outputs) {
    const std::string shared = read_document("screen-list-detail.json");
    return refilled(shared, array_of(shared, "list"), screens, [&](const std::string& screen) {
        if (outputs == 0) return screen;
        return refilled(screen, array_of(screen, "outputs"), outputs,
                        [](const std::string& output) { return output; });
    });
}

std::string case_text(const std::string& name) {
    if (name == "screens_2") return screen_answer(2);
    if (name == "screens_4") return screen_answer(4);  // the shared answer's own four
    if (name == "screens_32") return screen_answer(32);
    if (name == "screens_512x16") return screen_answer(512, 16);
    if (name == "interface_11") return read_document("interface-list-detail.json");
    if (name == "auto_report") return read_document("autoreport-colorspace.json");
    throw std::runtime_error("no decode case " + name);
}

std::string compact(const std::string& text) {
    return nlohmann::ordered_json::parse(text).dump();
}

std::string with_padding(std::string text) {
    text.reserve(text.size() + 128);
    return text;
}

ColorSpaceList colorspace_list(size_t count) {
    ColorSpaceList list(count);
    for (size_t i = 0; i < count; ++i) {
        list[i].screenId = static_cast<int32_t>(i + 1);
        list[i].colorSpace.preset = static_cast<int32_t>(i % 5);
    }
    return list;
}

std::string ascii_text(size_t bytes) {
    return repeated_words("Output 3-1, main screen top left (HDMI 2.0); ", bytes);
}

std::string mixed_text(size_t bytes) {
    return repeated_words("输出 3-1 主屏幕左上; Output 3-2 主屏幕右上; ", bytes);
}

}  // namespace bench
