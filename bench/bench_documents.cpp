#include "bench_documents.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

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

// Where the "list" array opens and closes.
struct ListSpan {
    size_t open;
    size_t close;
};

ListSpan list_span(const std::string& text) {
    const size_t key = text.find("\"list\"");
    const size_t open = key == std::string::npos ? key : text.find('[', key);
    if (open == std::string::npos) throw std::runtime_error("no list in the document");
    return {open, matching_bracket(text, open)};
}

}  // namespace

std::string read_document(const std::string& name) {
    std::ifstream in(std::string(OCSM_TEST_DATA_DIR) + "/" + name, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + name);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::string first_entry_only(const std::string& text) {
    const ListSpan list = list_span(text);
    const size_t first = text.find('{', list.open);
    if (first == std::string::npos || first > list.close) {
        throw std::runtime_error("empty list in the document");
    }
    const size_t end = matching_bracket(text, first);
    return text.substr(0, list.open + 1) + text.substr(first, end + 1 - first) +
           text.substr(list.close);
}

std::string scaled(const std::string& text, size_t target) {
    const ListSpan list = list_span(text);
    const std::string entries = text.substr(list.open + 1, list.close - list.open - 1);
    std::string body = entries;
    while (text.size() + body.size() < target)
        body += "," + entries;
    return text.substr(0, list.open + 1) + body + text.substr(list.close);
}

}  // namespace bench
