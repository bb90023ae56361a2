// The texts the benchmarks work on, made from the shared controller documents in data/: screen
// answers of any number of screens and outputs, the documents as they are, colour space lists
// and texts for the string writer.
#pragma once

#include <cstddef>
#include <string>

#include "records.h"

namespace bench {

// The file of that name in the shared documents; throws when it cannot be read.
std::string read_document(const std::string& name);

// The screen list-detail answer with `screens` list entries, taken in turn from the shared
// answer's screens. With outputs > 0 every screen has that many outputs, taken in turn from its
// own.
std::string screen_answer(size_t screens, size_t outputs = 0);

// The text of a decode case of the benchmarks: screens_2, screens_4, screens_32 (screen answers of
// 2, 4 and 32 screens), screens_512x16 (512 screens of 16 outputs), interface_11 (the interface
// answer) and auto_report (the auto-report), as data/ stores them: pretty-printed. Throws on
// another name.
std::string case_text(const std::string& name);

// The text as the controller sends it: parsed into an ordered_json of nlohmann/json and written
// back with dump() and no indent, keys in their order, no blanks between tokens.
std::string compact(const std::string& text);

// The text with room for simdjson's padding (64 bytes) past its end: capacity() - size() >= 128.
std::string with_padding(std::string text);

// count colour space records: screen ids 1, 2, ... and presets 0 to 4 in turn.
ColorSpaceList colorspace_list(size_t count);

// About `bytes` bytes of printable ASCII, and of ASCII mixed with Chinese names in UTF-8 (the
// interface names of the shared documents), whole words only.
std::string ascii_text(size_t bytes);
std::string mixed_text(size_t bytes);

}  // namespace bench
