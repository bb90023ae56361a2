// Collects what is written to file descriptor 2 while it lives, to check the
// library's failure lines.
#ifndef RESTLINK_TESTS_STDERR_CAPTURE_H
#define RESTLINK_TESTS_STDERR_CAPTURE_H

#include <cstdio>
#include <string>

#include "restlink.h"

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

// The library's client, as the plugin reaches it.
HttpClient* client();

// One sendRequest with its status and the lines it wrote to standard error.
struct CapturedSend {
    HttpRespon* response;
    int status;
    std::string lines;
};
CapturedSend sendCapturingStderr(HttpRequest* request);

#endif  // RESTLINK_TESTS_STDERR_CAPTURE_H
