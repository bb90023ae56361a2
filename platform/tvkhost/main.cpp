// tvkhost: loads a plugin and runs the commands of its command line against it.
#include <iostream>
#include <string>
#include <vector>

#include "controller/httplibtsan.h"
#include "tvkhost/commands.h"
#include "tvkhost/options.h"
#include "tvkhost/session.h"

int main(int argc, char** argv) {
    using namespace tvkhost;

    Options options;
    std::vector<std::string> words;
    std::vector<Step> steps;
    std::string error;
    if (!parseOptions(std::vector<std::string>(argv + 1, argv + argc), options, words, error) ||
        !prepareSteps(words, steps, error)) {
        std::cerr << "tvkhost: " << error << " (try --help)\n";
        return kExitUsage;
    }
    if (options.help) {
        std::cout << usageText();
        return kExitOk;
    }
    if (options.version) {
        std::cout << "tvkhost " OCSM_VERSION "\n";
        return kExitOk;
    }
    // No command means info; following reports needs none.
    if (steps.empty() && !options.followReports) prepareSteps({"info"}, steps, error);
    return runSession(options, steps, std::cout, std::cerr);
}
