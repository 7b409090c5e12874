#include "db/jetvalue.h"

#include "core/clock.h"
#include "core/datetext.h"

#include <QRegularExpression>

#include <cmath>
#include <limits>

namespace quelmar::db::jetvalue {

namespace {

QVariant conversionError(DbError& error)
{
    error = DbError::make(jeterror::DataTypeConversion);
    return {};
}

// The bounds of the numeric types that are not whole.
constexpr double CurrencyLimit = 922337203685477.5807;
constexpr double SingleLimit = 3.402823e38;
constexpr double DoubleLimit = 1.79769313486231e308;
// Currency keeps ten-thousandths in 64 bits: its largest value, as digits.
const char* const CurrencyDigits = "9223372036854775807";

// Currency written in decimals, without exponent: rounded to the ten-thousandth (half away from zero, as it
// is stored), its digits must not pass the largest count of ten-thousandths.
bool currencyTextFits(QString text)
{
    text = text.trimmed();
    if (text.startsWith(QLatin1Char('+')) || text.startsWith(QLatin1Char('-')))
        text.remove(0, 1);
    const qsizetype point = text.indexOf(QLatin1Char('.'));
    const QString whole = point < 0 ? text : text.left(point);
    const QString fraction = point < 0 ? QString() : text.mid(point + 1);
    QString digits = whole + (fraction + QStringLiteral("0000")).left(4);
    while (digits.size() > 1 && digits.front() == QLatin1Char('0'))
        digits.remove(0, 1);
    const bool roundsUp = fraction.size() > 4 && fraction.at(4) >= QLatin1Char('5');
    const QString limit = QString::fromLatin1(CurrencyDigits);
    if (digits.size() != limit.size())
        return digits.size() < limit.size();
    const int order = digits.compare(limit);
    return order < 0 || (order == 0 && !roundsUp);
}

// The number a value stands for ("$1,250.50" -> 1250.5), when it is one that fits the type's range.
bool readNumber(const QVariant& value, int jetType, double& number)
{
    if (value.typeId() == QMetaType::Bool) {
        number = value.toBool() ? -1 : 0;
        return true;
    }
    QString cleaned = value.toString().trimmed();
    cleaned.remove(QLatin1Char(',')).remove(QLatin1Char('$')).remove(QLatin1Char(' '));
    if (!fitsType(cleaned, jetType))
        return false;
    bool ok = false;
    number = cleaned.toDouble(&ok);
    if (!ok)
        number = 0; // a number next to zero, smaller than any type tells apart
    return true;
}

bool parseBoolean(const QString& text, bool& value)
{
    const QString t = text.trimmed().toLower();
    static const QStringList yes = {
        QStringLiteral("true"), QStringLiteral("verdadero"), QStringLiteral("sí"), QStringLiteral("si"),
        QStringLiteral("s"),    QStringLiteral("yes"),       QStringLiteral("y"),  QStringLiteral("-1"),
        QStringLiteral("1"),    QStringLiteral("on")};
    static const QStringList no = {QStringLiteral("false"), QStringLiteral("falso"), QStringLiteral("no"),
                                   QStringLiteral("n"),     QStringLiteral("0"),     QStringLiteral("off")};
    if (yes.contains(t)) {
        value = true;
        return true;
    }
    if (no.contains(t)) {
        value = false;
        return true;
    }
    return false;
}

QString isoDateTime(const QDateTime& moment)
{
    if (moment.time() == QTime(0, 0))
        return datetext::iso(moment.date());
    return moment.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
}

bool isNull(const QVariant& value)
{
    return !value.isValid() || value.isNull();
}

QVariant wholeNumber(const QVariant& value, int jetType, DbError& error)
{
    double number = 0;
    if (!readNumber(value, jetType, number))
        return conversionError(error);
    return QVariant::fromValue(static_cast<qlonglong>(std::nearbyint(number)));
}

} // namespace

NumericRange numericRange(int jetType)
{
    switch (jetType) {
    case jettype::Byte:
        return {QStringLiteral("0"), QStringLiteral("255")};
    case jettype::Integer:
        return {QStringLiteral("-32,768"), QStringLiteral("32,767")};
    case jettype::Long:
        return {QStringLiteral("-2,147,483,648"), QStringLiteral("2,147,483,647")};
    case jettype::Currency:
        return {QStringLiteral("-922,337,203,685,477.5807"), QStringLiteral("922,337,203,685,477.5807")};
    case jettype::Single:
        return {QStringLiteral("-3.402823E38"), QStringLiteral("3.402823E38")};
    case jettype::Double:
        return {QStringLiteral("-1.79769313486231E308"), QStringLiteral("1.79769313486231E308")};
    default:
        return {};
    }
}

bool isNumberText(const QString& text)
{
    static const QRegularExpression number(
        QStringLiteral(R"(^\s*[+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?\s*$)"));
    return number.match(text).hasMatch();
}

bool fitsType(const QString& number, int jetType)
{
    if (!jettype::isNumeric(jetType))
        return true;
    if (!isNumberText(number))
        return false;
    bool ok = false;
    const double value = number.trimmed().toDouble(&ok);
    if (!ok)
        return !std::isinf(value); // too large for any type, or so small that it is taken as 0
    if (jetType == jettype::Currency && !number.contains(QLatin1Char('e'), Qt::CaseInsensitive))
        return currencyTextFits(number);
    return fitsType(value, jetType);
}

bool fitsType(double number, int jetType)
{
    if (!jettype::isNumeric(jetType))
        return true;
    if (!std::isfinite(number))
        return false;
    const double whole = std::nearbyint(number);
    switch (jetType) {
    case jettype::Byte:
        return whole >= 0 && whole <= 255;
    case jettype::Integer:
        return whole >= std::numeric_limits<qint16>::min() && whole <= std::numeric_limits<qint16>::max();
    case jettype::Long:
        return whole >= std::numeric_limits<qint32>::min() && whole <= std::numeric_limits<qint32>::max();
    case jettype::Currency:
        return std::abs(number) <= CurrencyLimit;
    case jettype::Single:
        return std::abs(number) <= SingleLimit;
    default:
        return std::abs(number) <= DoubleLimit;
    }
}

namespace {

// "yyyy-mm-dd", in UTF-16 or in Latin-1/UTF-8 bytes.
template <typename Text> QDate isoDateOf(Text text)
{
    if (text.size() != 10 || text[4] != u'-' || text[7] != u'-')
        return {};
    int digits[8];
    int d = 0;
    for (qsizetype i = 0; i < 10; ++i) {
        if (i == 4 || i == 7)
            continue;
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9')
            return {};
        digits[d++] = c - u'0';
    }
    const int year = digits[0] * 1000 + digits[1] * 100 + digits[2] * 10 + digits[3];
    return QDate(year, digits[4] * 10 + digits[5], digits[6] * 10 + digits[7]);
}

} // namespace

QDate isoDate(QStringView text)
{
    return isoDateOf(text);
}

QDate isoDate(QLatin1StringView text)
{
    return isoDateOf(text);
}

QVariant toStorage(const QVariant& value, int jetType, DbError& error)
{
    error = {};
    if (isNull(value))
        return {};
    const bool isText = value.typeId() == QMetaType::QString;
    if (isText && value.toString().trimmed().isEmpty() && jetType != jettype::Text &&
        jetType != jettype::Memo)
        return {};

    switch (jetType) {
    case jettype::Boolean: {
        if (isText) {
            bool flag = false;
            if (!parseBoolean(value.toString(), flag))
                return conversionError(error);
            return QVariant::fromValue(flag ? 1LL : 0LL);
        }
        return QVariant::fromValue(value.toDouble() != 0 ? 1LL : 0LL);
    }
    case jettype::Byte:
    case jettype::Integer:
    case jettype::Long:
        return wholeNumber(value, jetType, error);
    case jettype::Currency:
    case jettype::Single:
    case jettype::Double: {
        double number = 0;
        if (!readNumber(value, jetType, number))
            return conversionError(error);
        if (jetType == jettype::Currency)
            number = std::round(number * 10000.0) / 10000.0;
        return number;
    }
    case jettype::Date: {
        if (value.typeId() == QMetaType::QDate)
            return datetext::iso(value.toDate());
        if (value.typeId() == QMetaType::QDateTime)
            return isoDateTime(value.toDateTime());
        const QDateTime moment = datetext::parseDateTime(value.toString());
        if (!moment.isValid())
            return conversionError(error);
        return isoDateTime(moment);
    }
    case jettype::Text:
    case jettype::Memo:
    default:
        if (value.typeId() == QMetaType::QDate)
            return datetext::dayMonthYear(value.toDate());
        if (value.typeId() == QMetaType::Bool)
            return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
        return value.toString();
    }
}

QVariant fromStorage(const QVariant& stored, int jetType)
{
    if (isNull(stored))
        return {};
    switch (jetType) {
    case jettype::Boolean:
        return stored.toLongLong() != 0;
    case jettype::Byte:
    case jettype::Integer:
    case jettype::Long:
        return stored.toLongLong();
    case jettype::Currency:
    case jettype::Single:
    case jettype::Double:
        return stored.toDouble();
    case jettype::Date: {
        // Nearly every stored date is a plain ISO date: read without the time-zone machinery a moment needs.
        if (stored.typeId() == QMetaType::QString) {
            if (const QDate date = isoDate(stored.toString()); date.isValid())
                return date;
        }
        const QDateTime moment = datetext::parseDateTime(stored.toString());
        if (!moment.isValid())
            return stored;
        if (moment.time() == QTime(0, 0))
            return moment.date();
        return moment;
    }
    default:
        return stored.typeId() == QMetaType::QString ? stored : QVariant(stored.toString());
    }
}

QVariant evaluateDefault(const FieldDef& field)
{
    const QString text = field.defaultValue.trimmed();
    if (text.isEmpty() || field.isClassifier() || field.isRelation())
        return {};
    const QString lower = text.toLower();
    if (lower == QLatin1String("date()") || lower == QLatin1String("=date()"))
        return Clock::today();
    if (lower == QLatin1String("now()") || lower == QLatin1String("=now()"))
        return Clock::now();
    if (text.size() >= 2 && (text.front() == QLatin1Char('"') || text.front() == QLatin1Char('\'')) &&
        text.back() == text.front())
        return text.mid(1, text.size() - 2);
    DbError error;
    const QVariant converted = toStorage(text, field.type, error);
    if (!error.ok())
        return {};
    return fromStorage(converted, field.type);
}

QString declaredType(int jetType, int size)
{
    switch (jetType) {
    case jettype::Boolean:
        return QStringLiteral("BOOLEAN");
    case jettype::Byte:
        return QStringLiteral("TINYINT");
    case jettype::Integer:
        return QStringLiteral("SMALLINT");
    case jettype::Long:
        return QStringLiteral("INTEGER");
    case jettype::Currency:
        return QStringLiteral("REAL"); // REAL affinity keeps 12.00 a real number
    case jettype::Single:
        return QStringLiteral("FLOAT");
    case jettype::Double:
        return QStringLiteral("DOUBLE");
    case jettype::Date:
        return QStringLiteral("DATE");
    case jettype::Memo:
        return QStringLiteral("LONGTEXT");
    case jettype::Text:
    default:
        return QStringLiteral("VARCHAR(%1)").arg(size > 0 ? size : 255);
    }
}

int typeFromDeclared(const QString& declared, int* size)
{
    const QString t = declared.trimmed().toUpper();
    static const QRegularExpression sized(QStringLiteral(R"(\((\d+)\))"));
    if (size) {
        const QRegularExpressionMatch m = sized.match(t);
        *size = m.hasMatch() ? m.captured(1).toInt() : 0;
    }
    if (t.startsWith(QLatin1String("BOOL")) || t == QLatin1String("BIT") || t == QLatin1String("YESNO"))
        return jettype::Boolean;
    if (t == QLatin1String("TINYINT") || t == QLatin1String("BYTE"))
        return jettype::Byte;
    if (t == QLatin1String("SMALLINT"))
        return jettype::Integer;
    if (t.contains(QLatin1String("INT")) || t == QLatin1String("LONG") || t == QLatin1String("COUNTER"))
        return jettype::Long;
    if (t.contains(QLatin1String("CURRENCY")) || t.contains(QLatin1String("MONEY")))
        return jettype::Currency;
    if (t.contains(QLatin1String("FLOA")) || t == QLatin1String("SINGLE"))
        return jettype::Single;
    if (t.contains(QLatin1String("REAL")) || t.contains(QLatin1String("DOUB")) ||
        t.contains(QLatin1String("NUMERIC")) || t.contains(QLatin1String("DECIMAL")))
        return jettype::Double;
    if (t.contains(QLatin1String("DATE")) || t.contains(QLatin1String("TIME")))
        return jettype::Date;
    if (t.contains(QLatin1String("LONGTEXT")) || t.contains(QLatin1String("MEMO")) ||
        t.contains(QLatin1String("CLOB")))
        return jettype::Memo;
    return jettype::Text;
}

} // namespace quelmar::db::jetvalue
