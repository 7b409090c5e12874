#include "db/jetfunctions.h"

#include "core/datetext.h"

#include <QDate>
#include <QDateTime>
#include <QStringList>
#include <QTime>

#include <algorithm>
#include <cmath>

namespace quelmar::db::jetfunctions {

using namespace Qt::StringLiterals;

namespace {

const QStringList& monthNames()
{
    static const QStringList names = {u"Enero"_s,      u"Febrero"_s, u"Marzo"_s,     u"Abril"_s,
                                      u"Mayo"_s,       u"Junio"_s,   u"Julio"_s,     u"Agosto"_s,
                                      u"Septiembre"_s, u"Octubre"_s, u"Noviembre"_s, u"Diciembre"_s};
    return names;
}

// Sunday first, as Jet numbers the days of the week.
const QStringList& dayNames()
{
    static const QStringList names = {u"Domingo"_s, u"Lunes"_s,   u"Martes"_s, u"Miércoles"_s,
                                      u"Jueves"_s,  u"Viernes"_s, u"Sábado"_s};
    return names;
}

QString dayAbbreviation(int index)
{
    return dayNames().at(index).left(3);
}

// A moment without a time zone: the day and the seconds since its midnight.
struct Moment
{
    QDate date;
    int seconds = 0;

    bool valid() const { return date.isValid(); }
    qint64 totalSeconds() const { return date.toJulianDay() * 86400 + seconds; }
    static Moment fromTotalSeconds(qint64 total)
    {
        const qint64 day = total >= 0 ? total / 86400 : -((-total + 86399) / 86400);
        return {QDate::fromJulianDay(day), int(total - day * 86400)};
    }
    // Days since Sunday.
    int dayOfWeek() const { return date.dayOfWeek() % 7; }
};

Moment momentOf(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::QDate:
        return {value.toDate(), 0};
    case QMetaType::QDateTime: {
        const QDateTime dateTime = value.toDateTime();
        return {dateTime.date(), dateTime.time().msecsSinceStartOfDay() / 1000};
    }
    case QMetaType::QString:
    case QMetaType::QByteArray: {
        const QDateTime dateTime = datetext::parseDateTime(value.toString());
        if (!dateTime.isValid())
            return {};
        return {dateTime.date(), dateTime.time().msecsSinceStartOfDay() / 1000};
    }
    default:
        return {};
    }
}

// ISO text, as dates are kept: the time only when there is one.
QVariant isoText(const Moment& moment)
{
    if (!moment.valid())
        return {};
    QString text = moment.date.toString(Qt::ISODate);
    if (moment.seconds != 0)
        text += u' ' + QTime::fromMSecsSinceStartOfDay(moment.seconds * 1000).toString(u"HH:mm:ss"_s);
    return text;
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
    case QMetaType::Double:
    case QMetaType::Float: {
        const double number = value.toDouble();
        return std::isfinite(number) ? std::optional<double>(number) : std::nullopt;
    }
    case QMetaType::QString:
    case QMetaType::QByteArray: {
        bool ok = false;
        const double number = value.toString().trimmed().toDouble(&ok);
        return ok && std::isfinite(number) ? std::optional<double>(number) : std::nullopt;
    }
    default:
        return std::nullopt;
    }
}

bool isNull(const QVariant& value)
{
    return !value.isValid() || value.isNull();
}

QString padded(int number, int width)
{
    return u"%1"_s.arg(number, width, 10, QChar(u'0'));
}

// The digits of a magnitude from its 15 significant digits, and where its point falls among them.
struct Digits
{
    QString digits;
    qsizetype pointAt = 0;
};

Digits significantDigits(double magnitude)
{
    const QString scientific = QString::number(magnitude, 'e', 14); // "1.23450000000000e+03"
    const qsizetype e = scientific.indexOf(u'e');
    return {scientific.left(e).remove(u'.'), scientific.mid(e + 1).toInt() + 1};
}

// The number as plain decimal text from its 15 significant digits: 1234.5, 0.001, 100000000000000000000.
QString plainNumber(double number)
{
    if (number == 0.0)
        return u"0"_s;
    Digits d = significantDigits(std::fabs(number));
    while (d.digits.size() > 1 && d.digits.endsWith(u'0'))
        d.digits.chop(1);
    QString text;
    if (d.pointAt <= 0)
        text = u"0."_s + QString(-d.pointAt, u'0') + d.digits;
    else if (d.pointAt >= d.digits.size())
        text = d.digits + QString(d.pointAt - d.digits.size(), u'0');
    else
        text = d.digits.left(d.pointAt) + u'.' + d.digits.mid(d.pointAt);
    return number < 0 ? u'-' + text : text;
}

