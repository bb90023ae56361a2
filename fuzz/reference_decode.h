// The decoder's reference: a plain reader that takes one byte at a time and counts line and column
// as it goes, with the value and record binding on top, each step written as the documented rules
// state it and nothing shared with lcdjson but the records' bindings. Slow and simple on purpose:
// the fuzz target and the repeatable check hold lcdjson's decode to it, result for result.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "json/record_macros.h"

namespace ocsm_reference {

enum kind : uint32_t { k_string, k_signed, k_unsigned, k_real, k_punct, k_end };

struct failure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class reader {
public:
    kind token = k_end;
    const char* token_text = nullptr;
    uint64_t token_size = 0;
    uint64_t u = 0;  // an integer's magnitude
    double d = 0;    // a real's magnitude
    bool negative = false;

    // size 0: the text ends at its NUL only.
    reader(const char* text, uint64_t size)
        : text_(text != nullptr ? text : ""), size_(size), at_end_(text == nullptr || *text == 0) {}

    char current() const { return token == k_end ? '\0' : *token_text; }

    [[noreturn]] void error(const char* message) const {
        throw failure("error at line :" + std::to_string(line_) +
                      " col :" + std::to_string(column_) + " msg:" + message);
    }

    void next() {
        for (;;) {
            if (at_end_) return end_token();
            while (is_blank(byte())) {
                take();
                if (at_end_) return end_token();
            }
            negative = false;
            const char c = byte();
            if (c == '"') return quoted();
            if (std::strchr(",:[]{}", c) != nullptr && c != '\0') {
                token = k_punct;
                token_text = text_ + position_;
                token_size = 1;
                take();
                return;
            }
            if (c >= '0' && c <= '9') {
                token = k_unsigned;
                u = static_cast<uint64_t>(c - '0');
                return number();
            }
            if (c == '-') {
                token = k_signed;
                u = 0;
                negative = true;
                return number();
            }
            if (c == '\0') return end_token();
            if (c != '/') return word();
            comment();  // then blanks again, and the token after it
        }
    }

private:
    const char* text_;
    uint64_t size_;
    uint64_t position_ = 0;
    uint64_t line_ = 0;
    uint64_t column_ = 0;
    bool at_end_;
    double fraction_step_ = 0.1;
    int32_t exponent_ = 0;

    static bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
    static bool ends_word(char c) { return is_blank(c) || std::strchr(",:[]{}", c) != nullptr; }

    // The byte under the cursor; at the size limit, the NUL that would follow.
    char byte() const { return size_ != 0 && position_ >= size_ ? '\0' : text_[position_]; }

    void take() {
        ++position_;
        const char c = byte();
        if (c != '\r') {
            ++column_;
            if (c == '\n') {
                ++line_;
                column_ = 0;
            }
        }
        if ((size_ != 0 && position_ >= size_) || c == '\0') at_end_ = true;
    }

    void end_token() {
        token = k_end;
        token_text = nullptr;
        token_size = 1;
        negative = false;
    }

    void quoted() {
        token = k_string;
        take();
        if (at_end_) error("not a valid quote string!");
        token_text = text_ + position_;
        for (;;) {
            const char c = byte();
            if (c == '"') break;
            if (c == '\n') error("not a valid quote string!");
            if (c == '\\') {
                take();
                if (at_end_) error("not a valid quote string!");
            }
            take();
            if (at_end_) error("not a valid quote string!");
        }
        token_size = static_cast<uint64_t>(text_ + position_ - token_text);
        take();
    }

    void word() {
        token = k_string;
        token_text = text_ + position_;
        while (!ends_word(byte())) {
            take();
            if (at_end_) error("not a valid string!");
        }
        token_size = static_cast<uint64_t>(text_ + position_ - token_text);
    }

