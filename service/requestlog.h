#pragma once

#include <QFile>
#include <QString>
#include <mutex>
#include <string>

// Appends each request target, raw as it arrived, one per line. Every line is flushed at once
// so that a test can read the log while the service keeps running, or after killing it.
class RequestLog {
public:
    // An empty path logs nothing.
    explicit RequestLog(const QString &path);

    bool isOpen() const { return m_file.isOpen(); }
    QString errorString() const { return m_file.errorString(); }

    void append(const std::string &target);

private:
    std::mutex m_mutex;
    QFile m_file;
};
