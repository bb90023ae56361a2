#include <iostream>
#include <string>
#include <vector>

#include "tvkhost/cli.h"

int main(int argc, char** argv) {
    std::vector<std::string> arguments(argv + 1, argv + argc);
    return tvkhost::runCli(arguments, std::cout, std::cerr);
}
