#pragma once

#include <QFile>
#include <QString>
#include <mutex>
#include <string>

// Appends each request target, raw as it arrived, one per line: a request other than a GET adds
// a tab and its method, one with a Range header a tab and "Range: " with its value. Every line
// is flushed at once so that a test can read the log while the service keeps running, or after
// killing it.
class RequestLog {
public:
    // An empty path logs nothing.
    explicit RequestLog(const QString &path);

    bool isOpen() const { return m_file.isOpen(); }
    QString errorString() const { return m_file.errorString(); }

    void append(const std::string &target, const std::string &method = "GET",
                const std::string &range = {});

private:
    std::mutex m_mutex;
    QFile m_file;
};