// Integer and decimal digits of a magnitude times 10^shift, rounded half up at `decimals` places. The shift
// moves the point among the 15 digits, so that a percentage is rounded from the digits of the value itself.
std::pair<QString, QString> roundedDigits(double magnitude, int decimals, int shift)
{
    Digits d = significantDigits(magnitude);
    QString digits = d.digits;
    qsizetype pointAt = magnitude == 0.0 ? 1 : d.pointAt + shift;
    if (pointAt <= 0) {
        digits.prepend(QString(1 - pointAt, u'0'));
        pointAt = 1;
    }
    if (pointAt + decimals > digits.size())
        digits.append(QString(pointAt + decimals - digits.size(), u'0'));
    const bool roundUp = digits.size() > pointAt + decimals && digits.at(pointAt + decimals) >= u'5';
    digits.truncate(pointAt + decimals);
    if (roundUp) {
        qsizetype i = digits.size() - 1;
        for (; i >= 0 && digits.at(i) == u'9'; --i)
            digits[i] = u'0';
        if (i >= 0) {
            digits[i] = QChar(digits.at(i).unicode() + 1);
        } else {
            digits.prepend(u'1');
            ++pointAt;
        }
    }
    QString integer = digits.left(pointAt);
    while (!integer.isEmpty() && integer.startsWith(u'0'))
        integer.remove(0, 1);
    return {integer, digits.mid(pointAt)};
}

QString grouped(const QString& digits)
{
    QString result;
    for (qsizetype i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            result += u',';
        result += digits.at(i);
    }
    return result;
}

QString formatNumber(double number, const NumberPattern& pattern)
{
    auto [integer, fraction] = roundedDigits(std::fabs(number), pattern.maxDecimals, pattern.percent ? 2 : 0);
    bool zero = integer.isEmpty();
    for (const QChar digit : std::as_const(fraction))
        zero = zero && digit == u'0';
    while (fraction.size() > pattern.minDecimals && fraction.endsWith(u'0'))
        fraction.chop(1);
    if (integer.size() < pattern.minIntegerDigits)
        integer.prepend(QString(pattern.minIntegerDigits - integer.size(), u'0'));
    if (pattern.grouping)
        integer = grouped(integer);
    QString text = pattern.prefix + integer;
    if (!fraction.isEmpty())
        text += u'.' + fraction;
    text += pattern.suffix;
    return number < 0 && !zero ? u'-' + text : text;
}

QString formatDate(const Moment& moment, const QList<DateToken>& tokens)
{
    const QDate& date = moment.date;
    const int hour = moment.seconds / 3600;
    const int minute = moment.seconds / 60 % 60;
    const int second = moment.seconds % 60;
    QString text;
    for (const DateToken& token : tokens) {
        switch (token.piece) {
        case DatePiece::Literal:
            text += token.text;
            break;
        case DatePiece::Day:
            text += QString::number(date.day());
            break;
        case DatePiece::Day2:
            text += padded(date.day(), 2);
            break;
        case DatePiece::DayAbbreviation:
            text += dayAbbreviation(moment.dayOfWeek());
            break;
        case DatePiece::DayName:
            text += dayNames().at(moment.dayOfWeek());
            break;
        case DatePiece::Month:
            text += QString::number(date.month());
            break;
        case DatePiece::Month2:
            text += padded(date.month(), 2);
            break;
        case DatePiece::MonthAbbreviation:
            text += datetext::monthAbbreviation(date.month());
            break;
        case DatePiece::MonthName:
            text += monthNames().at(date.month() - 1);
            break;
        case DatePiece::Year2:
            text += padded(date.year() % 100, 2);
            break;
        case DatePiece::Year4:
            text += padded(date.year(), 4);
            break;
        case DatePiece::DayOfYear:
            text += QString::number(date.dayOfYear());
            break;
        case DatePiece::Quarter:
            text += QString::number((date.month() + 2) / 3);
            break;
        case DatePiece::Weekday:
            text += QString::number(moment.dayOfWeek() + 1);
            break;
        case DatePiece::Hour:
            text += QString::number(hour);
            break;
        case DatePiece::Hour2:
            text += padded(hour, 2);
            break;
        case DatePiece::Minute:
            text += QString::number(minute);
            break;
        case DatePiece::Minute2:
            text += padded(minute, 2);
            break;
        case DatePiece::Second:
            text += QString::number(second);
            break;
        case DatePiece::Second2:
            text += padded(second, 2);
            break;
        case DatePiece::GeneralDate:
            text += u"%1/%2/%3"_s.arg(padded(date.day(), 2), padded(date.month(), 2), padded(date.year(), 4));
            if (moment.seconds != 0)
                text += u" %1:%2:%3"_s.arg(padded(hour, 2), padded(minute, 2), padded(second, 2));
            break;
        }
    }
    return text;
}

