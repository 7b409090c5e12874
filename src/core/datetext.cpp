#include "core/datetext.h"

#include <QRegularExpression>
#include <QStringList>

namespace quelmar::datetext {

namespace {

const QStringList& monthNames()
{
    static const QStringList names = {QStringLiteral("Ene"), QStringLiteral("Feb"), QStringLiteral("Mar"),
                                      QStringLiteral("Abr"), QStringLiteral("May"), QStringLiteral("Jun"),
                                      QStringLiteral("Jul"), QStringLiteral("Ago"), QStringLiteral("Sep"),
                                      QStringLiteral("Oct"), QStringLiteral("Nov"), QStringLiteral("Dic")};
    return names;
}

// English abbreviations are accepted too, since dates typed in a statement may use them.
int monthFromName(const QString& name)
{
    static const QStringList english = {QStringLiteral("jan"), QStringLiteral("feb"), QStringLiteral("mar"),
                                        QStringLiteral("apr"), QStringLiteral("may"), QStringLiteral("jun"),
                                        QStringLiteral("jul"), QStringLiteral("aug"), QStringLiteral("sep"),
                                        QStringLiteral("oct"), QStringLiteral("nov"), QStringLiteral("dec")};
    const QString prefix = name.left(3).toLower();
    for (int i = 0; i < 12; ++i) {
        if (prefix == monthNames().at(i).toLower() || prefix == english.at(i))
            return i + 1;
    }
    return 0;
}

int fullYear(const QString& digits)
{
    const int year = digits.toInt();
    if (digits.size() > 2)
        return year;
    return year < 30 ? 2000 + year : 1900 + year;
}

QString twoDigits(int value)
{
    return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
}

} // namespace

QString monthAbbreviation(int month)
{
    return month >= 1 && month <= 12 ? monthNames().at(month - 1) : QString();
}

QString dayMonthYear(const QDate& date)
{
    if (!date.isValid())
        return {};
    return QStringLiteral("%1-%2-%3")
        .arg(twoDigits(date.day()), monthAbbreviation(date.month()))
        .arg(date.year());
}

QString dayMonthShortYear(const QDate& date)
{
    if (!date.isValid())
        return {};
    return QStringLiteral("%1-%2-%3")
        .arg(twoDigits(date.day()), monthAbbreviation(date.month()), twoDigits(date.year() % 100));
}

QString shortDate(const QDate& date)
{
    if (!date.isValid())
        return {};
    return QStringLiteral("%1/%2/%3").arg(twoDigits(date.day()), twoDigits(date.month())).arg(date.year());
}

QString jetLiteral(const QDate& date)
{
    return QStringLiteral("#%1-%2-%3#").arg(twoDigits(date.month()), twoDigits(date.day())).arg(date.year());
}

QString iso(const QDate& date)
{
    return date.isValid() ? date.toString(Qt::ISODate) : QString();
}

QDate parseLiteral(const QString& text)
{
    static const QRegularExpression pattern(
        QStringLiteral(R"(^\s*(\d{1,4})[-/](\d{1,2})[-/](\d{1,4})(?:\s+\d{1,2}:\d{2}(?::\d{2})?)?\s*$)"));
    const QRegularExpressionMatch m = pattern.match(text);
    if (!m.hasMatch())
        return {};
    if (m.captured(1).size() == 4)
        return QDate(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    return QDate(fullYear(m.captured(3)), m.captured(1).toInt(), m.captured(2).toInt());
}

QDateTime parseDateTime(const QString& text)
{
    static const QRegularExpression pattern(QStringLiteral(
        R"(^\s*(\d{1,4})[-/ ]([0-9]{1,2}|[A-Za-zÁÉÍÓÚáéíóú]{3,10}\.?)[-/ ](\d{1,4})(?:[T ]+(\d{1,2}):(\d{2})(?::(\d{2}))?)?\s*$)"));
    const QRegularExpressionMatch m = pattern.match(text);
    if (!m.hasMatch())
        return {};
    const QString first = m.captured(1);
    const QString middle = m.captured(2);
    const QString last = m.captured(3);
    QDate date;
    if (first.size() == 4) {
        date = QDate(first.toInt(), middle.toInt(), last.toInt());
    } else {
        const bool named = !middle.at(0).isDigit();
        const int month = named ? monthFromName(middle) : middle.toInt();
        if (month == 0 || last.size() == 3)
            return {};
        date = QDate(fullYear(last), month, first.toInt());
    }
    if (!date.isValid())
        return {};
    QTime time(0, 0);
    if (!m.captured(4).isEmpty()) {
        time = QTime(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt());
        if (!time.isValid())
            return {};
    }
    return QDateTime(date, time);
}

QDate parse(const QString& text)
{
    return parseDateTime(text).date();
}

} // namespace quelmar::datetext
