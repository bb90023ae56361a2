// Driving the library in tests: its client, and a request's outcome together
// with the lines the library wrote to standard error meanwhile.
#ifndef RESTLINK_TESTS_EXCHANGE_H
#define RESTLINK_TESTS_EXCHANGE_H

#include <cstdio>
#include <string>

#include "restlink.h"

HttpClient* client();
std::string bodyOf(HttpRespon* response);

// Collects what is written to file descriptor 2 while it lives.
class StderrCapture {
public:
    StderrCapture();
    ~StderrCapture();
    StderrCapture(const StderrCapture&) = delete;
    StderrCapture& operator=(const StderrCapture&) = delete;

    // Puts standard error back and returns everything written meanwhile.
    std::string finish();

private:
    std::FILE* sink_ = nullptr;
    int saved_ = -1;
};

// Number of '\n'-terminated lines in `text`.
int lineCount(const std::string& text);

struct Outcome {
    HttpRespon* response = nullptr;
    int status = -1;
    std::string lines;  // standard error while it was sent
};

Outcome sendCapturing(HttpRequest* request);

#endif  // RESTLINK_TESTS_EXCHANGE_H
