// tvkhost's commands: the table of what a person can ask for, and what each one runs.
#ifndef TVKHOST_COMMANDS_H
#define TVKHOST_COMMANDS_H

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "tvkhost/host.h"
#include "tvkhost/printer.h"

namespace tvkhost {

// What a command runs against once the plugin is loaded.
struct CommandContext {
    Host& host;
    Printer& printer;
    std::ostream& err;
};

// Runs one command; false when it failed, after saying why on `err`.
using Runner = std::function<bool(CommandContext&)>;

struct Step {
    std::string name;
    Runner run;
};

// Groups the words into commands and their arguments and checks and converts the arguments,
// before anything is loaded. False with a one-line reason on an unknown command, a wrong number
// of arguments or a bad argument.
bool prepareSteps(const std::vector<std::string>& words, std::vector<Step>& steps,
                  std::string& error);

// Sends a controller auto-report to the plugin as event 0x00071107; `what` says which.
bool sendAutoReport(CommandContext& context, const std::string& text, const std::string& what);

// The commands part of the help text.
std::string commandHelp();

}  // namespace tvkhost

#endif  // TVKHOST_COMMANDS_H
