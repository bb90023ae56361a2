#include "tvkhost/cli.h"

#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>

#include "tvkhost/reportfollower.h"

// The install's library folder relative to its prefix (GNUInstallDirs).
#ifndef OCSM_INSTALL_LIBDIR
#define OCSM_INSTALL_LIBDIR "lib"
#endif

namespace tvkhost {

namespace {

const char kProgram[] = "tvkhost";

// The plugin's messages that the named commands send.
constexpr unsigned int kGetRegularScreenInterfaceInfo = 0xFC050201u;
constexpr unsigned int kSetColorSpace = 0xFC050205u;
constexpr unsigned int kGetColorSpace = 0xFC050206u;
constexpr unsigned int kAutoReport = 0x00071107u;

const char kDefaultController[] = "http://127.0.0.1:8080";

volatile std::sig_atomic_t stopRequested = 0;
extern "C" void requestStop(int) {
    stopRequested = 1;
}

bool parseSigned(const std::string& text, long long& value) {
    if (text.empty() || text.size() > 32) return false;
    const bool negative = text[0] == '-';
    const std::string digits = negative ? text.substr(1) : text;
    const bool hex =
        digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X');
    const std::string body = hex ? digits.substr(2) : digits;
    if (body.empty()) return false;
    for (char c : body) {
        const bool ok =
            hex ? std::isxdigit(static_cast<unsigned char>(c)) != 0 : (c >= '0' && c <= '9');
        if (!ok) return false;
    }
    errno = 0;
    const unsigned long long magnitude = std::strtoull(body.c_str(), nullptr, hex ? 16 : 10);
    if (errno == ERANGE || magnitude > 0xFFFFFFFFull) return false;
    value = negative ? -static_cast<long long>(magnitude) : static_cast<long long>(magnitude);
    return true;
}

std::string payloadText(const std::vector<unsigned char>& bytes) {
    return std::to_string(bytes.size()) + " byte" + (bytes.size() == 1 ? "" : "s");
}

int sizeOf(const std::vector<unsigned char>& bytes) {
    return static_cast<int>(bytes.size());
}

struct MessageArguments {
    int id;
    std::vector<unsigned char> payload;
};

MessageArguments messageArguments(const std::vector<std::string>& arguments) {
    MessageArguments parsed{parseMessageId(arguments.at(0)), {}};
    parsed.payload =
        parseHexBytes(std::vector<std::string>(arguments.begin() + 1, arguments.end()));
    return parsed;
}

int fail(Session& session, const std::string& text) {
    session.err << kProgram << ": " << text << '\n';
    return kExitFailure;
}

Runner prepareInfo(const std::vector<std::string>&) {
    return [](Session& session) {
        const PluginInfo* plugin = session.host.pluginInfo();
        if (plugin == nullptr) return fail(session, "no plugin loaded");
        session.printer.info(session.host.pluginPath(), *plugin, session.host.components());
        return static_cast<int>(kExitOk);
    };
}

Runner commandRunner(int id, std::vector<unsigned char> payload, std::string what) {
    return [id, payload, what](Session& session) {
        if (!session.host.hasSubscriber(Kind::Command, id)) {
            return fail(session, "no component subscribed command " + hexId(id));
        }
        session.printer.sending(Delivery::Type::Command, id, sizeOf(payload), what);
        const Host::CommandResult result =
            session.host.sendCommand(id, payload.data(), sizeOf(payload));
        if (result.status != kOk) {
            return fail(session, "command " + hexId(id) + " (" + payloadText(payload) +
                                     ") failed with status " + std::to_string(result.status));
        }
        if (!result.replied) session.printer.noReply(id, result.status);
        return static_cast<int>(kExitOk);
    };
}

int deliverEvent(Session& session, int id, const std::vector<unsigned char>& payload, bool post,
                 const std::string& what) {
    if (!session.host.hasSubscriber(Kind::Event, id)) {
        return fail(session, "no component subscribed event " + hexId(id));
    }
    session.printer.sending(Delivery::Type::Event, id, sizeOf(payload), what);
    const int status = post ? session.host.postEvent(id, payload.data(), sizeOf(payload))
                            : session.host.sendEvent(id, payload.data(), sizeOf(payload));
    if (status != kOk) {
        return fail(session, std::string(post ? "posting" : "sending") + " event " + hexId(id) +
                                 " failed with status " + std::to_string(status));
    }
    return kExitOk;
}

Runner eventRunner(int id, std::vector<unsigned char> payload, bool post, std::string what) {
    return [id, payload, post, what](Session& session) {
        return deliverEvent(session, id, payload, post, what);
    };
}

Runner prepareSendCommand(const std::vector<std::string>& arguments) {
    MessageArguments parsed = messageArguments(arguments);
    return commandRunner(parsed.id, std::move(parsed.payload), "send-command");
}

Runner prepareSendEvent(const std::vector<std::string>& arguments) {
    MessageArguments parsed = messageArguments(arguments);
    return eventRunner(parsed.id, std::move(parsed.payload), false, "send-event");
}

Runner preparePostEvent(const std::vector<std::string>& arguments) {
    MessageArguments parsed = messageArguments(arguments);
    return eventRunner(parsed.id, std::move(parsed.payload), true, "post-event");
}

Runner prepareGetColorSpace(const std::vector<std::string>&) {
    return eventRunner(static_cast<int>(kGetColorSpace), {}, false, "get-colorspace");
}

// The colour space payload: screen id and value, each a little-endian int32.
std::vector<unsigned char> colorSpacePayload(int screen, int value) {
    std::vector<unsigned char> bytes;
    for (const int field : {screen, value}) {
        const auto bits = static_cast<std::uint32_t>(field);
        for (int shift = 0; shift < 32; shift += 8)
            bytes.push_back(static_cast<unsigned char>(bits >> shift));
    }
    return bytes;
}

Runner prepareSetColorSpace(const std::vector<std::string>& arguments) {
    const int screen = parseInt32(arguments.at(0), "screen id");
    const int value = parseInt32(arguments.at(1), "colour space value");
    return commandRunner(
        static_cast<int>(kSetColorSpace), colorSpacePayload(screen, value),
        "set-colorspace screenId=" + std::to_string(screen) + " preset=" + std::to_string(value));
}

Runner prepareInterfaceInfo(const std::vector<std::string>&) {
    return commandRunner(static_cast<int>(kGetRegularScreenInterfaceInfo), {}, "interface-info");
}

// The report travels as its text and a terminating NUL.
std::vector<unsigned char> reportPayload(const std::string& text) {
    std::vector<unsigned char> bytes(text.begin(), text.end());
    bytes.push_back(0);
    return bytes;
}

Runner prepareAutoReport(const std::vector<std::string>& arguments) {
    std::string text = arguments.at(0);
    std::string what = "auto-report";
    if (!text.empty() && text[0] == '@') {
        const std::string path = text.substr(1);
        std::ifstream file(path, std::ios::binary);
        if (!file) throw UsageError("cannot read auto-report file '" + path + "'");
        text.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
        what += " from " + path;
    }
    return eventRunner(static_cast<int>(kAutoReport), reportPayload(text), false, what);
}

std::string environment(const char* name, const char* fallback) {
    const char* value = std::getenv(name);
    return value && *value ? value : fallback;
}

// Relays every report the controller has made so far and not yet relayed.
int relayReports(Session& session, ReportFollower& follower) {
    std::string error;
    std::uint64_t newest = 0;
    if (!follower.latest(newest, error)) return fail(session, error);
    while (follower.taken() < newest) {
        ReportFollower::Report report;
        if (!follower.next(std::chrono::seconds(2), report, error)) {
            return fail(session, error.empty()
                                     ? "auto-report " + std::to_string(newest) + " did not arrive"
                                     : error);
        }
        const int status =
            deliverEvent(session, static_cast<int>(kAutoReport), reportPayload(report.text), false,
                         "auto-report " + std::to_string(report.seq));
        if (status != kExitOk) return status;
        if (!session.host.drain(session.options.wait))
            return fail(session, "posted events undelivered");
    }
    return kExitOk;
}

// Relays reports as they come until SIGINT or SIGTERM.
int followReports(Session& session, ReportFollower& follower) {
    stopRequested = 0;
    std::signal(SIGINT, requestStop);
    std::signal(SIGTERM, requestStop);
    std::string error;
    while (!stopRequested) {
        ReportFollower::Report report;
        if (!follower.next(std::chrono::milliseconds(500), report, error)) {
            if (!error.empty()) return fail(session, error);
            continue;
        }
        const int status =
            deliverEvent(session, static_cast<int>(kAutoReport), reportPayload(report.text), false,
                         "auto-report " + std::to_string(report.seq));
        if (status != kExitOk) return status;
        session.host.drain(session.options.wait);
    }
    return kExitOk;
}

const CommandSpec* findCommand(const std::string& name) {
    for (const CommandSpec& command : commandTable()) {
        if (name == command.name) return &command;
    }
    return nullptr;
}

std::chrono::milliseconds parseWait(const std::string& text) {
    long long value = 0;
    if (!parseSigned(text, value) || value < 0 || value > 3600000) {
        throw UsageError("bad --wait-ms value '" + text + "' (0 to 3600000)");
    }
    return std::chrono::milliseconds(value);
}

}  // namespace

const std::vector<CommandSpec>& commandTable() {
    static const std::vector<CommandSpec> table = {
        {"info", "", "print the plugin information, the component table and the subscriptions", 0,
         0, prepareInfo},
        {"send-command", "ID [HEXBYTES...]", "send a command to its subscriber and print the reply",
         1, kUnlimited, prepareSendCommand},
        {"send-event", "ID [HEXBYTES...]", "send an event, delivered before the command ends", 1,
         kUnlimited, prepareSendEvent},
        {"post-event", "ID [HEXBYTES...]", "post an event, delivered on the delivery thread", 1,
         kUnlimited, preparePostEvent},
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

int parseMessageId(const std::string& text) {
    long long value = 0;
    if (!parseSigned(text, value) || value < INT32_MIN) {
        throw UsageError("bad message identifier '" + text +
                         "' (decimal or 0x-hex, at most 32 bits)");
    }
    // Identifiers above 0x7FFFFFFF travel as negative ints.
    return static_cast<int>(static_cast<std::uint32_t>(value));
}

int parseInt32(const std::string& text, const char* what) {
    long long value = 0;
    if (!parseSigned(text, value) || value < INT32_MIN || value > INT32_MAX) {
        throw UsageError(std::string("bad ") + what + " '" + text + "' (a 32-bit integer)");
    }
    return static_cast<int>(value);
}

std::vector<unsigned char> parseHexBytes(const std::vector<std::string>& words) {
    std::vector<unsigned char> bytes;
    for (const std::string& word : words) {
        std::string digits;
        for (char c : word) {
            if (c == ':' || c == '-' || c == ',' || c == '_') continue;
            if (!std::isxdigit(static_cast<unsigned char>(c))) {
                throw UsageError("bad hex bytes '" + word + "'");
            }
            digits += c;
        }
        if (digits.size() % 2 != 0) {
            throw UsageError("bad hex bytes '" + word + "' (odd number of hex digits)");
        }
        for (std::size_t i = 0; i < digits.size(); i += 2) {
            bytes.push_back(
                static_cast<unsigned char>(std::strtoul(digits.substr(i, 2).c_str(), nullptr, 16)));
        }
    }
    return bytes;
}

std::string usage() {
    std::ostringstream text;
    text << "usage: " << kProgram << " [OPTIONS] [COMMAND [ARGS...]]...\n"
         << "\n"
         << "Loads the plugin, creates and starts its components, then runs the commands in\n"
         << "the order given. Events and replies that come back to the host are printed\n"
         << "decoded. With no command, runs 'info'.\n"
         << "\n"
         << "options:\n"
         << "  --plugin PATH   plugin library (default: " << defaultPluginPath() << ")\n"
         << "  --json          print one JSON object per line\n"
         << "  --wait-ms N     wait at most N ms for posted events after each command\n"
         << "                  (default 5000)\n"
         << "  --controller URL  the controller's REST service, for the plugin and for\n"
         << "                  --follow-reports (default: $RESTLINK_BASE_URL, else\n"
         << "                  " << kDefaultController << ")\n"
         << "  --token TOKEN   the login token (default: $RESTLINK_TOKEN)\n"
         << "  --follow-reports  relay the controller's auto-reports to the plugin as event\n"
         << "                  0x00071107: after each command those it caused; with no\n"
         << "                  command, every report until interrupted\n"
         << "  -h, --help      print this help and exit\n"
         << "\n"
         << "commands:\n";
    for (const CommandSpec& command : commandTable()) {
        std::string head = std::string(command.name) + " " + command.arguments;
        if (head.size() < 30) head.resize(30, ' ');
        text << "  " << head << " " << command.summary << "\n";
    }
    text << "\n"
         << "ID is a 32-bit message identifier, decimal or 0x-hex (0xFC050201).\n"
         << "HEXBYTES is the payload as hex digit pairs (01000000 02000000 or 01:00:00:00).\n"
         << "\n"
         << "exit status: 0 success, 1 a command or the plugin failed, 2 bad command line.\n";
    return text.str();
}

std::string defaultPluginPath() {
    const char kLibrary[] = "liboutputcolorspacemodel.so";
    char buffer[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length <= 0) return std::string("../lib/") + kLibrary;
    std::string executable(buffer, static_cast<std::size_t>(length));
    const std::size_t slash = executable.rfind('/');
    const std::string directory = slash == std::string::npos ? "." : executable.substr(0, slash);
    // Installed: the plugins folder under the library folder beside bin/.
    const std::string plugins =
        directory + "/../" OCSM_INSTALL_LIBDIR "/outputcolorspacemodel/plugins";
    char resolved[PATH_MAX];
    if (realpath((plugins + "/" + kLibrary).c_str(), resolved) != nullptr) return resolved;
    // Build tree: lib/ beside bin/.
    const std::string libraries = directory + "/../lib";
    if (realpath(libraries.c_str(), resolved) != nullptr) {
        return std::string(resolved) + "/" + kLibrary;
    }
    return libraries + "/" + kLibrary;
}

Invocation parseCommandLine(const std::vector<std::string>& arguments) {
    Invocation invocation;
    const CommandSpec* current = nullptr;
    std::vector<std::string> collected;
    const auto finish = [&] {
        if (current == nullptr) return;
        if (collected.size() < current->minArguments || collected.size() > current->maxArguments) {
            throw UsageError(std::string("wrong number of arguments for '") + current->name +
                             "' (usage: " + current->name + " " + current->arguments + ")");
        }
        invocation.steps.push_back(Step{current, current->prepare(collected)});
        collected.clear();
    };

    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& word = arguments[i];
        const auto value = [&](const char* option) -> std::string {
            if (i + 1 >= arguments.size()) {
                throw UsageError(std::string("option ") + option + " needs a value");
            }
            return arguments[++i];
        };
        if (word == "-h" || word == "--help") {
            invocation.options.help = true;
        } else if (word == "--json") {
            invocation.options.json = true;
        } else if (word == "--plugin") {
            invocation.options.plugin = value("--plugin");
        } else if (word.rfind("--plugin=", 0) == 0) {
            invocation.options.plugin = word.substr(9);
        } else if (word == "--wait-ms") {
            invocation.options.wait = parseWait(value("--wait-ms"));
        } else if (word.rfind("--wait-ms=", 0) == 0) {
            invocation.options.wait = parseWait(word.substr(10));
        } else if (word == "--follow-reports") {
            invocation.options.followReports = true;
        } else if (word == "--controller") {
            invocation.options.controller = value("--controller");
        } else if (word.rfind("--controller=", 0) == 0) {
            invocation.options.controller = word.substr(13);
        } else if (word == "--token") {
            invocation.options.token = value("--token");
            invocation.options.tokenGiven = true;
        } else if (word.rfind("--token=", 0) == 0) {
            invocation.options.token = word.substr(8);
            invocation.options.tokenGiven = true;
        } else if (word.size() > 1 && word[0] == '-' &&
                   !std::isdigit(static_cast<unsigned char>(word[1]))) {
            throw UsageError("unknown option '" + word + "'");
        } else if (const CommandSpec* command = findCommand(word)) {
            finish();
            current = command;
        } else if (current != nullptr) {
            collected.push_back(word);
        } else {
            throw UsageError("unknown command '" + word + "'");
        }
    }
    finish();
    if (invocation.options.plugin.empty() && !invocation.options.help) {
        invocation.options.plugin = defaultPluginPath();
    }
    if (invocation.steps.empty() && !invocation.options.followReports) {
        invocation.steps.push_back(Step{findCommand("info"), prepareInfo({})});
    }
    return invocation;
}

int runCli(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    Invocation invocation;
    try {
        invocation = parseCommandLine(arguments);
    } catch (const UsageError& error) {
        err << kProgram << ": " << error.what() << " (try --help)\n";
        return kExitUsage;
    }
    if (invocation.options.help) {
        out << usage();
        return kExitOk;
    }

    // The plugin's HTTP client library reads these when it is first used.
    const Options& options = invocation.options;
    if (!options.controller.empty()) setenv("RESTLINK_BASE_URL", options.controller.c_str(), 1);
    if (options.tokenGiven) setenv("RESTLINK_TOKEN", options.token.c_str(), 1);

    Printer printer(out, options.json);
    Host host([&printer](const Delivery& delivery) { printer.delivery(delivery); });
    std::string error;
    if (!host.load(options.plugin, error)) {
        err << kProgram << ": " << error << '\n';
        return kExitFailure;
    }
    Session session{host, printer, options, err};

    std::unique_ptr<ReportFollower> follower;
    if (options.followReports) {
        follower =
            std::make_unique<ReportFollower>(environment("RESTLINK_BASE_URL", kDefaultController),
                                             environment("RESTLINK_TOKEN", ""));
        if (!follower->start(error)) return fail(session, error);
    }

    for (const Step& step : invocation.steps) {
        int status = step.run(session);
        // Posted events belong to the command that caused them.
        if (!host.drain(options.wait)) {
            err << kProgram << ": posted events still undelivered after " << options.wait.count()
                << " ms (after '" << step.command->name << "')\n";
            return kExitFailure;
        }
        if (status == kExitOk && follower) status = relayReports(session, *follower);
        if (status != kExitOk) return status;
    }
    if (follower && invocation.steps.empty()) {
        const int status = followReports(session, *follower);
        if (status != kExitOk) return status;
    }
    host.shutdown();
    return kExitOk;
}

}  // namespace tvkhost
