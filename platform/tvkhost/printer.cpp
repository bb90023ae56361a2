// The host's output: deliveries with decoded payloads, what it sends, the plugin information.
#include "tvkhost/printer.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>
#include <sstream>

#include "outputcolorspacemodel/messageids.h"
#include "protomodel/interfacerecords.h"
#include "protomodel/screenrecords.h"

namespace tvkhost {

namespace {

using LCD::ProtoModel::Interface::s_InterfaceSourceInfo;
using LCD::ProtoModel::Screen::s_ScreenColorSpace;
using ColorSpaceList = std::vector<s_ScreenColorSpace>;

static_assert(sizeof(s_ScreenColorSpace) == ColorSpace::kColorSpacePayloadSize);
static_assert(sizeof(s_InterfaceSourceInfo) == ColorSpace::kInterfaceInfoPayloadSize);
// The changed screens travel as the component's list object itself.
static_assert(sizeof(ColorSpaceList) == ColorSpace::kListObjectSize);

// One named value of a decoded payload, already formatted.
struct Field {
    std::string name;
    std::string value;  // a number's digits, or the raw text when `text` is set
    bool text = false;
};
using Fields = std::vector<Field>;

// A decoded payload: one record, or a list of them.
struct Decoded {
    bool list = false;
    std::vector<Fields> entries;
};

Field number(const char* name, long long value) {
    return Field{name, std::to_string(value)};
}

template <class Record>
Record recordAt(const unsigned char* data) {
    Record record;
    std::memcpy(&record, data, sizeof record);
    return record;
}

Fields colorSpaceFields(const s_ScreenColorSpace& colorSpace) {
    return {number("screenId", colorSpace.screenId),
            number("preset", colorSpace.colorSpace.preset)};
}

Fields interfaceFields(const s_InterfaceSourceInfo& info) {
    return {number("interfaceId", info.interfaceId),
            number("slotId", info.slotId),
            number("connectorId", info.connectorId),
            number("capacity", info.capacity),
            number("connectorType", info.connectorType),
            number("workMode", info.workMode),
            Field{"name", std::string(info.name, strnlen(info.name, sizeof info.name)), true}};
}

// Only the component's own messages of their exact size; anything else stays bytes.
std::optional<Decoded> decode(const Delivery& delivery) {
    using namespace ColorSpace;
    if (delivery.size <= 0 || delivery.data == nullptr) return std::nullopt;
    const auto id = static_cast<unsigned int>(delivery.id);
    const bool event = delivery.type == Delivery::Type::Event;
    if (event && id == kColorSpaceId && delivery.size == kColorSpacePayloadSize) {
        return Decoded{false, {colorSpaceFields(recordAt<s_ScreenColorSpace>(delivery.data))}};
    }
    if (event && id == kSetColorSpaceResultId && delivery.size == kSetResultPayloadSize) {
        return Decoded{false, {{number("ok", delivery.data[0])}}};
    }
    if (delivery.type == Delivery::Type::Reply && id == kGetRegularScreenInterfaceInfoId &&
        delivery.size == kInterfaceInfoPayloadSize) {
        return Decoded{false, {interfaceFields(recordAt<s_InterfaceSourceInfo>(delivery.data))}};
    }
    // The list's addresses point into the sending component, so only a component's list is
    // read, and only while it is delivered.
    if (event && id == kColorSpaceChangedId && delivery.size == kListObjectSize &&
        delivery.fromComponent) {
        // A list object holds its first, end and capacity addresses; anything else is shown as
        // bytes rather than followed.
        std::uintptr_t words[3];
        std::memcpy(words, delivery.data, sizeof words);
        const std::uintptr_t bytes = words[1] - words[0];
        if (words[0] > words[1] || words[1] > words[2] || bytes % sizeof(s_ScreenColorSpace) != 0 ||
            bytes > 65536 * sizeof(s_ScreenColorSpace) || (words[0] == 0) != (words[2] == 0))
            return std::nullopt;
        Decoded decoded{true, {}};
        for (const s_ScreenColorSpace& entry :
             *reinterpret_cast<const ColorSpaceList*>(delivery.data)) {
            decoded.entries.push_back(colorSpaceFields(entry));
        }
        return decoded;
    }
    return std::nullopt;
}

// Lower-case pairs separated by blanks.
std::string hexBytes(const Delivery& delivery) {
    std::string hex;
    char pair[4];
    for (int i = 0; delivery.data != nullptr && i < delivery.size; ++i) {
        std::snprintf(pair, sizeof pair, "%02x", delivery.data[i]);
        if (i != 0) hex += ' ';
        hex += pair;
    }
    return hex;
}

std::string jsonString(const std::string& text) {
    std::string quoted = "\"";
    for (const unsigned char c : text) {
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

std::string fieldValue(const Field& field) {
    return field.text ? jsonString(field.value) : field.value;
}

std::string textFields(const Fields& fields) {
    std::string line;
    for (const Field& field : fields) {
        if (!line.empty()) line += ' ';
        line += field.name + "=" + fieldValue(field);
    }
    return line;
}

std::string jsonFields(const Fields& fields) {
    std::string object = "{";
    for (const Field& field : fields) {
        if (object.size() > 1) object += ',';
        object += jsonString(field.name) + ":" + fieldValue(field);
    }
    return object + "}";
}

}  // namespace

std::string hexId(int id) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned int>(id));
    return text;
}

void Printer::delivery(const Delivery& delivery) {
    const std::optional<Decoded> payload = decode(delivery);
    std::ostringstream line;
    if (json_) {
        line << "{\"kind\":\"" << typeName(delivery.type) << "\",\"id\":\"" << hexId(delivery.id)
             << "\",\"sender\":" << jsonString(delivery.sender);
        if (delivery.type == Delivery::Type::Event) {
            line << ",\"posted\":" << (delivery.posted ? "true" : "false");
        }
        line << ",\"size\":" << delivery.size;
        if (!payload) {
            line << ",\"hex\":\"" << hexBytes(delivery) << "\"";
        } else if (payload->list) {
            line << ",\"data\":[";
            for (std::size_t i = 0; i < payload->entries.size(); ++i) {
                line << (i ? "," : "") << jsonFields(payload->entries[i]);
            }
            line << "]";
        } else {
            line << ",\"data\":" << jsonFields(payload->entries.front());
        }
        line << "}";
    } else {
        line << typeName(delivery.type) << ' ' << hexId(delivery.id) << " from "
             << (delivery.sender.empty() ? "?" : delivery.sender)
             << (delivery.posted ? " (posted)" : "") << ":";
        if (!payload) {
            const std::string hex = hexBytes(delivery);
            line << ' ' << delivery.size << " bytes" << (hex.empty() ? "" : " ") << hex;
        } else if (payload->list) {
            const std::size_t count = payload->entries.size();
            line << ' ' << count << (count == 1 ? " entry" : " entries");
            for (const Fields& entry : payload->entries)
                line << " [" << textFields(entry) << "]";
        } else {
            line << ' ' << textFields(payload->entries.front());
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
    const auto text = [](const char* value) { return jsonString(value ? value : ""); };
    const auto kindName = [](Kind kind) { return kind == Kind::Command ? "command" : "event"; };
    if (json_) {
        write("{\"kind\":\"plugin\",\"path\":" + jsonString(path) +
              ",\"apiVersion\":" + text(plugin.apiVersion) + ",\"name\":" + text(plugin.name) +
              ",\"version\":" + text(plugin.version) + ",\"desc\":" + text(plugin.desc) +
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
    block += "  api version: " + text(plugin.apiVersion) + "\n";
    block += "  name:        " + text(plugin.name) + "\n";
    block += "  version:     " + text(plugin.version) + "\n";
    block += "  desc:        " + text(plugin.desc) + "\n";
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
