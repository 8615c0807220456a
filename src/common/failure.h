#pragma once

#include <QString>
#include <exception>

// The one exception type of the program: a failing step raises it with a reason a user can read.
// Every event handler catches it at its own boundary, so it never crosses the Qt event loop.
class Failure : public std::exception {
public:
    explicit Failure(QString reason) : m_reason(std::move(reason)), m_utf8(m_reason.toUtf8()) { }

    const QString &reason() const noexcept { return m_reason; }
    const char *what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_reason;
    QByteArray m_utf8;
};