    void comment() {
        take();
        if (at_end_) error("not a comment!");
        if (byte() == '/') {
            do {
                take();
            } while (!at_end_ && byte() != '\n');
        } else if (byte() == '*') {
            take();
            while (!at_end_) {
                const bool star = byte() == '*';
                take();
                if (star && !at_end_ && byte() == '/') {
                    take();
                    return;
                }
            }
        } else {
            error("not a comment!");
        }
    }

    void to_real() {
        d = token == k_signed ? static_cast<double>(static_cast<int64_t>(u))
                              : static_cast<double>(u);
        token = k_real;
    }

    void number() {
        token_text = text_ + position_;
        if (at_end_) {
            token_size = 0;
            return;
        }
        take();
        while (!at_end_) {
            const char c = byte();
            if (c >= '0' && c <= '9') {
                const unsigned digit = static_cast<unsigned>(c - '0');
                if (token == k_real) {
                    d += fraction_step_ * digit;
                    fraction_step_ *= 0.1;
                } else {
                    u = u * 10 + digit;
                }
                take();
            } else if (c == '.') {
                if (token == k_real) error("not a valid number!");
                to_real();
                fraction_step_ = 0.1;
                take();
            } else if (c == 'e' || c == 'E') {
                if (token != k_real) to_real();
                take();
                exponent();
                break;
            } else {
                break;
            }
        }
        token_size = static_cast<uint64_t>(text_ + position_ - token_text);
    }