bool isNumberPlaceholder(QChar c)
{
    return c == u'#' || c == u'0' || c == u',' || c == u'.';
}

// The characters that stand for themselves in a format, besides quoted text and \x.
bool isPlainLiteral(QChar c)
{
    return !c.isLetterOrNumber() && c != u'"' && c != u'\\' && c != u';' && c != u'@' && c != u'&' &&
           c != u'<' && c != u'>' && c != u'!' && c != u'#' && c != u'%';
}

// Reads a quoted text or an escaped character at `i`; false when the text there is neither or is unclosed.
bool readQuoted(const QString& text, qsizetype& i, QString& literal)
{
    if (text.at(i) == u'\\') {
        if (i + 1 >= text.size())
            return false;
        literal += text.at(i + 1);
        i += 2;
        return true;
    }
    const qsizetype close = text.indexOf(u'"', i + 1);
    if (close < 0)
        return false;
    literal += text.mid(i + 1, close - i - 1);
    i = close + 1;
    return true;
}

std::optional<NumberPattern> readNumberPattern(const QString& text)
{
    NumberPattern pattern;
    QString body;
    bool bodyDone = false;
    for (qsizetype i = 0; i < text.size();) {
        const QChar c = text.at(i);
        QString& literal = body.isEmpty() ? pattern.prefix : pattern.suffix;
        if (isNumberPlaceholder(c)) {
            if (bodyDone)
                return std::nullopt;
            body += c;
            ++i;
            continue;
        }
        if (!body.isEmpty())
            bodyDone = true;
        if (c == u'"' || c == u'\\') {
            if (!readQuoted(text, i, literal))
                return std::nullopt;
        } else if (c == u'%') {
            pattern.percent = true;
            literal += c;
            ++i;
        } else if (isPlainLiteral(c)) {
            literal += c;
            ++i;
        } else {
            return std::nullopt;
        }
    }
    const qsizetype point = body.indexOf(u'.');
    if (body.count(u'.') > 1 || (point >= 0 && body.indexOf(u',', point) >= 0))
        return std::nullopt;
    const QString integerPart = point < 0 ? body : body.left(point);
    const QString decimalPart = point < 0 ? QString() : body.mid(point + 1);
    pattern.grouping = integerPart.contains(u',');
    pattern.minIntegerDigits = int(integerPart.count(u'0'));
    // Decimals up to the last "0" are always shown.
    pattern.minDecimals = int(decimalPart.lastIndexOf(u'0')) + 1;
    pattern.maxDecimals = int(decimalPart.size());
    return pattern;
}

bool isHour(DatePiece piece)
{
    return piece == DatePiece::Hour || piece == DatePiece::Hour2;
}

