#include "core/clock.h"

#include <atomic>

namespace quelmar {

namespace {
std::atomic<qint64> fixedJulianDay{0};
}

QDate Clock::today()
{
    const qint64 fixed = fixedJulianDay.load();
    return fixed != 0 ? QDate::fromJulianDay(fixed) : QDate::currentDate();
}

QDateTime Clock::now()
{
    return QDateTime(today(), QTime::currentTime());
}

void Clock::setToday(const QDate& day)
{
    fixedJulianDay.store(day.isValid() ? day.toJulianDay() : 0);
}

} // namespace quelmar
