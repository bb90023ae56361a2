#include "tvkhost/printer.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <sstream>

namespace tvkhost {

namespace {

// Identifiers whose payloads the host knows (the colour space component's).
constexpr unsigned int kInterfaceInfoReply = 0xFC050201u;
constexpr unsigned int kSetColorSpaceResult = 0xFC070203u;
constexpr unsigned int kColorSpace = 0xFC070204u;
constexpr unsigned int kColorSpaceChanged = 0xFC080204u;

constexpr int kInterfaceInfoSize = 108;
constexpr int kInterfaceNameOffset = 41;
constexpr int kInterfaceNameSize = 64;
constexpr std::size_t kMaxListEntries = 1u << 20;

std::int32_t readInt32(const unsigned char* bytes) {
    const std::uint32_t value =
        static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
        static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
    return static_cast<std::int32_t>(value);
}

Field number(const char* name, long long value) {
    return Field{name, std::to_string(value)};
}

void decodeColorSpace(const unsigned char* data, DecodedPayload& out) {
    out.fields = {number("screenId", readInt32(data)), number("preset", readInt32(data + 4))};
}

void decodeResult(const unsigned char* data, DecodedPayload& out) {
    out.fields = {number("ok", data[0])};
}

void decodeInterfaceInfo(const unsigned char* data, DecodedPayload& out) {
    const char* name = reinterpret_cast<const char*>(data + kInterfaceNameOffset);
    out.fields = {number("interfaceId", readInt32(data)),
                  number("slotId", readInt32(data + 12)),
                  number("connectorId", readInt32(data + 16)),
                  number("capacity", readInt32(data + 20)),
                  number("connectorType", readInt32(data + 24)),
                  number("workMode", readInt32(data + 32)),
                  Field{"name", std::string(name, strnlen(name, kInterfaceNameSize)), true}};
}

// The payload is a std::vector of {int32 screenId; int32 preset} passed by
// address: three pointers (begin, end, end of storage), valid during delivery.
bool decodeColorSpaceList(const unsigned char* data, DecodedPayload& out) {
    const unsigned char* pointers[3];
    std::memcpy(pointers, data, sizeof pointers);
    const unsigned char* begin = pointers[0];
    const unsigned char* end = pointers[1];
    const unsigned char* capacity = pointers[2];
    if (begin > end || end > capacity) return false;
    const std::size_t bytes = static_cast<std::size_t>(end - begin);
    if (bytes % 8 != 0 || bytes / 8 > kMaxListEntries || (bytes != 0 && begin == nullptr)) {
        return false;
    }
    out.list = true;
    for (const unsigned char* entry = begin; entry != end; entry += 8) {
        out.entries.push_back(
            {number("screenId", readInt32(entry)), number("preset", readInt32(entry + 4))});
    }
    return true;
}

std::string hexBytes(const unsigned char* data, int size) {
    std::string hex;
    char pair[4];
    for (int i = 0; i < size; ++i) {
        std::snprintf(pair, sizeof pair, "%02x", data[i]);
        if (i != 0) hex += ' ';
        hex += pair;
    }
    return hex;
}

const char* typeName(Delivery::Type type) {
    switch (type) {
        case Delivery::Type::Command:
            return "command";
        case Delivery::Type::Event:
            return "event";
        case Delivery::Type::Reply:
            break;
    }
    return "reply";
}

const char* kindName(Kind kind) {
    return kind == Kind::Command ? "command" : "event";
}

std::string textValue(const Field& field) {
    return field.text ? jsonString(field.value) : field.value;
}

std::string textFields(const std::vector<Field>& fields) {
    std::string line;
    for (const Field& field : fields) {
        if (!line.empty()) line += ' ';
        line += field.name + "=" + textValue(field);
    }
    return line;
}

std::string jsonFields(const std::vector<Field>& fields) {
    std::string object = "{";
    for (const Field& field : fields) {
        if (object.size() > 1) object += ',';
        object += jsonString(field.name) + ":" + textValue(field);
    }
    return object + "}";
}

}  // namespace

DecodedPayload decodePayload(Delivery::Type type, int id, const unsigned char* data, int size,
                             bool addressesValid) {
    DecodedPayload out;
    if (size < 0 || (size > 0 && data == nullptr)) return out;
    const auto value = static_cast<unsigned int>(id);
    if (type == Delivery::Type::Event && value == kColorSpace && size == 8) {
        decodeColorSpace(data, out);
        out.known = true;
    } else if (type == Delivery::Type::Event && value == kSetColorSpaceResult && size == 1) {
        decodeResult(data, out);
        out.known = true;
    } else if (type == Delivery::Type::Reply && value == kInterfaceInfoReply &&
               size == kInterfaceInfoSize) {
        decodeInterfaceInfo(data, out);
        out.known = true;
    } else if (type == Delivery::Type::Event && value == kColorSpaceChanged && size == 24 &&
               addressesValid) {
        out.known = decodeColorSpaceList(data, out);
    }
    if (!out.known) out.hex = hexBytes(data, size);
    return out;
}

std::string hexId(int id) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned int>(id));
    return text;
}

std::string jsonString(const std::string& text) {
    std::string quoted = "\"";
    for (unsigned char c : text) {
        switch (c) {
            case '"':
                quoted += "\\\"";
                break;
            case '\\':
                quoted += "\\\\";
                break;
            case '\n':
                quoted += "\\n";
                break;
            case '\r':
                quoted += "\\r";
                break;
            case '\t':
                quoted += "\\t";
                break;
            default:
                if (c < 0x20 || c == 0x7f) {
                    char escape[8];
                    std::snprintf(escape, sizeof escape, "\\u%04x", c);
                    quoted += escape;
                } else {
                    quoted += static_cast<char>(c);
                }
        }
    }
    return quoted + "\"";
}