std::optional<QList<DateToken>> readDateTokens(const QString& text)
{
    QList<DateToken> tokens;
    const auto addLiteral = [&](const QString& literal) {
        if (!tokens.isEmpty() && tokens.last().piece == DatePiece::Literal)
            tokens.last().text += literal;
        else
            tokens.append({DatePiece::Literal, literal});
    };
    for (qsizetype i = 0; i < text.size();) {
        const QChar c = text.at(i);
        if (c == u'"' || c == u'\\') {
            QString literal;
            if (!readQuoted(text, i, literal))
                return std::nullopt;
            addLiteral(literal);
            continue;
        }
        if (!c.isLetter()) {
            if (!isPlainLiteral(c))
                return std::nullopt;
            addLiteral(c);
            ++i;
            continue;
        }
        const QChar letter = c.toLower();
        qsizetype run = 1;
        while (i + run < text.size() && text.at(i + run).toLower() == letter)
            ++run;
        i += run;
        std::optional<DatePiece> piece;
        const auto pick = [&](std::initializer_list<DatePiece> pieces) {
            if (run <= qsizetype(pieces.size()))
                piece = *(pieces.begin() + (run - 1));
        };
        if (letter == u'd')
            pick({DatePiece::Day, DatePiece::Day2, DatePiece::DayAbbreviation, DatePiece::DayName});
        else if (letter == u'm')
            pick({DatePiece::Month, DatePiece::Month2, DatePiece::MonthAbbreviation, DatePiece::MonthName});
        else if (letter == u'y' && run == 1)
            piece = DatePiece::DayOfYear;
        else if (letter == u'y' && run == 2)
            piece = DatePiece::Year2;
        else if (letter == u'y' && run == 4)
            piece = DatePiece::Year4;
        else if (letter == u'h')
            pick({DatePiece::Hour, DatePiece::Hour2});
        else if (letter == u'n')
            pick({DatePiece::Minute, DatePiece::Minute2});
        else if (letter == u's')
            pick({DatePiece::Second, DatePiece::Second2});
        else if (letter == u'q')
            pick({DatePiece::Quarter});
        else if (letter == u'w')
            pick({DatePiece::Weekday});
        if (!piece)
            return std::nullopt;
        tokens.append({*piece, {}});
    }
    // "m" right after an hour or right before a second is the minute.
    for (qsizetype t = 0; t < tokens.size(); ++t) {
        DateToken& token = tokens[t];
        if (token.piece != DatePiece::Month && token.piece != DatePiece::Month2)
            continue;
        qsizetype before = t - 1;
        while (before >= 0 && tokens.at(before).piece == DatePiece::Literal)
            --before;
        qsizetype after = t + 1;
        while (after < tokens.size() && tokens.at(after).piece == DatePiece::Literal)
            ++after;
        const bool afterHour = before >= 0 && isHour(tokens.at(before).piece);
        const bool beforeSecond = after < tokens.size() && (tokens.at(after).piece == DatePiece::Second ||
                                                            tokens.at(after).piece == DatePiece::Second2);
        if (afterHour || beforeSecond)
            token.piece = token.piece == DatePiece::Month ? DatePiece::Minute : DatePiece::Minute2;
    }
    if (std::all_of(tokens.cbegin(), tokens.cend(),
                    [](const DateToken& token) { return token.piece == DatePiece::Literal; }))
        return std::nullopt;
    return tokens;
}

// ---------------------------------------------------------------------------------------------------------------
// SQL of the server

QString sqlText(const QString& text)
{
    return u"'"_s + QString(text).replace(u'\'', u"''"_s) + u"'"_s;
}

QString timestampOf(const QString& value)
{
    return u"CAST("_s + value + u" AS timestamp)"_s;
}

QString doubleOf(const QString& value)
{
    return u"CAST("_s + value + u" AS double precision)"_s;
}

QString arrayOf(const QStringList& texts)
{
    QStringList quoted;
    for (const QString& text : texts)
        quoted << sqlText(text);
    return u"(ARRAY["_s + quoted.join(u", "_s) + u"])"_s;
}

QString extractInteger(QLatin1String field, const QString& timestamp)
{
    return u"CAST(EXTRACT("_s + field + u" FROM "_s + timestamp + u") AS integer)"_s;
}

QString toChar(const QString& timestamp, QLatin1String pattern)
{
    return u"to_char("_s + timestamp + u", '"_s + pattern + u"')"_s;
}

