#ifndef TVKHOST_CLI_H
#define TVKHOST_CLI_H

#include <chrono>
#include <functional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "tvkhost/host.h"
#include "tvkhost/printer.h"

namespace tvkhost {

enum ExitCode : int { kExitOk = 0, kExitFailure = 1, kExitUsage = 2 };

// A command line that cannot be run: unknown option or command, wrong number
// of arguments, a bad number.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct Options {
    std::string plugin;  // empty: the plugin beside the executable
    bool json = false;
    bool help = false;
    std::chrono::milliseconds wait{5000};  // how long to wait for posted events
    // Relay the controller's auto-reports to the plugin as event 0x00071107.
    bool followReports = false;
    std::string controller;  // empty: RESTLINK_BASE_URL, else http://127.0.0.1:8080
    std::string token;       // with tokenGiven: replaces RESTLINK_TOKEN
    bool tokenGiven = false;
};

// What a command runs with once the plugin is loaded.
struct Session {
    Host& host;
    Printer& printer;
    const Options& options;
    std::ostream& err;
};

using Runner = std::function<int(Session&)>;

// One command of the command line. `prepare` checks and converts the
// arguments before anything is loaded (throwing UsageError) and returns what
// runs the command later.
struct CommandSpec {
    const char* name;
    const char* arguments;
    const char* summary;
    std::size_t minArguments;
    std::size_t maxArguments;  // kUnlimited for a trailing list
    Runner (*prepare)(const std::vector<std::string>& arguments);
};
constexpr std::size_t kUnlimited = static_cast<std::size_t>(-1);

const std::vector<CommandSpec>& commandTable();

struct Step {
    const CommandSpec* command;
    Runner run;
};

struct Invocation {
    Options options;
    std::vector<Step> steps;
};

// Options may stand anywhere; every other word starts a command or is an
// argument of the command before it. No command means `info`.
Invocation parseCommandLine(const std::vector<std::string>& arguments);

// Message identifier: decimal (negative allowed) or 0x-hex, within 32 bits.
int parseMessageId(const std::string& text);
// A 32-bit signed decimal or 0x-hex number; `what` names it in the error.
int parseInt32(const std::string& text, const char* what);
// Hex bytes; each word holds pairs of hex digits, optionally split by ':' '-' ',' or '_'.
std::vector<unsigned char> parseHexBytes(const std::vector<std::string>& words);

std::string usage();
// <directory of the running executable>/../lib/liboutputcolorspacemodel.so
std::string defaultPluginPath();

int runCli(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

}  // namespace tvkhost

#endif  // TVKHOST_CLI_H
