// controller-sim: the controller's REST service on loopback, for the plugin's tests and demo.
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <climits>
#include <cstring>
#include <ctime>
#include <iostream>
#include <mutex>
#include <string>
#include <utility>

#include "controller/controllerdata.h"
#include "controller/controllerservice.h"
#include "controller/controllerstate.h"
#include "controller/httplibtsan.h"
#include "controller/textnumbers.h"

namespace {

const char* const kHost = "127.0.0.1";

const char* const kUsage =
    "Usage: controller-sim [--port N] [--token T] [--fixture FILE] [--fault MODE]\n"
    "\n"
    "The controller's REST service on 127.0.0.1, for the plugin's tests and demo.\n"
    "\n"
    "  --port N        port to listen on (default 8080; 0 picks a free port)\n"
    "  --token T       token every request must carry in Authorization (default empty)\n"
    "  --fixture FILE  start from FILE, {\"screens\": <screen list-detail answer>,\n"
    "                  \"interfaces\": <interface list-detail answer>}, instead of the\n"
    "                  default screen-list-detail.json and interface-list-detail.json\n"
    "  --fault MODE    answer every REST request with this fault from the start\n"
    "                  (default none; the modes are listed below)\n"
    "  --help          this text\n"
    "\n"
    "Once listening it prints \"controller-sim listening on 127.0.0.1:PORT\" on stdout and\n"
    "logs one line per request on stderr. SIGINT or SIGTERM stop it.\n"
    "\n"
    "Routes (all need the token):\n"
    "  GET  /orvex/v1/screen/list-detail     [screenType=N] [screenId=N]\n"
    "  GET  /orvex/v1/interface/list-detail  [interfaceId=N]\n"
    "  PUT  /orvex/v1/screen/color-space     [{\"screenId\":N,\"colorSpace\":{\"preset\":N}},...]\n"
    "  GET  /sim/v1/auto-report?after=SEQ&wait_ms=MS\n"
    "       the oldest kept auto-report after SEQ (200, X-Sim-Seq header),\n"
    "       or 204 when none arrives within MS (default 10000, at most 30000)\n"
    "  GET  /sim/v1/auto-report/seq          {\"seq\":N}, the latest report number\n"
    "  PUT  /sim/v1/fault                    MODE: the fault for every later REST request\n"
    "       (\"none\" to go back); routes under /sim/ are never faulted, and a faulted\n"
    "       answer that comes at all carries the header X-Sim-Fault: MODE\n"
    "\n"
    "Faults:\n";

struct Options {
    int port = 8080;
    std::string token;
    std::string fixture;  // empty: the default documents
    std::string fault = "none";
    bool help = false;
};

// "--name value" and "--name=value" both work. False with a one-line reason on an unknown
// option, a missing or a bad value.
bool parseOptions(int argc, char** argv, Options& options, std::string& error) {
    for (int i = 1; i < argc; ++i) {
        std::string name = argv[i];
        std::string value;
        const size_t equals = name.find('=');
        const bool joined = name.rfind("--", 0) == 0 && equals != std::string::npos;
        if (joined) {
            value = name.substr(equals + 1);
            name.resize(equals);
        }
        if (name == "--help" || name == "-h") {
            options.help = true;
            continue;
        }
        if (name != "--port" && name != "--token" && name != "--fixture" && name != "--fault") {
            error = "unknown option \"" + name + "\"";
            return false;
        }
        if (!joined && i + 1 == argc) {
            error = "option " + name + " needs a value";
            return false;
        }
        if (!joined) value = argv[++i];
        int64_t port = 0;
        if (name == "--port" && !ControllerSim::parseDecimal(value, 0, 65535, port)) {
            error = "--port must be a number from 0 to 65535, not \"" + value + "\"";
            return false;
        }
        if (name == "--fixture" && value.empty()) {
            error = "--fixture needs a file name";
            return false;
        }
        if (name == "--fault" && !ControllerSim::Faults::known(value)) {
            error = "unknown fault \"" + value + "\"";
            return false;
        }
        if (name == "--port") options.port = int(port);
        if (name == "--token") options.token = value;
        if (name == "--fixture") options.fixture = value;
        if (name == "--fault") options.fault = value;
    }
    return true;
}

std::string executableDir() {
    char path[PATH_MAX];
    const ssize_t size = readlink("/proc/self/exe", path, sizeof(path) - 1);
    const std::string file(path, size_t(size > 0 ? size : 0));
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

    Options options;
    std::string error;
    if (!parseOptions(argc, argv, options, error))
        return fail(error + " (see controller-sim --help)", 2);
    if (options.help) {
        std::cout << kUsage << Faults::usage();
        return 0;
    }

    ControllerData data;
    std::string source;
    if (!loadData(options.fixture, executableDir(), data, source, error)) return fail(error, 1);
    std::mutex logMutex;
    auto log = [&logMutex](const std::string& line) {
        std::lock_guard<std::mutex> lock(logMutex);
        std::cerr << line << std::endl;
    };
    log("controller-sim: " + std::to_string(data.screens.size()) + " screens and " +
        std::to_string(data.interfaces.size()) + " interfaces from " + source);

    ControllerState state(std::move(data));
    ControllerService service(state, ServiceOptions{options.token, log, options.fault});
    if (!service.start(kHost, options.port, error)) return fail(error, 1);
    // Scripts and tests read the port from this line.
    std::cout << "controller-sim listening on " << kHost << ":" << service.port() << std::endl;

    int exitCode = 0;
    for (;;) {
        const timespec pollInterval{0, 200 * 1000 * 1000};
        const int signalNumber = sigtimedwait(&stopSignals, nullptr, &pollInterval);
        if (signalNumber == SIGINT || signalNumber == SIGTERM) {
            log(std::string("controller-sim: ") + strsignal(signalNumber) + ", stopping");
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
