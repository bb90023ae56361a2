// The command table, argument checking, and the sends each command makes.
#include "tvkhost/commands.h"

#include <cctype>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string_view>
#include <utility>

#include "controller/textnumbers.h"
#include "outputcolorspacemodel/messageids.h"
#include "protomodel/screenrecords.h"

namespace tvkhost {

namespace {

using Arguments = std::vector<std::string>;
using Bytes = std::vector<unsigned char>;

struct CommandSpec {
    const char* name;
    const char* arguments;
    const char* summary;
    std::size_t minArguments;
    std::size_t maxArguments;
    // Checks and converts the arguments into what runs the command later.
    bool (*prepare)(const Arguments& arguments, Runner& run, std::string& error);
};

constexpr std::size_t kUnlimited = static_cast<std::size_t>(-1);

// Decimal or 0x-hex, with an optional minus sign.
bool readNumber(const std::string& text, int64_t min, int64_t max, int64_t& value) {
    const bool negative = !text.empty() && text[0] == '-';
    const std::string digits = text.substr(negative ? 1 : 0);
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
        const std::string hex = digits.substr(2);
        // from_chars would take a second sign after the 0x.
        if (!std::isxdigit(static_cast<unsigned char>(hex[0]))) return false;
        return ControllerSim::parseDecimal((negative ? "-" : "") + hex, min, max, value, 16);
    }
    return ControllerSim::parseDecimal(text, min, max, value);
}

// Identifiers above 0x7FFFFFFF travel as negative ints, so both spellings are taken.
bool readMessageId(const std::string& text, int& id, std::string& error) {
    int64_t value = 0;
    if (!readNumber(text, INT32_MIN, UINT32_MAX, value)) {
        error = "bad message identifier '" + text + "' (decimal or 0x-hex, at most 32 bits)";
        return false;
    }
    id = static_cast<int>(static_cast<uint32_t>(value));
    return true;
}

bool readInt32(const std::string& text, const char* what, int32_t& number, std::string& error) {
    int64_t value = 0;
    if (!readNumber(text, INT32_MIN, INT32_MAX, value)) {
        error = std::string("bad ") + what + " '" + text + "' (a 32-bit integer)";
        return false;
    }
    number = static_cast<int32_t>(value);
    return true;
}

// Each word holds pairs of hex digits, optionally split by ':' '-' ',' or '_'.
bool readHexBytes(Arguments::const_iterator word, Arguments::const_iterator end, Bytes& bytes,
                  std::string& error) {
    for (; word != end; ++word) {
        std::string digits;
        for (const char c : *word)
            if (std::string_view(":-,_").find(c) == std::string_view::npos) digits += c;
        for (std::size_t i = 0; i < digits.size(); i += 2) {
            int64_t byte = 0;
            if (!ControllerSim::parseDecimal(digits.substr(i, 2), 0, 255, byte, 16)) {
                error = "bad hex bytes '" + *word + "'";
                return false;
            }
            bytes.push_back(static_cast<unsigned char>(byte));
        }
        if (digits.size() % 2 != 0) {
            error = "bad hex bytes '" + *word + "' (odd number of hex digits)";
            return false;
        }
    }
    return true;
}

int sizeOf(const Bytes& bytes) {
    return static_cast<int>(bytes.size());
}

bool fail(CommandContext& context, const std::string& text) {
    context.err << "tvkhost: " << text << '\n';
    return false;
}

bool sendCommand(CommandContext& context, int id, const Bytes& payload, const std::string& what) {
    if (!context.host.hasSubscriber(Kind::Command, id)) {
        return fail(context, "no component subscribed command " + hexId(id));
    }
    context.printer.sending(Delivery::Type::Command, id, sizeOf(payload), what);
    const Host::CommandResult result =
        context.host.sendCommand(id, payload.data(), sizeOf(payload));
    if (result.status != kOk) {
        return fail(context, "command " + hexId(id) + " (" + std::to_string(payload.size()) +
                                 (payload.size() == 1 ? " byte" : " bytes") +
                                 ") failed with status " + std::to_string(result.status));
    }
    if (!result.replied) context.printer.noReply(id, result.status);
    return true;
}

bool deliverEvent(CommandContext& context, int id, const Bytes& payload, bool post,
                  const std::string& what) {
    if (!context.host.hasSubscriber(Kind::Event, id)) {
        return fail(context, "no component subscribed event " + hexId(id));
    }
    context.printer.sending(Delivery::Type::Event, id, sizeOf(payload), what);
    const int status = post ? context.host.postEvent(id, payload.data(), sizeOf(payload))
                            : context.host.sendEvent(id, payload.data(), sizeOf(payload));
    if (status != kOk) {
        return fail(context, std::string(post ? "posting" : "sending") + " event " + hexId(id) +
                                 " failed with status " + std::to_string(status));
    }
    return true;
}

Runner commandRunner(int id, Bytes payload, std::string what) {
    return [id, payload, what](CommandContext& context) {
        return sendCommand(context, id, payload, what);
    };
}

Runner eventRunner(int id, Bytes payload, bool post, std::string what) {
    return [id, payload, post, what](CommandContext& context) {
        return deliverEvent(context, id, payload, post, what);
    };
}

// The report travels as its text and a terminating NUL.
Bytes reportPayload(const std::string& text) {
    Bytes bytes(text.begin(), text.end());
    bytes.push_back(0);
    return bytes;
}

bool prepareInfo(const Arguments&, Runner& run, std::string&) {
    run = [](CommandContext& context) {
        const PluginInfo* plugin = context.host.pluginInfo();
        if (plugin == nullptr) return fail(context, "no plugin loaded");
        context.printer.info(context.host.pluginPath(), *plugin, context.host.components());
        return true;
    };
    return true;
}

// send-command, send-event and post-event: ID [HEXBYTES...]
template <bool command, bool post>
bool prepareMessage(const Arguments& arguments, Runner& run, std::string& error) {
    int id = 0;
    Bytes payload;
    if (!readMessageId(arguments[0], id, error) ||
        !readHexBytes(arguments.begin() + 1, arguments.end(), payload, error)) {
        return false;
    }
    const char* what = command ? "send-command" : post ? "post-event" : "send-event";
    run = command ? commandRunner(id, std::move(payload), what)
                  : eventRunner(id, std::move(payload), post, what);
    return true;
}

bool prepareGetColorSpace(const Arguments&, Runner& run, std::string&) {
    run = eventRunner(static_cast<int>(ColorSpace::kGetColorSpaceId), {}, false, "get-colorspace");
    return true;
}

bool prepareSetColorSpace(const Arguments& arguments, Runner& run, std::string& error) {
    LCD::ProtoModel::Screen::s_ScreenColorSpace record;
    if (!readInt32(arguments[0], "screen id", record.screenId, error) ||
        !readInt32(arguments[1], "colour space value", record.colorSpace.preset, error)) {
        return false;
    }
    Bytes payload(sizeof record);
    std::memcpy(payload.data(), &record, sizeof record);
    run = commandRunner(static_cast<int>(ColorSpace::kSetColorSpaceId), std::move(payload),
                        "set-colorspace screenId=" + std::to_string(record.screenId) +
                            " preset=" + std::to_string(record.colorSpace.preset));
    return true;
}

bool prepareInterfaceInfo(const Arguments&, Runner& run, std::string&) {
    run = commandRunner(static_cast<int>(ColorSpace::kGetRegularScreenInterfaceInfoId), {},
                        "interface-info");
    return true;
}

bool prepareAutoReport(const Arguments& arguments, Runner& run, std::string& error) {
    std::string text = arguments[0];
    std::string what = "auto-report";
    if (!text.empty() && text[0] == '@') {
        const std::string path = text.substr(1);
        std::ifstream file(path, std::ios::binary);
        if (!file) {
            error = "cannot read auto-report file '" + path + "'";
            return false;
        }
        text.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
        what += " from " + path;
    }
    run = [text, what](CommandContext& context) { return sendAutoReport(context, text, what); };
    return true;
}

const std::vector<CommandSpec>& commandTable() {
    static const std::vector<CommandSpec> table = {
        {"info", "", "print the plugin information, the component table and the subscriptions", 0,
         0, prepareInfo},
        {"send-command", "ID [HEXBYTES...]", "send a command to its subscriber and print the reply",
         1, kUnlimited, prepareMessage<true, false>},
        {"send-event", "ID [HEXBYTES...]", "send an event, delivered before the command ends", 1,
         kUnlimited, prepareMessage<false, false>},
        {"post-event", "ID [HEXBYTES...]", "post an event, delivered on the delivery thread", 1,
         kUnlimited, prepareMessage<false, true>},
        {"get-colorspace", "", "event 0xFC050206: the first regular screen's colour space", 0, 0,
         prepareGetColorSpace},
        {"set-colorspace", "SCREEN VALUE", "command 0xFC050205: set a screen's colour space", 2, 2,
         prepareSetColorSpace},
        {"interface-info", "", "command 0xFC050201: the interface behind the first output", 0, 0,
         prepareInterfaceInfo},
        {"auto-report", "TEXT|@FILE", "event 0x00071107: a controller auto-report", 1, 1,
         prepareAutoReport},
    };
    return table;
}

const CommandSpec* findCommand(const std::string& name) {
    for (const CommandSpec& command : commandTable())
        if (name == command.name) return &command;
    return nullptr;
}

}  // namespace

