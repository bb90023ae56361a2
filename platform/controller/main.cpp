// controller-sim: the controller's REST service on loopback.
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <ctime>
#include <iostream>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "controller/controllerdata.h"
#include "controller/controllerservice.h"
#include "controller/controllerstate.h"
#include "controller/simoptions.h"

namespace {

const char* const kHost = "127.0.0.1";

std::string executableDir() {
    char path[PATH_MAX];
    const ssize_t size = readlink("/proc/self/exe", path, sizeof(path) - 1);
    if (size <= 0) return std::string();
    const std::string file(path, size_t(size));
    const size_t slash = file.rfind('/');
    return slash == std::string::npos ? std::string() : file.substr(0, slash);
}

int fail(const std::string& message, int code) {
    std::cerr << "controller-sim: " << message << std::endl;
    return code;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace ControllerSim;

    // The signals are taken by sigtimedwait below; block them before any thread exists so that
    // every thread inherits the mask. Broken connections must not kill the process.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    signal(SIGPIPE, SIG_IGN);

    SimOptions options;
    std::string error;
    if (!parseOptions(std::vector<std::string>(argv + 1, argv + argc), options, error)) {
        return fail(error + " (see controller-sim --help)", 2);
    }
    if (options.help) {
        std::cout << usageText();
        return 0;
    }

    ControllerData data;
    std::string source;
    const bool loaded = options.fixture.empty()
                            ? loadDefaultData(defaultDataDirs(executableDir()), data, source, error)
                            : loadFixture(options.fixture, data, error);
    if (!loaded) return fail(error, 1);
    if (!options.fixture.empty()) source = options.fixture;
    const size_t screenCount = data.screens.size();
    const size_t interfaceCount = data.interfaces.size();

    ControllerState state(std::move(data));
    std::mutex logMutex;
    ServiceOptions serviceOptions;
    serviceOptions.token = options.token;
    if (!options.quiet) {
        serviceOptions.requestLog = [&logMutex](const std::string& line) {
            std::lock_guard<std::mutex> lock(logMutex);
            std::cerr << line << std::endl;
        };
    }
    ControllerService service(state, serviceOptions);
    if (!service.start(kHost, options.port, error)) return fail(error, 1);

    if (!options.quiet) {
        std::lock_guard<std::mutex> lock(logMutex);
        std::cerr << "controller-sim: " << screenCount << " screens and " << interfaceCount
                  << " interfaces from " << source << std::endl;
    }
    // Scripts and tests read the port from this line.
    std::cout << "controller-sim listening on " << kHost << ":" << service.port() << std::endl;

    int exitCode = 0;
    for (;;) {
        const timespec pollInterval{0, 200 * 1000 * 1000};
        const int signalNumber = sigtimedwait(&stopSignals, nullptr, &pollInterval);
        if (signalNumber == SIGINT || signalNumber == SIGTERM) {
            if (!options.quiet) {
                std::lock_guard<std::mutex> lock(logMutex);
                std::cerr << "controller-sim: " << strsignal(signalNumber) << ", stopping"
                          << std::endl;
            }
            break;
        }
        if (!service.running()) {
            exitCode = fail("the service stopped unexpectedly", 1);
            break;
        }
    }
    service.stop();
    return exitCode;
}