QString datePieceSql(const DateToken& token, const QString& t)
{
    switch (token.piece) {
    case DatePiece::Literal:
        return sqlText(token.text);
    case DatePiece::Day:
        return toChar(t, "FMDD"_L1);
    case DatePiece::Day2:
        return toChar(t, "DD"_L1);
    case DatePiece::DayAbbreviation: {
        QStringList abbreviations;
        for (int d = 0; d < 7; ++d)
            abbreviations << dayAbbreviation(d);
        return arrayOf(abbreviations) + u"["_s + extractInteger("DOW"_L1, t) + u" + 1]"_s;
    }
    case DatePiece::DayName:
        return arrayOf(dayNames()) + u"["_s + extractInteger("DOW"_L1, t) + u" + 1]"_s;
    case DatePiece::Month:
        return toChar(t, "FMMM"_L1);
    case DatePiece::Month2:
        return toChar(t, "MM"_L1);
    case DatePiece::MonthAbbreviation: {
        QStringList abbreviations;
        for (int m = 1; m <= 12; ++m)
            abbreviations << datetext::monthAbbreviation(m);
        return arrayOf(abbreviations) + u"["_s + extractInteger("MONTH"_L1, t) + u"]"_s;
    }
    case DatePiece::MonthName:
        return arrayOf(monthNames()) + u"["_s + extractInteger("MONTH"_L1, t) + u"]"_s;
    case DatePiece::Year2:
        return toChar(t, "YY"_L1);
    case DatePiece::Year4:
        return toChar(t, "YYYY"_L1);
    case DatePiece::DayOfYear:
        return toChar(t, "FMDDD"_L1);
    case DatePiece::Quarter:
        return toChar(t, "Q"_L1);
    case DatePiece::Weekday:
        return u"CAST("_s + extractInteger("DOW"_L1, t) + u" + 1 AS text)"_s;
    case DatePiece::Hour:
        return toChar(t, "FMHH24"_L1);
    case DatePiece::Hour2:
        return toChar(t, "HH24"_L1);
    case DatePiece::Minute:
        return toChar(t, "FMMI"_L1);
    case DatePiece::Minute2:
        return toChar(t, "MI"_L1);
    case DatePiece::Second:
        return toChar(t, "FMSS"_L1);
    case DatePiece::Second2:
        return toChar(t, "SS"_L1);
    case DatePiece::GeneralDate:
        return u"CASE WHEN CAST("_s + t + u" AS time) = '00:00:00' THEN "_s + toChar(t, "DD/MM/YYYY"_L1) +
               u" ELSE "_s + toChar(t, "DD/MM/YYYY HH24:MI:SS"_L1) + u" END"_s;
    }
    return {};
}

// The value as numeric from its 15 significant digits (as the file's rule reads a double).
QString numericOf(const QString& value)
{
    return u"CAST("_s + doubleOf(value) + u" AS numeric)"_s;
}

QString numberSql(const NumberPattern& pattern, const QString& value)
{
    const QString n = u"round("_s + numericOf(value) + (pattern.percent ? u" * 100"_s : QString()) + u", "_s +
                      QString::number(pattern.maxDecimals) + u")"_s;
    const QString magnitude = u"abs("_s + n + u")"_s;
    // The integer digits: as many positions as a double's integer can need, the last ones always shown.
    QString integerPattern;
    constexpr int Positions = 18;
    for (int position = Positions; position >= 1; --position) {
        integerPattern += position <= std::max(pattern.minIntegerDigits, 1) ? u'0' : u'9';
        if (pattern.grouping && position > 1 && (position - 1) % 3 == 0)
            integerPattern += u',';
    }
    QString integer = u"to_char(trunc("_s + magnitude + u"), 'FM"_s + integerPattern + u"')"_s;
    if (pattern.minIntegerDigits == 0)
        integer = u"CASE WHEN "_s + magnitude + u" < 1 THEN '' ELSE "_s + integer + u" END"_s;
    QString decimals;
    if (pattern.maxDecimals > 0) {
        const QString digits = u"substr(to_char("_s + magnitude + u" - trunc("_s + magnitude + u"), 'FM0."_s +
                               QString(pattern.maxDecimals, u'0') + u"'), 3)"_s;
        if (pattern.minDecimals == pattern.maxDecimals)
            decimals = u"'.' || "_s + digits;
        else if (pattern.minDecimals > 0)
            decimals = u"'.' || left("_s + digits + u", "_s + QString::number(pattern.minDecimals) +
                       u") || rtrim(substr("_s + digits + u", "_s + QString::number(pattern.minDecimals + 1) +
                       u"), '0')"_s;
        else
            decimals = u"regexp_replace('.' || "_s + digits + u", '\\.?0*$', '')"_s;
    }
    QStringList parts{u"CASE WHEN "_s + n + u" < 0 THEN '-' ELSE '' END"_s};
    if (!pattern.prefix.isEmpty())
        parts << sqlText(pattern.prefix);
    parts << integer;
    if (!decimals.isEmpty())
        parts << decimals;
    if (!pattern.suffix.isEmpty())
        parts << sqlText(pattern.suffix);
    return u"("_s + parts.join(u" || "_s) + u")"_s;
}

QString generalNumberSql(const QString& value)
{
    return u"CAST("_s + numericOf(value) + u" AS text)"_s;
}

