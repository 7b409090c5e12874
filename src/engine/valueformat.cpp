#include "engine/valueformat.h"

#include "core/datetext.h"

#include <QDate>
#include <QDateTime>
#include <QTime>

#include <cmath>
#include <optional>

namespace quelmar::engine {

namespace {

// A number pattern cut into its parts: "$###,##0.00" has the prefix "$", grouping, one integer digit always
// shown and two decimals always shown.
struct NumberPattern
{
    QString prefix;
    QString suffix;
    bool grouping = false;
    int minIntegerDigits = 0;
    int minDecimals = 0;
    int maxDecimals = 0;
};

bool isPatternChar(QChar c)
{
    return c == QLatin1Char('#') || c == QLatin1Char('0') || c == QLatin1Char(',') || c == QLatin1Char('.');
}

bool isDigitPlaceholder(QChar c)
{
    return c == QLatin1Char('#') || c == QLatin1Char('0');
}

std::optional<NumberPattern> numberPattern(const QString& format)
{
    // Percent and scientific patterns scale the value: they are not among the patterns read here.
    if (format.contains(QLatin1Char('%')) || format.contains(QLatin1String("E+"), Qt::CaseInsensitive) ||
        format.contains(QLatin1String("E-"), Qt::CaseInsensitive))
        return std::nullopt;
    qsizetype first = 0;
    while (first < format.size() && !isPatternChar(format.at(first)))
        ++first;
    qsizetype last = format.size() - 1;
    while (last >= first && !isDigitPlaceholder(format.at(last)))
        --last;
    if (last < first)
        return std::nullopt;
    const QString body = format.mid(first, last - first + 1);
    for (const QChar c : body) {
        if (!isPatternChar(c))
            return std::nullopt;
    }
    if (body.count(QLatin1Char('.')) > 1)
        return std::nullopt;

    NumberPattern pattern;
    pattern.prefix = format.left(first);
    pattern.suffix = format.mid(last + 1);
    const qsizetype point = body.indexOf(QLatin1Char('.'));
    const QString integerPart = point < 0 ? body : body.left(point);
    const QString decimalPart = point < 0 ? QString() : body.mid(point + 1);
    if (decimalPart.contains(QLatin1Char(',')))
        return std::nullopt;
    pattern.grouping = integerPart.contains(QLatin1Char(','));
    pattern.minIntegerDigits = static_cast<int>(integerPart.count(QLatin1Char('0')));
    pattern.minDecimals = static_cast<int>(decimalPart.count(QLatin1Char('0')));
    pattern.maxDecimals = static_cast<int>(decimalPart.size());
    return pattern;
}

// The decimal digits of a magnitude, from its 15 significant digits, rounded half up at the decimal place.
struct DecimalDigits
{
    QString integer;
    QString fraction;
};

DecimalDigits roundedDigits(double magnitude, int decimals)
{
    const QString scientific = QString::number(magnitude, 'e', 14); // "1.23450000000000e+03"
    const qsizetype e = scientific.indexOf(QLatin1Char('e'));
    QString digits = scientific.left(e).remove(QLatin1Char('.'));
    qsizetype pointAt = scientific.mid(e + 1).toInt() + 1;
    if (pointAt <= 0) {
        digits.prepend(QString(1 - pointAt, QLatin1Char('0')));
        pointAt = 1;
    }
    // Beyond its 15 significant digits a number has zeros, also in the decimals a format asks for.
    if (pointAt + decimals > digits.size())
        digits.append(QString(pointAt + decimals - digits.size(), QLatin1Char('0')));

    const bool roundUp =
        digits.size() > pointAt + decimals && digits.at(pointAt + decimals) >= QLatin1Char('5');
    digits.truncate(pointAt + decimals);
    if (roundUp) {
        qsizetype i = digits.size() - 1;
        for (; i >= 0 && digits.at(i) == QLatin1Char('9'); --i)
            digits[i] = QLatin1Char('0');
        if (i >= 0) {
            digits[i] = QChar(digits.at(i).unicode() + 1);
        } else {
            digits.prepend(QLatin1Char('1'));
            ++pointAt;
        }
    }
    DecimalDigits result{digits.left(pointAt), digits.mid(pointAt)};
    while (result.integer.size() > 1 && result.integer.startsWith(QLatin1Char('0')))
        result.integer.remove(0, 1);
    if (result.integer == QLatin1String("0"))
        result.integer.clear();
    return result;
}

QString grouped(const QString& digits)
{
    QString result;
    for (qsizetype i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            result += QLatin1Char(',');
        result += digits.at(i);
    }
    return result;
}

QString formatNumber(double number, const NumberPattern& pattern)
{
    DecimalDigits digits = roundedDigits(std::fabs(number), pattern.maxDecimals);
    while (digits.fraction.size() > pattern.minDecimals && digits.fraction.endsWith(QLatin1Char('0')))
        digits.fraction.chop(1);
    bool zero = digits.integer.isEmpty();
    for (const QChar digit : std::as_const(digits.fraction))
        zero = zero && digit == QLatin1Char('0');
    QString integer = digits.integer;
    if (integer.size() < pattern.minIntegerDigits)
        integer.prepend(QString(pattern.minIntegerDigits - integer.size(), QLatin1Char('0')));
    if (pattern.grouping)
        integer = grouped(integer);
    QString text = pattern.prefix + integer;
    if (!digits.fraction.isEmpty())
        text += QLatin1Char('.') + digits.fraction;
    text += pattern.suffix;
    return number < 0 && !zero ? QLatin1Char('-') + text : text;
}

std::optional<double> numberOf(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool() ? -1.0 : 0.0;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::Float:
    case QMetaType::Double: {
        const double number = value.toDouble();
        return std::isfinite(number) ? std::optional<double>(number) : std::nullopt;
    }
    case QMetaType::QString:
    case QMetaType::QByteArray: {
        QString text = value.toString().trimmed();
        text.remove(QLatin1Char(',')).remove(QLatin1Char('$'));
        bool ok = false;
        const double number = text.toDouble(&ok);
        return ok && std::isfinite(number) ? std::optional<double>(number) : std::nullopt;
    }
    default:
        return std::nullopt;
    }
}

std::optional<QDateTime> dateTimeOf(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::QDate:
        return value.toDate().isValid() ? std::optional<QDateTime>(QDateTime(value.toDate(), QTime(0, 0)))
                                        : std::nullopt;
    case QMetaType::QDateTime:
        return value.toDateTime().isValid() ? std::optional<QDateTime>(value.toDateTime()) : std::nullopt;
    case QMetaType::QTime:
        // A time alone sits on the engine's day zero, as an hour field keeps it.
        return value.toTime().isValid()
                   ? std::optional<QDateTime>(QDateTime(QDate(1899, 12, 30), value.toTime()))
                   : std::nullopt;
    case QMetaType::QString: {
        const QString text = value.toString().trimmed();
        const QDateTime dateTime = datetext::parseDateTime(text);
        if (dateTime.isValid())
            return dateTime;
        for (const QString& timeFormat : {QStringLiteral("H:mm"), QStringLiteral("H:mm:ss")}) {
            const QTime time = QTime::fromString(text, timeFormat);
            if (time.isValid())
                return QDateTime(QDate(1899, 12, 30), time);
        }
        return std::nullopt;
    }
    default:
        return std::nullopt;
    }
}

