// The simulator's command line.
#pragma once

#include <string>
#include <vector>

namespace ControllerSim {

struct SimOptions {
    int port = 8080;  // 0: any free port
    std::string token;
    std::string fixture;  // empty: the default documents
    bool quiet = false;
    bool help = false;
};

// Parses the arguments after the program name; "--name value" and "--name=value" both work.
// False with a one-line reason on an unknown flag, a missing or bad value.
bool parseOptions(const std::vector<std::string>& args, SimOptions& options, std::string& error);

std::string usageText();

}  // namespace ControllerSim
