// Captures Qt's log lines, with their context, while it lives.
#ifndef OCSM_TESTS_FRAME_QTCAPTURE_H
#define OCSM_TESTS_FRAME_QTCAPTURE_H

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
    QtLogCapture() {
        std::lock_guard<std::mutex> lock(mutex());
        lines().clear();
        previous_ = qInstallMessageHandler(&QtLogCapture::record);
    }
    ~QtLogCapture() { qInstallMessageHandler(previous_); }
    QtLogCapture(const QtLogCapture&) = delete;
    QtLogCapture& operator=(const QtLogCapture&) = delete;

    void clear() {
        std::lock_guard<std::mutex> lock(mutex());
        lines().clear();
    }
    std::vector<LogLine> taken() const {
        std::lock_guard<std::mutex> lock(mutex());
        return lines();
    }

private:
    static std::mutex& mutex() {
        static std::mutex instance;
        return instance;
    }
    static std::vector<LogLine>& lines() {
        static std::vector<LogLine> instance;
        return instance;
    }
    static void record(QtMsgType type, const QMessageLogContext& context, const QString& text) {
        std::lock_guard<std::mutex> lock(mutex());
        lines().push_back(LogLine{type, context.file ? context.file : "", context.line,
                                  context.function ? context.function : "",
                                  context.category ? context.category : "", text.toStdString()});
    }

    QtMessageHandler previous_;
};

}  // namespace ocsm_test

#endif  // OCSM_TESTS_FRAME_QTCAPTURE_H