void Printer::delivery(const Delivery& delivery) {
    const DecodedPayload payload = decodePayload(delivery.type, delivery.id, delivery.data,
                                                 delivery.size, delivery.fromComponent);
    std::ostringstream line;
    if (json_) {
        line << "{\"kind\":\"" << typeName(delivery.type) << "\",\"id\":\"" << hexId(delivery.id)
             << "\",\"sender\":" << jsonString(delivery.sender);
        if (delivery.type == Delivery::Type::Event) {
            line << ",\"posted\":" << (delivery.posted ? "true" : "false");
        }
        line << ",\"size\":" << delivery.size;
        if (!payload.known) {
            line << ",\"hex\":\"" << payload.hex << "\"";
        } else if (payload.list) {
            line << ",\"data\":[";
            for (std::size_t i = 0; i < payload.entries.size(); ++i) {
                line << (i ? "," : "") << jsonFields(payload.entries[i]);
            }
            line << "]";
        } else {
            line << ",\"data\":" << jsonFields(payload.fields);
        }
        line << "}";
    } else {
        line << typeName(delivery.type) << ' ' << hexId(delivery.id) << " from "
             << (delivery.sender.empty() ? "?" : delivery.sender)
             << (delivery.posted ? " (posted)" : "") << ":";
        if (!payload.known) {
            line << ' ' << delivery.size << " bytes" << (payload.hex.empty() ? "" : " ")
                 << payload.hex;
        } else if (payload.list) {
            line << ' ' << payload.entries.size() << (payload.entries.size() == 1 ? " entry" : " entries");
            for (const auto& entry : payload.entries)
                line << " [" << textFields(entry) << "]";
        } else {
            line << ' ' << textFields(payload.fields);
        }
    }
    write(line.str());
}

void Printer::noReply(int id, int status) {
    if (json_) {
        write("{\"kind\":\"noreply\",\"id\":\"" + hexId(id) +
              "\",\"status\":" + std::to_string(status) + "}");
    } else {
        write("reply " + hexId(id) + ": none (status " + std::to_string(status) + ")");
    }
}

void Printer::sending(Delivery::Type type, int id, int size, const std::string& what) {
    if (json_) {
        write("{\"kind\":\"send\",\"type\":\"" + std::string(typeName(type)) + "\",\"id\":\"" +
              hexId(id) + "\",\"size\":" + std::to_string(size) + ",\"what\":" + jsonString(what) +
              "}");
    } else {
        write("> " + std::string(typeName(type)) + " " + hexId(id) + " (" + std::to_string(size) +
              " bytes): " + what);
    }
}

void Printer::info(const std::string& path, const PluginInfo& plugin,
                   const std::vector<Host::ComponentView>& components) {
    const auto text = [](const char* value) { return std::string(value ? value : ""); };
    if (json_) {
        write("{\"kind\":\"plugin\",\"path\":" + jsonString(path) + ",\"apiVersion\":" +
              jsonString(text(plugin.apiVersion)) + ",\"name\":" + jsonString(text(plugin.name)) +
              ",\"version\":" + jsonString(text(plugin.version)) +
              ",\"desc\":" + jsonString(text(plugin.desc)) +
              ",\"components\":" + std::to_string(components.size()) + "}");
        for (std::size_t i = 0; i < components.size(); ++i) {
            const Host::ComponentView& component = components[i];
            std::string line = "{\"kind\":\"component\",\"index\":" + std::to_string(i) +
                               ",\"id\":" + jsonString(component.id) +
                               ",\"desc\":" + jsonString(component.desc) + ",\"names\":[";
            for (std::size_t n = 0; n < component.names.size(); ++n) {
                line += (n ? "," : "") + jsonString(component.names[n]);
            }
            line += "],\"subscriptions\":[";
            for (std::size_t s = 0; s < component.subscriptions.size(); ++s) {
                const Subscription& entry = component.subscriptions[s];
                line += std::string(s ? "," : "") + "{\"kind\":\"" + kindName(entry.kind) +
                        "\",\"id\":\"" + hexId(entry.id) +
                        "\",\"component\":" + jsonString(entry.component) + "}";
            }
            write(line + "]}");
        }
        return;
    }
    std::string block = "plugin " + path + "\n";
    block += "  api version: " + jsonString(text(plugin.apiVersion)) + "\n";
    block += "  name:        " + jsonString(text(plugin.name)) + "\n";
    block += "  version:     " + jsonString(text(plugin.version)) + "\n";
    block += "  desc:        " + jsonString(text(plugin.desc)) + "\n";
    block += "  components:  " + std::to_string(components.size());
    for (std::size_t i = 0; i < components.size(); ++i) {
        const Host::ComponentView& component = components[i];
        block += "\ncomponent " + std::to_string(i) + " " + jsonString(component.id) + "\n";
        block += "  desc: " + jsonString(component.desc) + "\n";
        block += "  name:";
        for (const std::string& name : component.names)
            block += " " + jsonString(name);
        block += "\n  subscriptions: " + std::to_string(component.subscriptions.size());
        for (const Subscription& entry : component.subscriptions) {
            block += std::string("\n    ") +
                     (entry.kind == Kind::Command ? "command " : "event   ") + hexId(entry.id) +
                     " " + entry.component;
        }
    }
    write(block);
}

void Printer::write(const std::string& line) {
    std::lock_guard<std::mutex> lock(mutex_);
    out_ << line << '\n';
    out_.flush();
}

}  // namespace tvkhost