// The number of intervals as the whole number DateAdd adds.
QString wholeNumberSql(const QString& number)
{
    return u"CAST(round(CAST("_s + number + u" AS numeric)) AS integer)"_s;
}

qint64 floorDivision(qint64 value, qint64 divisor)
{
    return value >= 0 ? value / divisor : -((-value + divisor - 1) / divisor);
}

} // namespace

// ---------------------------------------------------------------------------------------------------------------
// Format

std::optional<FormatSpec> readFormat(const QString& text)
{
    const QString named = text.trimmed().toLower();
    FormatSpec spec;
    if (named == u"general date"_s) {
        spec.date = {{DatePiece::GeneralDate, {}}};
        return spec;
    }
    if (named == u"general number"_s) {
        spec.kind = FormatSpec::Kind::GeneralNumber;
        return spec;
    }
    if (named == u"yes/no"_s) {
        spec.kind = FormatSpec::Kind::YesNo;
        return spec;
    }
    static const QList<std::pair<QString, QString>> aliases = {
        {u"long date"_s, u"dddd, d \"de\" mmmm \"de\" yyyy"_s},
        {u"medium date"_s, u"dd-mmm-yy"_s},
        {u"short date"_s, u"dd/mm/yyyy"_s},
        {u"long time"_s, u"hh:nn:ss"_s},
        {u"short time"_s, u"hh:nn"_s},
        {u"currency"_s, u"$#,##0.00"_s},
        {u"fixed"_s, u"0.00"_s},
        {u"standard"_s, u"#,##0.00"_s},
        {u"percent"_s, u"0.00%"_s},
    };
    QString custom = text;
    for (const auto& [name, pattern] : aliases) {
        if (named == name)
            custom = pattern;
    }
    // Digit placeholders outside quoted text make a number pattern.
    bool number = false;
    for (qsizetype i = 0; i < custom.size(); ++i) {
        const QChar c = custom.at(i);
        if (c == u'\\')
            ++i;
        else if (c == u'"')
            i = custom.indexOf(u'"', i + 1) < 0 ? custom.size() : custom.indexOf(u'"', i + 1);
        else if (c == u'#' || c == u'0')
            number = true;
    }
    if (number) {
        const std::optional<NumberPattern> pattern = readNumberPattern(custom);
        if (!pattern)
            return std::nullopt;
        spec.kind = FormatSpec::Kind::Number;
        spec.number = *pattern;
        return spec;
    }
    const std::optional<QList<DateToken>> tokens = readDateTokens(custom);
    if (!tokens)
        return std::nullopt;
    spec.date = *tokens;
    return spec;
}

QVariant format(const QVariant& value, const FormatSpec& spec)
{
    if (isNull(value))
        return {};
    if (spec.kind == FormatSpec::Kind::Date) {
        const Moment moment = momentOf(value);
        return moment.valid() ? QVariant(formatDate(moment, spec.date)) : value;
    }
    const std::optional<double> number = numberOf(value);
    if (!number)
        return value;
    switch (spec.kind) {
    case FormatSpec::Kind::GeneralNumber:
        return plainNumber(*number);
    case FormatSpec::Kind::YesNo:
        return *number != 0 ? u"Sí"_s : u"No"_s;
    default:
        return formatNumber(*number, spec.number);
    }
}

QString formatSql(const FormatSpec& spec, const QString& value)
{
    switch (spec.kind) {
    case FormatSpec::Kind::GeneralNumber:
        return generalNumberSql(value);
    case FormatSpec::Kind::YesNo:
        return u"CASE WHEN "_s + doubleOf(value) + u" <> 0 THEN 'Sí' WHEN "_s + doubleOf(value) +
               u" = 0 THEN 'No' END"_s;
    case FormatSpec::Kind::Number:
        return numberSql(spec.number, value);
    case FormatSpec::Kind::Date:
        break;
    }
    const QString t = timestampOf(value);
    QStringList pieces;
    for (const DateToken& token : spec.date)
        pieces << datePieceSql(token, t);
    return u"("_s + pieces.join(u" || "_s) + u")"_s;
}

// ---------------------------------------------------------------------------------------------------------------
// Str

QVariant str(const QVariant& value)
{
    if (isNull(value))
        return {};
    const std::optional<double> number = numberOf(value);
    if (!number)
        return value;
    QString text = plainNumber(*number);
    if (text.startsWith(u"0."_s))
        text.remove(0, 1);
    else if (text.startsWith(u"-0."_s))
        text.remove(1, 1);
    return *number >= 0 ? u' ' + text : text;
}

