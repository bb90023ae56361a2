// tvkhost's command line: the options, and the words left for the commands.
#ifndef TVKHOST_OPTIONS_H
#define TVKHOST_OPTIONS_H

#include <chrono>
#include <string>
#include <vector>

namespace tvkhost {

struct Options {
    std::string plugin;  // empty: defaultPluginPath()
    bool json = false;
    bool help = false;
    bool version = false;
    std::chrono::milliseconds wait{5000};  // how long to wait for posted events
    // Relay the controller's auto-reports to the plugin as event 0x00071107.
    bool followReports = false;
    std::string controller;  // empty: RESTLINK_BASE_URL, else kDefaultController
    std::string token;       // with tokenGiven: replaces RESTLINK_TOKEN
    bool tokenGiven = false;
};

inline constexpr char kDefaultController[] = "http://127.0.0.1:8080";

// Parses the arguments after the program name; "--name value" and "--name=value" both work and
// options may stand anywhere. Every other word goes to `words` in order: the commands and their
// arguments (a word such as -5 is an argument, not an option). False with a one-line reason on
// an unknown option, a missing or bad value.
bool parseOptions(const std::vector<std::string>& args, Options& options,
                  std::vector<std::string>& words, std::string& error);

// The plugin installed beside the program, else the one of the build tree (lib/ beside bin/).
std::string defaultPluginPath();

std::string usageText();

}  // namespace tvkhost

#endif  // TVKHOST_OPTIONS_H
