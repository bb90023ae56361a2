// Capturing a real controller's list-detail answers into a fixture that controller-sim serves.
#pragma once

#include <string>

namespace ControllerSim {

struct CaptureOptions {
    std::string url;    // the controller's REST service: http://HOST[:PORT][/BASE]
    std::string token;  // sent in Authorization, never written anywhere
    std::string out;    // the fixture file to write
    int timeoutMs = 10000;
};

// Asks the controller for the screen and the interface list-detail answers, all of them (no
// filter), and writes a fixture holding them exactly as received, beside a note of where and when
// they came from. False with a one-line reason when the controller cannot be reached, refuses,
// takes longer than the time-out or answers with something that is not a JSON object; no file is
// written then (nor left half written). `summary` says what was captured.
bool captureFixture(const CaptureOptions& options, std::string& summary, std::string& error);

}  // namespace ControllerSim
