// Capturing a real controller's answers to the plugin's requests into a file that controller-sim
// replays.
#pragma once

#include <string>
#include <vector>

namespace ControllerSim {

struct CaptureOptions {
    std::string url;    // the controller's REST service: http://HOST[:PORT][/BASE]
    std::string token;  // sent in Authorization, never written anywhere
    std::string out;    // the fixture file to write
    int timeoutMs = 10000;
};

// Asks the controller what the plugin asks (the regular screens, screenType=2, then the interface
// behind each one's first output, interfaceId=N) and for the unfiltered screen and interface
// lists, and writes a capture file (capturefile.h) holding every answer exactly as received. An
// answer that is not a JSON list-detail answer, or that says more pages exist than it holds, is
// kept all the same, and `warnings` says what is wrong with it, one line each. False with a
// one-line reason when the controller cannot be reached, refuses (a status outside 2xx) or takes
// longer than the time-out; no file is written then (nor left half written). `summary` says what
// was captured.
bool captureFixture(const CaptureOptions& options, std::string& summary,
                    std::vector<std::string>& warnings, std::string& error);

}  // namespace ControllerSim
