// The capture file: a controller's answers to the requests the plugin makes, each byte for byte
// with its status and framing, as --capture writes it and --fixture reads it.
#pragma once

#include <string>
#include <vector>

#include "controller/controllerdata.h"

namespace ControllerSim {

// "GET ROOT/path?key=value", for messages.
std::string requestText(const CapturedAnswer& answer, const std::string& root = std::string());

// The file's text: a JSON object with where and when the answers were captured and the answers in
// the order asked. A body is a JSON string when it is UTF-8 and an array of byte values otherwise,
// so that any bytes come back as they were.
std::string captureText(const std::string& from, const std::string& at,
                        const std::vector<CapturedAnswer>& answers);

// True when `fixture` is a capture file rather than a fixture of two documents.
bool isCapture(const Json& fixture);

// The answers of a capture file. False with what is wrong and with which answer: a member missing
// or of the wrong type, a status outside 2xx (a capture keeps no refusal), a Content-Length that
// is not the body's size, or two answers to the same request.
bool readCapture(const Json& fixture, std::vector<CapturedAnswer>& answers, std::string& error);

}  // namespace ControllerSim
