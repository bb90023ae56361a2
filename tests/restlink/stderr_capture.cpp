#include "stderr_capture.h"

#include <unistd.h>

#include <algorithm>
#include <stdexcept>

StderrCapture::StderrCapture() {
    std::fflush(stderr);
    sink_ = std::tmpfile();
    saved_ = dup(STDERR_FILENO);
    if (!sink_ || saved_ < 0 || dup2(fileno(sink_), STDERR_FILENO) < 0)
        throw std::runtime_error("cannot redirect standard error");
}

StderrCapture::~StderrCapture() {
    finish();
}

std::string StderrCapture::finish() {
    if (saved_ < 0) return {};
    std::fflush(stderr);
    dup2(saved_, STDERR_FILENO);
    close(saved_);
    saved_ = -1;
    std::string text;
    std::rewind(sink_);
    char buffer[4096];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, sink_)) > 0)
        text.append(buffer, got);
    std::fclose(sink_);
    sink_ = nullptr;
    return text;
}

int lineCount(const std::string& text) {
    return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

HttpClient* client() {
    return HttpSingleTon::getInstance()->getHttpClient();
}

CapturedSend sendCapturingStderr(HttpRequest* request) {
    CapturedSend sent{nullptr, -1, ""};
    StderrCapture capture;
    sent.response = client()->sendRequest(request, &sent.status);
    sent.lines = capture.finish();
    return sent;
}
