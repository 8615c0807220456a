#include "outageschedule.h"

#include <algorithm>
#include <stdexcept>

using namespace Qt::StringLiterals;

namespace {

// No test waits this long for anything
constexpr double kLongestSeconds = 3600;

[[noreturn]] void malformed(const QString &value)
{
    throw std::runtime_error(
        u"expected AT:SECONDS, AT from 0 and SECONDS above 0, got \"%1\""_s.arg(value)
            .toStdString());
}

std::chrono::milliseconds secondsValue(const QString &text, bool mayBeZero, const QString &value)
{
    bool ok = false;
    const double seconds = text.toDouble(&ok);
    if (!ok || seconds < 0 || (!mayBeZero && seconds == 0) || seconds > kLongestSeconds)
        malformed(value);
    return std::chrono::milliseconds(qRound64(seconds * 1000));
}

} // namespace

void OutageSchedule::add(const QString &value)
{
    const qsizetype colon = value.indexOf(u':');
    if (colon < 0)
        malformed(value);
    const auto begin = secondsValue(value.left(colon), true, value);
    m_windows.append({begin, begin + secondsValue(value.mid(colon + 1), false, value)});
}

QList<OutageSchedule::Window> OutageSchedule::windows() const
{
    QList<Window> sorted = m_windows;
    std::sort(sorted.begin(), sorted.end(),
              [](const Window &a, const Window &b) { return a.begin < b.begin; });
    QList<Window> joined;
    for (const Window &window : std::as_const(sorted)) {
        if (!joined.isEmpty() && window.begin <= joined.last().end)
            joined.last().end = std::max(joined.last().end, window.end);
        else
            joined.append(window);
    }
    return joined;
}

bool OutageSchedule::startsDown() const
{
    return std::any_of(m_windows.cbegin(), m_windows.cend(),
                       [](const Window &window) { return window.begin.count() == 0; });
}