    // Once the value is 0 or infinite, further steps cannot change it: they are not taken.
    void exponent() {
        const bool minus = !at_end_ && byte() == '-';
        if (minus) take();
        if (minus || (!at_end_ && byte() >= '0' && byte() <= '9')) {
            while (!at_end_ && byte() >= '0' && byte() <= '9') {
                exponent_ = static_cast<int32_t>(static_cast<uint32_t>(exponent_) * 10u +
                                                 static_cast<uint32_t>(byte() - '0'));
                take();
            }
            for (int32_t i = 0; i < exponent_ && d != 0.0 && d - d == 0.0; ++i)
                d *= minus ? 0.1 : 10.0;
        }
        exponent_ = 0;
    }
};

inline bool is_key_kind(kind k) {
    return k == k_string || k == k_signed || k == k_unsigned || k == k_real;
}

// Passes over one value; nested values through a stack of the open brackets.
inline void skip(reader& rd) {
    if (is_key_kind(rd.token)) return rd.next();
    if (rd.token == k_end || (rd.current() != '[' && rd.current() != '{')) return;
    std::vector<char> open{rd.current()};
    rd.next();
    while (!open.empty()) {
        const bool object = open.back() == '{';
        if (rd.current() == (object ? '}' : ']')) {
            rd.next();
            open.pop_back();
        } else {
            if (object) {
                if (!is_key_kind(rd.token)) rd.error("invalid json document!");
                rd.next();
                if (rd.current() != ':') rd.error("invalid json document!");
                rd.next();
            } else if (rd.token == k_end) {
                rd.error("invalid json document!");
            }
            if (is_key_kind(rd.token)) {
                rd.next();
            } else if (rd.current() == '[' || rd.current() == '{') {
                open.push_back(rd.current());
                rd.next();
                continue;  // the nested value's elements first
            } else if (!object && (rd.current() == ':' || rd.current() == '}')) {
                rd.error("invalid json document!");  // an array that cannot move on
            }
        }
        // After an element or member (a nested one too, once closed): its comma, if any.
        if (!open.empty() && rd.current() == ',') rd.next();
    }
}

inline int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

inline bool unescape(std::string& out, const char* text, uint64_t size) {
    out.clear();
    for (uint64_t i = 0; i < size; ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        if (++i == size) return false;
        const char* plain = std::strchr("\"\\/bfnrt", text[i]);
        if (plain != nullptr && text[i] != '\0') {
            out += "\"\\/\b\f\n\r\t"[plain - "\"\\/bfnrt"];
            continue;
        }
        if (text[i] != 'u' || size - i - 1 < 4) return false;
        uint32_t unit = 0;
        for (int k = 1; k <= 4; ++k) {
            if (hex_digit(text[i + k]) < 0) return false;
            unit = unit * 16 + static_cast<uint32_t>(hex_digit(text[i + k]));
        }
        i += 4;
        if (unit == 0) return false;
        if (unit < 0x80) {
            out += static_cast<char>(unit);
        } else if (unit < 0x800) {
            out += static_cast<char>(0xC0 | (unit >> 6));
            out += static_cast<char>(0x80 | (unit & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (unit >> 12));
            out += static_cast<char>(0x80 | ((unit >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (unit & 0x3F));
        }
    }
    return true;
}

inline bool is_true(const reader& rd) {
    if (rd.token_size != 4) return false;
    for (int i = 0; i < 4; ++i)
        if ((rd.token_text[i] | 0x20) != "true"[i]) return false;
    return true;
}

// A real's magnitude truncated toward zero, saturating beyond 64 bits (the codec's choice where
// the documented rules leave it open).
inline uint64_t truncated(double magnitude) {
    if (magnitude >= 18446744073709551616.0) return UINT64_MAX;
    if (magnitude >= 0) return static_cast<uint64_t>(magnitude);
    if (magnitude <= -9223372036854775808.0) return static_cast<uint64_t>(INT64_MIN);
    if (magnitude < 0) return static_cast<uint64_t>(static_cast<int64_t>(magnitude));
    return 0;
}

template <class T, class = void>
struct is_record : std::false_type {};
template <class T>
struct is_record<T, std::void_t<decltype(lcdjson_members(static_cast<const T*>(nullptr)))>>
    : std::true_type {};

// A record's names in list order.
inline std::vector<std::string> names_of(const char* list) {
    std::vector<std::string> names;
    std::string name;
    for (const char* p = list;; ++p) {
        if (*p == ',' || *p == '\0') {
            const size_t from = name.find_first_not_of(" \t\n\f\r");
            if (from != std::string::npos) {
                names.push_back(name.substr(from, name.find_last_not_of(" \t\n\f\r") + 1 - from));
            }
            name.clear();
            if (*p == '\0') return names;
        } else {
            name += *p;
        }
    }
}

template <class T>
const std::vector<std::string>& names_of() {
    static const std::vector<std::string> names =
        names_of(lcdjson_name_list(static_cast<const T*>(nullptr)));
    return names;
}

template <class T>
void read(reader& rd, T& value);

template <class T, size_t... I>
void read_member(reader& rd, T& record, size_t index, std::index_sequence<I...>) {
    constexpr auto members = lcdjson_members(static_cast<const T*>(nullptr));
    ((I == index ? read(rd, record.*std::get<I>(members)) : void()), ...);
}

template <class T>
void read(reader& rd, T& value) {
    if constexpr (is_record<T>::value) {
        const std::vector<std::string>& names = names_of<T>();
        constexpr size_t count =
            std::tuple_size<decltype(lcdjson_members(static_cast<const T*>(nullptr)))>::value;
        if (rd.current() != '{') rd.error("read object must start with {!");
        rd.next();
        if (rd.current() == '}') return rd.next();
        if (rd.token != k_string) rd.error("object key must be string");
        for (;;) {
            const char* key = rd.token_text;
            const uint64_t key_size = rd.token_size;
            rd.next();
            if (rd.current() != ':') rd.error("invalid json document!");
            rd.next();
            size_t index = 0;
            while (index < names.size() &&
                   names[index].compare(0, std::string::npos, key, key_size) != 0)
                ++index;
            if (index < names.size()) {
                read_member(rd, value, index, std::make_index_sequence<count>());
            } else {
                skip(rd);
            }
            if (rd.current() == '}') return rd.next();
            if (rd.current() != ',') rd.error("invalid json document!");
            rd.next();
            if (rd.token != k_string) rd.error("object key must be string");
        }
    } else if constexpr (std::is_same<T, std::string>::value) {
        if (rd.token != k_string || !unescape(value, rd.token_text, rd.token_size)) {
            rd.error("not a valid string.");
        }
        rd.next();
    } else if constexpr (std::is_same<T, float>::value) {
        if (rd.token == k_unsigned) {
            value = static_cast<float>(rd.u);
        } else if (rd.token == k_signed) {
            value = -static_cast<float>(static_cast<int64_t>(rd.u));
        } else if (rd.token == k_real) {
            value = rd.negative ? -static_cast<float>(rd.d) : static_cast<float>(rd.d);
        } else if (rd.token == k_string) {
            value = static_cast<float>(static_cast<double>(std::strtold(rd.token_text, nullptr)));
        } else {
            rd.error("not a valid float point number.");
        }
        rd.next();
    } else if constexpr (std::is_same<T, int32_t>::value) {
        uint64_t bits = 0;
        if (rd.token == k_unsigned) {
            bits = rd.u;
        } else if (rd.token == k_signed) {
            bits = 0 - rd.u;
        } else if (rd.token == k_real) {
            bits = rd.negative ? 0 - truncated(rd.d) : truncated(rd.d);
        } else if (rd.token == k_string) {
            bits =
                is_true(rd) ? 1 : static_cast<uint64_t>(std::strtoll(rd.token_text, nullptr, 10));
        } else {
            rd.error("not a valid signed integral like number.");
        }
        value = static_cast<int32_t>(static_cast<uint32_t>(bits));
        rd.next();
    } else if constexpr (std::is_unsigned<T>::value) {
        if (rd.token == k_unsigned) {
            value = static_cast<T>(rd.u);
        } else if (rd.token == k_real) {
            if (rd.negative) rd.error("assign a negative float point to unsigned integral number.");
            value = static_cast<T>(truncated(rd.d));
        } else if (rd.token == k_signed) {
            rd.error("assign a negative signed integral to unsigned integral number.");
        } else if (rd.token == k_string) {
            value = is_true(rd) ? T{1} : static_cast<T>(std::strtoull(rd.token_text, nullptr, 10));
        } else {
            rd.error("not a valid unsigned integral like number.");
        }
        rd.next();
    } else {  // a sequence of records
        if (rd.current() != '[') rd.error("array must start with [.");
        rd.next();
        while (rd.current() != ']') {
            value.emplace_back();
            read(rd, value.back());
            if (rd.current() == ',') {
                rd.next();
            } else if (rd.current() != ']') {
                rd.error("no valid array!");
            }
        }
        rd.next();
    }
}

// The decode entry: the value read from the text's first token; false and the error text on a
// failure, the value keeping what was read before it.
template <class T>
bool decode(const std::string& text, T& value, std::string& error) {
    try {
        reader rd(text.c_str(), 0);
        rd.next();
        read(rd, value);
        return true;
    } catch (const failure& e) {
        error = e.what();
    }
    return false;
}

// Every member of a value as text, floats by their bits: what two decodes are compared by.
template <class T>
void dump(std::string& out, const T& value) {
    if constexpr (is_record<T>::value) {
        constexpr auto members = lcdjson_members(static_cast<const T*>(nullptr));
        const std::vector<std::string>& names = names_of<T>();
        size_t i = 0;
        out += '{';
        std::apply(
            [&](auto... member) {
                ((out += names[i++] + '=', dump(out, value.*member), out += ';'), ...);
            },
            members);
        out += '}';
    } else if constexpr (std::is_same<T, std::string>::value) {
        out += std::to_string(value.size()) + ':' + value;
    } else if constexpr (std::is_same<T, float>::value) {
        uint32_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        out += "f" + std::to_string(bits);
    } else if constexpr (std::is_integral<T>::value) {
        out += std::to_string(value);
    } else {
        out += '[' + std::to_string(value.size()) + ':';
        for (const auto& element : value)
            dump(out, element);
        out += ']';
    }
}

}  // namespace ocsm_reference
