#include "subscribers/statusrules.h"

#include <QRegularExpression>
#include <QStringList>

#include <limits>

using namespace Qt::StringLiterals;

namespace quelmar::subscribers {

namespace {

constexpr int FirstInstalledYear = 1991;

} // namespace

QDate notInstalledExpiry()
{
    return QDate(1990, 1, 1);
}

bool isNotInstalled(const QDate& expiry)
{
    return !expiry.isValid() || expiry.year() < FirstInstalledYear;
}

QDate addPaidMonths(const QDate& expiry, int months)
{
    if (!expiry.isValid())
        return expiry;
    // Months counted from year 0, so that the sum divides into a year and a month whatever its sign.
    const qint64 total = qint64(expiry.year()) * 12 + (expiry.month() - 1) + months;
    const qint64 year = total >= 0 ? total / 12 : (total - 11) / 12;
    const int month = int(total - year * 12) + 1;
    return QDate(int(year), month, 1).addDays(expiry.day() - 1);
}

QDate extendedExpiry(const QDate& expiry, int months)
{
    return isNotInstalled(expiry) ? expiry : addPaidMonths(expiry, months);
}

qint64 cutDays(const QDate& cutDay, const QDate& today)
{
    return cutDay.daysTo(today);
}

bool offersBonification(qint64 days)
{
    return days > 3;
}

QString longDate(const QDate& date)
{
    if (!date.isValid())
        return {};
    static const QStringList days = {u"lunes"_s,   u"martes"_s, u"miércoles"_s, u"jueves"_s,
                                     u"viernes"_s, u"sábado"_s, u"domingo"_s};
    static const QStringList months = {u"enero"_s,      u"febrero"_s, u"marzo"_s,     u"abril"_s,
                                       u"mayo"_s,       u"junio"_s,   u"julio"_s,     u"agosto"_s,
                                       u"septiembre"_s, u"octubre"_s, u"noviembre"_s, u"diciembre"_s};
    return u"%1, %2 de %3 de %4"_s.arg(days.at(date.dayOfWeek() - 1))
        .arg(date.day())
        .arg(months.at(date.month() - 1))
        .arg(date.year());
}

QString bonificationTitle()
{
    return u"¿Bonifica Días de Corte?"_s;
}

QString bonificationQuestion(const QDate& cutDay, qint64 days)
{
    return u"Fue Cortado el "_s + longDate(cutDay) + u"     Se puede Bonificar "_s + QString::number(days) +
           u" días"_s + u"\r\n\r\n"_s + u"¿Bonifica?"_s;
}

QString lastCutStatement(const QString& key)
{
    return u"SELECT DISTINCTROW Situación.Fecha From Situación Where Situación.Nota Like 'Cortado*' And "
           u"Situación.Suscriptor = "_s +
           key + u" ORDER BY Situación.Fecha DESC"_s;
}

QString statusNote(const QString& newStatus, const QString& note)
{
    return newStatus + u'-' + note.trimmed();
}

QString bonificationNote(qint64 days)
{
    return QString::number(days) + u" Dias Bonificados"_s;
}

QString subscriberKey(const QString& text)
{
    static const QRegularExpression plain(u"^[0-9]+$"_s);
    static const QRegularExpression grouped(u"^[0-9]{1,3}(,[0-9]{3})+$"_s);
    const QString trimmed = text.trimmed();
    if (!plain.match(trimmed).hasMatch() && !grouped.match(trimmed).hasMatch())
        return {};
    bool ok = false;
    const qint64 value = QString(trimmed).remove(u',').toLongLong(&ok);
    if (!ok || value > std::numeric_limits<qint32>::max())
        return {};
    return QString::number(value);
}

} // namespace quelmar::subscribers
