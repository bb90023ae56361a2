// Captures the Qt log lines written while it lives, with their context.
#pragma once

#include <QString>
#include <QtGlobal>

#include <mutex>
#include <string>
#include <vector>

namespace ocsm_test {

struct LogLine {
    QtMsgType type;
    std::string file;
    int line;
    std::string function;
    std::string category;
    std::string text;
};

class QtLogCapture {
public:
    QtLogCapture() : previous_(qInstallMessageHandler(&QtLogCapture::record)) { clear(); }
    ~QtLogCapture() { qInstallMessageHandler(previous_); }
    QtLogCapture(const QtLogCapture&) = delete;
    QtLogCapture& operator=(const QtLogCapture&) = delete;

    void clear() {
        std::lock_guard<std::mutex> lock(state().mutex);
        state().lines.clear();
    }
    std::vector<LogLine> lines() const {
        std::lock_guard<std::mutex> lock(state().mutex);
        return state().lines;
    }
    std::vector<std::string> texts() const {
        std::vector<std::string> out;
        for (const LogLine& line : lines())
            out.push_back(line.text);
        return out;
    }

private:
    struct State {
        std::mutex mutex;
        std::vector<LogLine> lines;
    };
    static State& state() {
        static State instance;
        return instance;
    }
    static void record(QtMsgType type, const QMessageLogContext& context, const QString& text) {
        std::lock_guard<std::mutex> lock(state().mutex);
        state().lines.push_back({type, context.file ? context.file : "", context.line,
                                 context.function ? context.function : "",
                                 context.category ? context.category : "", text.toStdString()});
    }

    QtMessageHandler previous_;
};

}  // namespace ocsm_test
