// Parsing tvkhost's options, their defaults and the help text.
#include "tvkhost/options.h"

#include <unistd.h>

#include <cctype>
#include <climits>
#include <cstdint>
#include <cstdlib>

#include "controller/textnumbers.h"
#include "tvkhost/commands.h"

// The install's library folder relative to its prefix (GNUInstallDirs).
#ifndef OCSM_INSTALL_LIBDIR
#define OCSM_INSTALL_LIBDIR "lib"
#endif

namespace tvkhost {

namespace {

constexpr int64_t kLongestWait = 3600000;

// A leading minus before a digit starts a negative number, which commands take as arguments.
bool isOption(const std::string& word) {
    return word.size() > 1 && word[0] == '-' && !std::isdigit(static_cast<unsigned char>(word[1]));
}

}  // namespace

bool parseOptions(const std::vector<std::string>& args, Options& options,
                  std::vector<std::string>& words, std::string& error) {
    for (size_t i = 0; i < args.size(); ++i) {
        if (!isOption(args[i])) {
            words.push_back(args[i]);
            continue;
        }
        std::string name = args[i];
        std::string value;
        bool hasValue = false;
        const size_t equals = name.find('=');
        if (name.rfind("--", 0) == 0 && equals != std::string::npos) {
            value = name.substr(equals + 1);
            name = name.substr(0, equals);
            hasValue = true;
        }
        const bool takesValue = name == "--plugin" || name == "--wait-ms" ||
                                name == "--controller" || name == "--token";
        const bool flag = name == "--json" || name == "--follow-reports" || name == "--help" ||
                          name == "-h" || name == "--version";
        if (!takesValue && !flag) {
            error = "unknown option '" + args[i] + "'";
            return false;
        }
        if (takesValue && !hasValue) {
            if (i + 1 == args.size()) {
                error = "option " + name + " needs a value";
                return false;
            }
            value = args[++i];
        } else if (flag && hasValue) {
            error = "option " + name + " takes no value";
            return false;
        }

        if (name == "--plugin") {
            options.plugin = value;
        } else if (name == "--wait-ms") {
            int64_t wait = 0;
            if (!ControllerSim::parseDecimal(value, 0, kLongestWait, wait)) {
                error = "bad --wait-ms value '" + value + "' (0 to " +
                        std::to_string(kLongestWait) + ")";
                return false;
            }
            options.wait = std::chrono::milliseconds(wait);
        } else if (name == "--controller") {
            options.controller = value;
        } else if (name == "--token") {
            options.token = value;
            options.tokenGiven = true;
        } else if (name == "--json") {
            options.json = true;
        } else if (name == "--follow-reports") {
            options.followReports = true;
        } else if (name == "--version") {
            options.version = true;
        } else {
            options.help = true;
        }
    }
    return true;
}

std::string defaultPluginPath() {
    const std::string library = "liboutputcolorspacemodel.so";
    char buffer[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length <= 0) return "../lib/" + library;
    const std::string executable(buffer, static_cast<std::size_t>(length));
    const std::size_t slash = executable.rfind('/');
    const std::string directory = slash == std::string::npos ? "." : executable.substr(0, slash);
    // Installed: the plugins folder under the library folder beside bin/.
    const std::string plugins =
        directory + "/../" OCSM_INSTALL_LIBDIR "/outputcolorspacemodel/plugins";
    char resolved[PATH_MAX];
    if (realpath((plugins + "/" + library).c_str(), resolved) != nullptr) return resolved;
    // Build tree: lib/ beside bin/.
    const std::string libraries = directory + "/../lib";
    if (realpath(libraries.c_str(), resolved) != nullptr) {
        return std::string(resolved) + "/" + library;
    }
    return libraries + "/" + library;
}

std::string usageText() {
    return "Usage: tvkhost [OPTIONS] [COMMAND [ARGS...]]...\n"
           "\n"
           "Loads the plugin, creates and starts its components, then runs the commands in\n"
           "the order given. Events and replies that come back to the host are printed\n"
           "decoded. With no command, runs 'info'.\n"
           "\n"
           "Options:\n"
           "  --plugin PATH     plugin library (default: liboutputcolorspacemodel.so installed\n"
           "                    beside tvkhost, in ../" OCSM_INSTALL_LIBDIR
           "/outputcolorspacemodel/plugins,\n"
           "                    or in a build tree ../lib)\n"
           "  --json            print one JSON object per line\n"
           "  --wait-ms N       wait at most N ms for posted events after each command\n"
           "                    (default 5000)\n"
           "  --controller URL  the controller's REST service, for the plugin and the\n"
           "                    report follower (default: $RESTLINK_BASE_URL, else\n"
           "                    " +
           std::string(kDefaultController) +
           ")\n"
           "  --token TOKEN     the login token (default: $RESTLINK_TOKEN)\n"
           "  --follow-reports  relay the controller's auto-reports to the plugin as event\n"
           "                    0x00071107, after each command those it caused; with no\n"
           "                    command, every report until interrupted\n"
           "  -h, --help        print this help and exit\n"
           "  --version         print the version and exit\n"
           "\n" +
           commandHelp() +
           "\n"
           "Exit status: 0 success, 1 a command or the plugin failed, 2 bad command line.\n";
}

}  // namespace tvkhost
