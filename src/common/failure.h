#pragma once

#include <QString>
#include <exception>
#include <new>
#include <optional>

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

// Made once at start, so that reporting a lack of memory needs none
inline const QString kOutOfMemoryReason = QString::fromUtf16(u"内存不足");

// Runs a handler's step and gives back why it failed, or nothing when it did not. Running out of
// memory is reported like any other failure: it ends the step, never the program.
template<typename Step> std::optional<QString> failureOf(Step &&step)
{
    try {
        step();
        return std::nullopt;
    } catch (const Failure &failure) {
        return failure.reason();
    } catch (const std::bad_alloc &) {
        return kOutOfMemoryReason;
    }
}
