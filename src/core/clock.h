#pragma once

#include <QDate>
#include <QDateTime>

namespace quelmar {

// The program's one source of today's date and the time of day. Nothing else reads the system clock, so that
// a test (or a demonstration) can fix the day.
class Clock
{
public:
    static QDate today();
    static QDateTime now();

    // Fixes today's date (the time of day keeps running); an invalid date returns to the system clock.
    static void setToday(const QDate& day);
};

} // namespace quelmar
