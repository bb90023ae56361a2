// Collects what is written to file descriptor 2 while it lives, to check the
// library's failure lines.
#ifndef RESTLINK_TESTS_STDERR_CAPTURE_H
#define RESTLINK_TESTS_STDERR_CAPTURE_H

#include <cstdio>
#include <string>

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

#endif  // RESTLINK_TESTS_STDERR_CAPTURE_H
