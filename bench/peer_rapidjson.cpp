// RapidJSON as lcdjson's peer: DOM parse, in-situ DOM parse and mapping, Writer.
#include "peer_rapidjson.h"

#include <rapidjson/document.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <cstring>
#include <type_traits>
#include <vector>

#include "heap_tally.h"
#include "record_mapping.h"

namespace bench {
namespace rapidjson_peer {

// RapidJSON's CrtAllocator over the counting heap (outside the unnamed namespace: RapidJSON
// reads kNeedFree only in code this unit does not instantiate).
class TallyAllocator {
public:
    static constexpr bool kNeedFree = true;
    void* Malloc(size_t size) { return size != 0 ? tally_allocate(size) : nullptr; }
    void* Realloc(void* block, size_t, size_t size) {
        if (size == 0) {
            tally_release(block);
            return nullptr;
        }
        return tally_reallocate(block, size);
    }
    static void Free(void* block) { tally_release(block); }
};

namespace {

using Document =
    rapidjson::GenericDocument<rapidjson::UTF8<>, rapidjson::MemoryPoolAllocator<TallyAllocator>,
                               TallyAllocator>;
using Value = Document::ValueType;
using Buffer = rapidjson::GenericStringBuffer<rapidjson::UTF8<>, TallyAllocator>;

uint64_t integer_bits(const Value& value) {
    if (value.IsInt64()) return static_cast<uint64_t>(value.GetInt64());
    if (value.IsUint64()) return value.GetUint64();
    if (value.IsDouble()) return truncated_bits(value.GetDouble());
    if (value.IsBool()) return value.GetBool() ? 1 : 0;
    wrong_kind("integer");
}

template <class T>
void map(const Value& value, T& out) {
    if constexpr (is_record<T>::value) {
        if (!value.IsObject()) wrong_kind("object");
        for (const auto& member : value.GetObject()) {
            const std::string_view key(member.name.GetString(), member.name.GetStringLength());
            visit_field(out, key, [&](auto& field) { map(member.value, field); });
        }
    } else if constexpr (is_sequence<T>::value) {
        if (!value.IsArray()) wrong_kind("array");
        out.reserve(out.size() + value.Size());
        for (const Value& element : value.GetArray()) {
            out.emplace_back();
            map(element, out.back());
        }
    } else if constexpr (std::is_same<T, std::string>::value) {
        if (!value.IsString()) wrong_kind("string");
        out.assign(value.GetString(), value.GetStringLength());
    } else if constexpr (std::is_floating_point<T>::value) {
        if (!value.IsNumber()) wrong_kind("number");
        out = static_cast<T>(value.GetDouble());
    } else {
        out = integer_from_bits<T>(integer_bits(value));
    }
}

// A copy of the text for in-situ parsing, in a buffer kept between calls.
char* insitu_copy(const char* text, size_t size) {
    thread_local std::vector<char> buffer;
    if (buffer.size() < size + 1) buffer.resize(size + 1);
    std::memcpy(buffer.data(), text, size);
    buffer[size] = '\0';
    return buffer.data();
}

template <class T>
bool parse_and_map(const char* text, size_t size, T& out) {
    Document doc;
    doc.ParseInsitu(insitu_copy(text, size));
    if (doc.HasParseError()) return false;
    try {
        map(doc, out);
    } catch (const mapping_error&) {
        return false;
    }
    return true;
}

template <class Records>
bool decode_answer(const std::string& text, Records& records) {
    return parse_and_map(text.data(), text.size(), records);
}

template <class Writer, class T>
void write(Writer& writer, const T& value) {
    if constexpr (is_record<T>::value) {
        writer.StartObject();
        for_each_field(value, [&](std::string_view name, const auto& member) {
            writer.Key(name.data(), static_cast<rapidjson::SizeType>(name.size()));
            write(writer, member);
        });
        writer.EndObject();
    } else if constexpr (is_sequence<T>::value) {
        writer.StartArray();
        for (const auto& element : value)
            write(writer, element);
        writer.EndArray();
    } else if constexpr (std::is_same<T, std::string>::value) {
        writer.String(value.data(), static_cast<rapidjson::SizeType>(value.size()));
    } else {
        static_assert(std::is_integral<T>::value, "a member kind the writer knows");
        if constexpr (std::is_signed<T>::value && sizeof(T) <= 4) {
            writer.Int(value);
        } else if constexpr (std::is_signed<T>::value) {
            writer.Int64(value);
        } else if constexpr (sizeof(T) <= 4) {
            writer.Uint(value);
        } else {
            writer.Uint64(value);
        }
    }
}

template <class TargetEncoding, class Write>
size_t write_into_buffer(std::string* copy, Write write_value) {
    Buffer buffer;
    rapidjson::Writer<Buffer, rapidjson::UTF8<>, TargetEncoding, TallyAllocator> writer(buffer);
    write_value(writer);
    if (copy != nullptr) copy->assign(buffer.GetString(), buffer.GetSize());
    return buffer.GetSize();
}

}  // namespace

bool parse(const std::string& text) {
    Document doc;
    doc.Parse(text.data(), text.size());
    return !doc.HasParseError();
}

bool parse_report(const std::string& text) {
    Document doc;
    doc.Parse(text.data(), text.size());
    if (doc.HasParseError() || !doc.IsObject()) return false;
    const auto body = doc.FindMember("body");
    if (body == doc.MemberEnd() || !body->value.IsString()) return false;
    Document changed;
    changed.Parse(body->value.GetString(), body->value.GetStringLength());
    return !changed.HasParseError();
}

bool decode(const std::string& text, ScreenAnswer& records) {
    return decode_answer(text, records);
}
bool decode(const std::string& text, InterfaceAnswer& records) {
    return decode_answer(text, records);
}
bool decode(const std::string& text, ReportRecords& records) {
    if (!parse_and_map(text.data(), text.size(), records.report)) return false;
    const std::string& body = records.report.body;
    return parse_and_map(body.data(), body.size(), records.changed);
}

size_t encode(const ColorSpaceList& list, std::string* copy) {
    return write_into_buffer<rapidjson::UTF8<>>(copy, [&](auto& writer) { write(writer, list); });
}

size_t write_string(const std::string& text, std::string* copy) {
    return write_into_buffer<rapidjson::ASCII<>>(copy, [&](auto& writer) {
        writer.String(text.data(), static_cast<rapidjson::SizeType>(text.size()));
    });
}

}  // namespace rapidjson_peer
}  // namespace bench
