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
#include <vector>

#include "controller/capture.h"
#include "controller/controllerdata.h"
#include "controller/controllerservice.h"
#include "controller/controllerstate.h"
#include "controller/httplibtsan.h"
#include "controller/textnumbers.h"

namespace {

const char* const kHost = "127.0.0.1";

const char* const kUsage =
    "Usage: controller-sim [--port N] [--token T] [--fixture FILE] [--pretty] [--fault MODE]\n"
    "  or:  controller-sim --capture URL [--token T] --out FILE [--timeout-ms N]\n"
    "\n"
    "The controller's REST service on 127.0.0.1, for the plugin's tests and demo; or, with\n"
    "--capture, a copy of what a real controller answers, to replay it later.\n"
    "\n"
    "Options:\n"
    "  --port N          port to listen on (default 8080; 0 picks a free port)\n"
    "  --token T         token every request must carry in Authorization (default empty);\n"
    "                    with --capture, the token sent to the controller\n"
    "  --fixture FILE    serve FILE instead of the default screen-list-detail.json and\n"
    "                    interface-list-detail.json: a capture, as --capture writes it,\n"
    "                    or a JSON object whose members \"screens\" and \"interfaces\"\n"
    "                    hold a screen and an interface list-detail answer\n"
    "  --pretty          write rendered answers indented, with CRLF line ends, as some\n"
    "                    controllers do (default: compact); a captured answer is served\n"
    "                    as it came\n"
    "  --fault MODE      answer every REST request with this fault from the start\n"
    "                    (default none; the modes are listed below)\n"
    "  --capture URL     ask the controller at URL (http://HOST[:PORT][/BASE]) what the\n"
    "                    plugin asks (the regular screens, screenType=2, and the interface\n"
    "                    behind each one's first output, interfaceId=N) and for its\n"
    "                    unfiltered screen and interface lists, and write every answer\n"
    "                    byte for byte, with its status, Content-Type and framing\n"
    "                    (Content-Length or chunked), into the file --out names; an answer\n"
    "                    that is not JSON, or that says more pages exist than it holds, is\n"
    "                    kept with a warning; writes no file when the controller cannot be\n"
    "                    reached, refuses (a status outside 2xx) or times out\n"
    "  --out FILE        the capture file --capture writes\n"
    "  --timeout-ms N    how long --capture waits for each whole answer (default 10000)\n"
    "  --version         print the version and exit\n"
    "  --help            print this help and exit\n"
    "\n"
    "Serving, it prints \"controller-sim listening on 127.0.0.1:PORT\" on stdout once\n"
    "listening and logs one line per request on stderr (never the token). SIGINT or\n"
    "SIGTERM stop it.\n"
    "\n"
    "Serving a capture, a request that was captured is answered verbatim: with the\n"
    "captured status, Content-Type, framing and body bytes (the status line's reason\n"
    "phrase is the standard one, and an answer that came without a Content-Type goes\n"
    "out as text/plain). A request that was not captured, and a screen list request\n"
    "once a colour space setting has changed a screen, is rendered from the capture's\n"
    "unfiltered lists (404 when they are not JSON), as every answer is when serving\n"
    "the default documents or a fixture of two documents: parsed and written again by\n"
    "nlohmann/json (numbers, escapes and indentation are then its own), every member\n"
    "kept in the document's order. A filter leaves out the list entries it does not\n"
    "match and sets the counters (count, page, totalCount, totalPage) to match;\n"
    "without one they stay as they are.\n"
    "\n"
    "Replaying a site's controller:\n"
    "  On site, with a laptop on the controller's network, capture what it answers:\n"
    "\n"
    "    controller-sim --capture http://CONTROLLER:8080 --token TOKEN --out site.json\n"
    "\n"
    "  Back at the desk, serve the capture and run the plugin against it:\n"
    "\n"
    "    controller-sim --fixture site.json --port 8080 --token T &\n"
    "\n"
    "    tvkhost --controller http://127.0.0.1:8080 --token T get-colorspace interface-info\n"
    "\n"
    "Routes (all need the token):\n"
    "  GET /orvex/v1/screen/list-detail\n"
    "                    the screen list-detail answer; optional keys screenType=N and\n"
    "                    screenId=N filter it\n"
    "  GET /orvex/v1/interface/list-detail\n"
    "                    the interface list-detail answer; optional key interfaceId=N\n"
    "  PUT /orvex/v1/screen/color-space\n"
    "                    a strict JSON array of {\"screenId\":N,\"colorSpace\":{\"preset\":N}}:\n"
    "                    sets the screens' colour space and makes an auto-report\n"
    "  GET /sim/v1/auto-report?after=SEQ&wait_ms=MS\n"
    "                    the oldest kept auto-report after SEQ (200, its number in the\n"
    "                    X-Sim-Seq header), or 204 when none arrives within MS (default\n"
    "                    10000, at most 30000)\n"
    "  GET /sim/v1/auto-report/seq\n"
    "                    {\"seq\":N}, the latest report number\n"
    "  PUT /sim/v1/fault\n"
    "                    the body names the fault for every later REST request (none to\n"
    "                    go back); routes under /sim/ are never faulted, and a faulted\n"
    "                    answer that comes at all carries the header X-Sim-Fault: MODE\n"
    "\n"
    "Faults:\n";

struct Options {
    int port = 8080;
    std::string token;
    std::string fixture;  // empty: the default documents
    std::string fault = "none";
    bool pretty = false;
    std::string capture;  // a controller's URL: capture instead of serving
    std::string out;
    int timeoutMs = 10000;
    bool help = false;
    bool version = false;
};

// "--name value" and "--name=value" both work. False with a one-line reason on an unknown
// option, a missing or a bad value, or options that do not go together.
bool parseOptions(int argc, char** argv, Options& options, std::string& error) {
    std::vector<std::string> serving;  // options given that only serving takes
    for (int i = 1; i < argc; ++i) {
        std::string name = argv[i];
        std::string value;
        const size_t equals = name.find('=');
        const bool joined = name.rfind("--", 0) == 0 && equals != std::string::npos;
        if (joined) {
            value = name.substr(equals + 1);
            name.resize(equals);
        }
        const bool flag =
            name == "--help" || name == "-h" || name == "--version" || name == "--pretty";
        const bool takesValue = name == "--port" || name == "--token" || name == "--fixture" ||
                                name == "--fault" || name == "--capture" || name == "--out" ||
                                name == "--timeout-ms";
        if (!flag && !takesValue) {
            error = "unknown option \"" + name + "\"";
            return false;
        }
        if (flag && joined) {
            error = "option " + name + " takes no value";
            return false;
        }
        if (takesValue && !joined && i + 1 == argc) {
            error = "option " + name + " needs a value";
            return false;
        }
        if (takesValue && !joined) value = argv[++i];
        if (name == "--port" || name == "--fixture" || name == "--fault" || name == "--pretty")
            serving.push_back(name);
        int64_t number = 0;
        if (name == "--help" || name == "-h") {
            options.help = true;
        } else if (name == "--version") {
            options.version = true;
        } else if (name == "--pretty") {
            options.pretty = true;
        } else if (name == "--port") {
            if (!ControllerSim::parseDecimal(value, 0, 65535, number)) {
                error = "--port must be a number from 0 to 65535, not \"" + value + "\"";
                return false;
            }
            options.port = int(number);
        } else if (name == "--timeout-ms") {
            if (!ControllerSim::parseDecimal(value, 1, 3600000, number)) {
                error = "--timeout-ms must be a number from 1 to 3600000, not \"" + value + "\"";
                return false;
            }
            options.timeoutMs = int(number);
        } else if (name == "--fault" && !ControllerSim::Faults::known(value)) {
            error = "unknown fault \"" + value + "\"";
            return false;
        } else if ((name == "--fixture" || name == "--capture" || name == "--out") &&
                   value.empty()) {
            error = name + " needs a value";
            return false;
        }
        if (name == "--token") options.token = value;
        if (name == "--fixture") options.fixture = value;
        if (name == "--fault") options.fault = value;
        if (name == "--capture") options.capture = value;
        if (name == "--out") options.out = value;
    }
    if (options.help || options.version) return true;
    if (options.capture.empty() != options.out.empty()) {
        error =
            options.capture.empty() ? "--out goes with --capture" : "--capture needs --out FILE";
        return false;
    }
    if (!options.capture.empty() && !serving.empty()) {
        error = serving.front() + " is for serving, not for --capture";
        return false;
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
    if (options.version) {
        std::cout << "controller-sim " << OCSM_VERSION << std::endl;
        return 0;
    }
    if (!options.capture.empty()) {
        std::string summary;
        std::vector<std::string> warnings;
        if (!captureFixture({options.capture, options.token, options.out, options.timeoutMs},
                            summary, warnings, error))
            return fail(error, 1);
        for (const std::string& warning : warnings)
            std::cerr << "controller-sim: warning: " << warning << "\n";
        std::cerr << "controller-sim: " << summary << std::endl;
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
    const std::string rendered = options.pretty ? "indented with CRLF line ends" : "compact";
    if (data.captured.empty())
        log("controller-sim: serving the answers of " + source + ", " + rendered);
    else
        log("controller-sim: serving the " + std::to_string(data.captured.size()) +
            " answers captured in " + source + " as they came, any other rendered " + rendered);

    ControllerState state(std::move(data), options.pretty);
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
