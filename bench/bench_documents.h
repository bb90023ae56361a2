// The controller documents the benchmarks work on: the shared test documents as they are,
// reduced to one list entry, or scaled up by repeating their list entries.
#pragma once

#include <cstddef>
#include <string>

namespace bench {

// The file of that name in the shared test documents; throws when it cannot be read.
std::string read_document(const std::string& name);

// The answer with only the first entry of its "list" (what a query for one identifier gets).
std::string first_entry_only(const std::string& text);

// The answer with its "list" entries repeated until the text reaches about target bytes.
std::string scaled(const std::string& text, size_t target);

}  // namespace bench