QString strSql(const QString& value)
{
    return u"(CASE WHEN "_s + doubleOf(value) + u" >= 0 THEN ' ' ELSE '' END || regexp_replace("_s +
           generalNumberSql(value) + u", '^(-?)0\\.', '\\1.'))"_s;
}

// ---------------------------------------------------------------------------------------------------------------
// Date arithmetic

std::optional<Interval> readInterval(const QString& code)
{
    static const QList<std::pair<QString, Interval>> codes = {
        {u"yyyy"_s, Interval::Year},   {u"q"_s, Interval::Quarter}, {u"m"_s, Interval::Month},
        {u"y"_s, Interval::DayOfYear}, {u"d"_s, Interval::Day},     {u"w"_s, Interval::Weekday},
        {u"ww"_s, Interval::Week},     {u"h"_s, Interval::Hour},    {u"n"_s, Interval::Minute},
        {u"s"_s, Interval::Second}};
    const QString lower = code.trimmed().toLower();
    for (const auto& [text, interval] : codes) {
        if (lower == text)
            return interval;
    }
    return std::nullopt;
}

QVariant dateAdd(Interval interval, const QVariant& number, const QVariant& date)
{
    const Moment moment = momentOf(date);
    const std::optional<double> amount = numberOf(number);
    if (!moment.valid() || !amount)
        return {};
    const qint64 n = qint64(std::round(*amount));
    Moment result = moment;
    switch (interval) {
    case Interval::Year:
        result.date = moment.date.addYears(int(n));
        break;
    case Interval::Quarter:
        result.date = moment.date.addMonths(int(n * 3));
        break;
    case Interval::Month:
        result.date = moment.date.addMonths(int(n));
        break;
    case Interval::DayOfYear:
    case Interval::Day:
    case Interval::Weekday:
        result.date = moment.date.addDays(n);
        break;
    case Interval::Week:
        result.date = moment.date.addDays(n * 7);
        break;
    case Interval::Hour:
        result = Moment::fromTotalSeconds(moment.totalSeconds() + n * 3600);
        break;
    case Interval::Minute:
        result = Moment::fromTotalSeconds(moment.totalSeconds() + n * 60);
        break;
    case Interval::Second:
        result = Moment::fromTotalSeconds(moment.totalSeconds() + n);
        break;
    }
    return isoText(result);
}

QString dateAddSql(Interval interval, const QString& number, const QString& date)
{
    const QString n = wholeNumberSql(number);
    QString amount;
    switch (interval) {
    case Interval::Year:
        amount = u"years => "_s + n;
        break;
    case Interval::Quarter:
        amount = u"months => 3 * "_s + n;
        break;
    case Interval::Month:
        amount = u"months => "_s + n;
        break;
    case Interval::DayOfYear:
    case Interval::Day:
    case Interval::Weekday:
        amount = u"days => "_s + n;
        break;
    case Interval::Week:
        amount = u"weeks => "_s + n;
        break;
    case Interval::Hour:
        amount = u"hours => "_s + n;
        break;
    case Interval::Minute:
        amount = u"mins => "_s + n;
        break;
    case Interval::Second:
        amount = u"secs => CAST("_s + n + u" AS double precision)"_s;
        break;
    }
    return u"("_s + timestampOf(date) + u" + make_interval("_s + amount + u"))"_s;
}

QVariant dateDiff(Interval interval, const QVariant& first, const QVariant& second)
{
    const Moment a = momentOf(first);
    const Moment b = momentOf(second);
    if (!a.valid() || !b.valid())
        return {};
    const auto months = [](const Moment& m) { return qint64(m.date.year()) * 12 + m.date.month() - 1; };
    const auto sunday = [](const Moment& m) { return m.date.toJulianDay() - m.dayOfWeek(); };
    switch (interval) {
    case Interval::Year:
        return qint64(b.date.year()) - a.date.year();
    case Interval::Quarter:
        return months(b) / 3 - months(a) / 3;
    case Interval::Month:
        return months(b) - months(a);
    case Interval::DayOfYear:
    case Interval::Day:
        return a.date.daysTo(b.date);
    case Interval::Weekday:
        return a.date.daysTo(b.date) / 7;
    case Interval::Week:
        return (sunday(b) - sunday(a)) / 7;
    case Interval::Hour:
        return floorDivision(b.totalSeconds(), 3600) - floorDivision(a.totalSeconds(), 3600);
    case Interval::Minute:
        return floorDivision(b.totalSeconds(), 60) - floorDivision(a.totalSeconds(), 60);
    case Interval::Second:
        return b.totalSeconds() - a.totalSeconds();
    }
    return {};
}