QString twoDigits(int number)
{
    return QStringLiteral("%1").arg(number, 2, 10, QLatin1Char('0'));
}

std::optional<QString> formatDate(const QVariant& value, const QString& lowerFormat)
{
    const std::optional<QDateTime> dateTime = dateTimeOf(value);
    if (!dateTime)
        return std::nullopt;
    const QDate date = dateTime->date();
    if (lowerFormat == QLatin1String("dd-mmm-yy"))
        return datetext::dayMonthShortYear(date);
    if (lowerFormat == QLatin1String("dd-mmm-yyyy"))
        return datetext::dayMonthYear(date);
    if (lowerFormat == QLatin1String("hh:mm"))
        return dateTime->time().toString(QStringLiteral("HH:mm"));
    if (lowerFormat == QLatin1String("mm-dd-yyyy"))
        return QStringLiteral("%1-%2-%3")
            .arg(twoDigits(date.month()), twoDigits(date.day()))
            .arg(date.year());
    if (lowerFormat == QLatin1String("dd-mm-yy"))
        return QStringLiteral("%1-%2-%3")
            .arg(twoDigits(date.day()), twoDigits(date.month()), twoDigits(date.year() % 100));
    return std::nullopt;
}

bool isDateFormat(const QString& lowerFormat)
{
    return lowerFormat == QLatin1String("dd-mmm-yy") || lowerFormat == QLatin1String("dd-mmm-yyyy") ||
           lowerFormat == QLatin1String("hh:mm") || lowerFormat == QLatin1String("mm-dd-yyyy") ||
           lowerFormat == QLatin1String("dd-mm-yy");
}

QString yesNo(bool yes)
{
    return yes ? QStringLiteral("Sí") : QStringLiteral("No");
}

QString plainText(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::QDate:
        return datetext::dayMonthYear(value.toDate());
    case QMetaType::QDateTime: {
        const QDateTime dateTime = value.toDateTime();
        QString text = datetext::dayMonthYear(dateTime.date());
        if (dateTime.time() != QTime(0, 0))
            text += QLatin1Char(' ') + dateTime.time().toString(QStringLiteral("HH:mm:ss"));
        return text;
    }
    case QMetaType::QTime:
        return value.toTime().toString(QStringLiteral("HH:mm:ss"));
    case QMetaType::Bool:
        return yesNo(value.toBool());
    case QMetaType::Float:
        return QString::number(value.toFloat(), 'g', 7);
    case QMetaType::Double:
        return QString::number(value.toDouble(), 'g', 15);
    default:
        return value.toString();
    }
}

} // namespace

QString formatValue(const QVariant& value, const QString& format)
{
    if (!value.isValid() || value.isNull())
        return {};
    const QString lower = format.trimmed().toLower();
    if (lower.isEmpty())
        return plainText(value);

    if (isDateFormat(lower))
        return formatDate(value, lower).value_or(plainText(value));

    if (lower == QLatin1String("yes/no")) {
        const std::optional<double> number = numberOf(value);
        return number ? yesNo(*number != 0) : plainText(value);
    }

    std::optional<NumberPattern> pattern;
    if (lower == QLatin1String("currency"))
        pattern = numberPattern(QStringLiteral("$#,##0.00"));
    else if (lower == QLatin1String("standard"))
        pattern = numberPattern(QStringLiteral("#,##0.00"));
    else
        pattern = numberPattern(format.trimmed());
    if (!pattern)
        return plainText(value);
    const std::optional<double> number = numberOf(value);
    return number ? formatNumber(*number, *pattern) : plainText(value);
}

} // namespace quelmar::engine
