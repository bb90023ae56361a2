#include "controller/simoptions.h"

#include <cstdint>

#include "controller/textnumbers.h"

namespace ControllerSim {

bool parseOptions(const std::vector<std::string>& args, SimOptions& options, std::string& error) {
    for (size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::string value;
        bool hasValue = false;
        const size_t equals = name.find('=');
        if (name.rfind("--", 0) == 0 && equals != std::string::npos) {
            value = name.substr(equals + 1);
            name = name.substr(0, equals);
            hasValue = true;
        }
        const bool takesValue = name == "--port" || name == "--token" || name == "--fixture";
        if (takesValue && !hasValue) {
            if (i + 1 == args.size()) {
                error = "option " + name + " needs a value";
                return false;
            }
            value = args[++i];
        } else if (!takesValue && hasValue) {
            error = "option " + name + " takes no value";
            return false;
        }

        if (name == "--port") {
            int64_t port = 0;
            if (!parseDecimal(value, 0, 65535, port)) {
                error = "--port must be a number from 0 to 65535, not \"" + value + "\"";
                return false;
            }
            options.port = int(port);
        } else if (name == "--token") {
            options.token = value;
        } else if (name == "--fixture") {
            if (value.empty()) {
                error = "--fixture needs a file name";
                return false;
            }
            options.fixture = value;
        } else if (name == "--quiet") {
            options.quiet = true;
        } else if (name == "--help" || name == "-h") {
            options.help = true;
        } else {
            error = "unknown option \"" + name + "\"";
            return false;
        }
    }
    return true;
}

std::string usageText() {
    return "Usage: controller-sim [--port N] [--token T] [--fixture FILE] [--quiet]\n"
           "\n"
           "The controller's REST service on 127.0.0.1, for the plugin's tests and demo.\n"
           "\n"
           "  --port N        port to listen on (default 8080; 0 picks a free port)\n"
           "  --token T       token every request must carry in Authorization (default empty)\n"
           "  --fixture FILE  start from FILE, {\"screens\": <screen list-detail answer>,\n"
           "                  \"interfaces\": <interface list-detail answer>}, instead of the\n"
           "                  default screen-list-detail.json and interface-list-detail.json\n"
           "  --quiet         no request log\n"
           "  --help          this text\n"
           "\n"
           "Once listening it prints \"controller-sim listening on 127.0.0.1:PORT\" on stdout and\n"
           "logs one line per request on stderr. SIGINT or SIGTERM stop it.\n"
           "\n"
           "Routes (all need the token):\n"
           "  GET  /orvex/v1/screen/list-detail     [screenType=N] [screenId=N]\n"
           "  GET  /orvex/v1/interface/list-detail  [interfaceId=N]\n"
           "  PUT  /orvex/v1/screen/color-space     "
           "[{\"screenId\":N,\"colorSpace\":{\"preset\":N}},...]\n"
           "  GET  /sim/v1/auto-report?after=SEQ&wait_ms=MS\n"
           "       the oldest kept auto-report after SEQ (200, X-Sim-Seq header),\n"
           "       or 204 when none arrives within MS (default 10000, at most 30000)\n"
           "  GET  /sim/v1/auto-report/seq          {\"seq\":N}, the latest report number\n"
           "  POST /sim/v1/auto-report              queue the body as a report, as it is\n";
}

}  // namespace ControllerSim