bool prepareSteps(const std::vector<std::string>& words, std::vector<Step>& steps,
                  std::string& error) {
    const CommandSpec* current = nullptr;
    Arguments arguments;
    const auto finish = [&] {
        if (current == nullptr) return true;
        if (arguments.size() < current->minArguments || arguments.size() > current->maxArguments) {
            error = std::string("wrong number of arguments for '") + current->name +
                    "' (usage: " + current->name + " " + current->arguments + ")";
            return false;
        }
        Runner run;
        if (!current->prepare(arguments, run, error)) return false;
        steps.push_back(Step{current->name, std::move(run)});
        arguments.clear();
        return true;
    };
    for (const std::string& word : words) {
        if (const CommandSpec* command = findCommand(word)) {
            if (!finish()) return false;
            current = command;
        } else if (current != nullptr) {
            arguments.push_back(word);
        } else {
            error = "unknown command '" + word + "'";
            return false;
        }
    }
    return finish();
}

bool sendAutoReport(CommandContext& context, const std::string& text, const std::string& what) {
    return deliverEvent(context, static_cast<int>(ColorSpace::kAutoReportId), reportPayload(text),
                        false, what);
}

std::string commandHelp() {
    std::string text = "Commands:\n";
    for (const CommandSpec& command : commandTable()) {
        std::string head = std::string(command.name) + " " + command.arguments;
        if (head.size() < 30) head.resize(30, ' ');
        text += "  " + head + " " + command.summary + "\n";
    }
    return text +
           "\n"
           "ID is a 32-bit message identifier, decimal or 0x-hex (0xFC050201).\n"
           "HEXBYTES is the payload as hex digit pairs (01000000 02000000 or 01:00:00:00).\n";
}

}  // namespace tvkhost
