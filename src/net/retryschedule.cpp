#include "retryschedule.h"

#include <QRandomGenerator>
#include <QtGlobal>
#include <algorithm>
#include <array>
#include <iterator>
#include <utility>

namespace {

// In units
constexpr std::array kPauses {2, 4, 8, 16, 30};
constexpr double kJitter = 0.1;

} // namespace

RetrySchedule::RetrySchedule(std::chrono::milliseconds unit, RandomSource random)
    : m_unit(unit), m_random(std::move(random))
{
    if (!m_random)
        m_random = [] { return QRandomGenerator::global()->generateDouble(); };
}

std::chrono::milliseconds RetrySchedule::nextPause()
{
    const int step = std::min<int>(m_attempt, int(std::size(kPauses)) - 1);
    m_attempt = step + 1;
    const double spread = 1 + kJitter * (2 * m_random() - 1);
    return std::chrono::milliseconds(qRound64(double(m_unit.count()) * kPauses[step] * spread));
}