QString dateDiffSql(Interval interval, const QString& first, const QString& second)
{
    const QString a = timestampOf(first);
    const QString b = timestampOf(second);
    const auto months = [](const QString& t) {
        return u"("_s + extractInteger("YEAR"_L1, t) + u" * 12 + "_s + extractInteger("MONTH"_L1, t) +
               u" - 1)"_s;
    };
    const QString days = u"(CAST("_s + b + u" AS date) - CAST("_s + a + u" AS date))"_s;
    const auto sunday = [](const QString& t) {
        return u"(CAST("_s + t + u" AS date) - "_s + extractInteger("DOW"_L1, t) + u")"_s;
    };
    const auto clock = [&](int seconds) {
        const QString unit = QString::number(seconds);
        return u"CAST(floor(EXTRACT(EPOCH FROM "_s + b + u") / "_s + unit +
               u") - floor(EXTRACT(EPOCH FROM "_s + a + u") / "_s + unit + u") AS bigint)"_s;
    };
    switch (interval) {
    case Interval::Year:
        return u"("_s + extractInteger("YEAR"_L1, b) + u" - "_s + extractInteger("YEAR"_L1, a) + u")"_s;
    case Interval::Quarter:
        return u"("_s + months(b) + u" / 3 - "_s + months(a) + u" / 3)"_s;
    case Interval::Month:
        return u"("_s + months(b) + u" - "_s + months(a) + u")"_s;
    case Interval::DayOfYear:
    case Interval::Day:
        return days;
    case Interval::Weekday:
        return u"("_s + days + u" / 7)"_s;
    case Interval::Week:
        return u"(("_s + sunday(b) + u" - "_s + sunday(a) + u") / 7)"_s;
    case Interval::Hour:
        return clock(3600);
    case Interval::Minute:
        return clock(60);
    case Interval::Second:
        return clock(1);
    }
    return {};
}

QVariant datePart(Interval interval, const QVariant& date)
{
    const Moment m = momentOf(date);
    if (!m.valid())
        return {};
    switch (interval) {
    case Interval::Year:
        return m.date.year();
    case Interval::Quarter:
        return (m.date.month() + 2) / 3;
    case Interval::Month:
        return m.date.month();
    case Interval::DayOfYear:
        return m.date.dayOfYear();
    case Interval::Day:
        return m.date.day();
    case Interval::Weekday:
        return m.dayOfWeek() + 1;
    case Interval::Week: {
        const int firstDay = QDate(m.date.year(), 1, 1).dayOfWeek() % 7;
        return (m.date.dayOfYear() - 1 + firstDay) / 7 + 1;
    }
    case Interval::Hour:
        return m.seconds / 3600;
    case Interval::Minute:
        return m.seconds / 60 % 60;
    case Interval::Second:
        return m.seconds % 60;
    }
    return {};
}

QString datePartSql(Interval interval, const QString& date)
{
    const QString t = timestampOf(date);
    switch (interval) {
    case Interval::Year:
        return extractInteger("YEAR"_L1, t);
    case Interval::Quarter:
        return extractInteger("QUARTER"_L1, t);
    case Interval::Month:
        return extractInteger("MONTH"_L1, t);
    case Interval::DayOfYear:
        return extractInteger("DOY"_L1, t);
    case Interval::Day:
        return extractInteger("DAY"_L1, t);
    case Interval::Weekday:
        return u"("_s + extractInteger("DOW"_L1, t) + u" + 1)"_s;
    case Interval::Week:
        return u"(("_s + extractInteger("DOY"_L1, t) + u" - 1 + "_s +
               extractInteger("DOW"_L1, u"date_trunc('year', "_s + t + u")"_s) + u") / 7 + 1)"_s;
    case Interval::Hour:
        return extractInteger("HOUR"_L1, t);
    case Interval::Minute:
        return extractInteger("MINUTE"_L1, t);
    case Interval::Second:
        return u"CAST(trunc(EXTRACT(SECOND FROM "_s + t + u")) AS integer)"_s;
    }
    return {};
}

} // namespace quelmar::db::jetfunctions
