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

// "$1,250.50" -> 1250.5; false when the text is not a number.
bool parseNumber(const QString& text, double& number)
{
    QString cleaned = text.trimmed();
    cleaned.remove(QLatin1Char(',')).remove(QLatin1Char('$')).remove(QLatin1Char(' '));
    bool ok = false;
    number = cleaned.toDouble(&ok);
    return ok && std::isfinite(number);
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
    if (value.typeId() == QMetaType::Bool)
        number = value.toBool() ? -1 : 0;
    else if (!parseNumber(value.toString(), number))
        return conversionError(error);
    const double rounded = std::nearbyint(number);
    double low = std::numeric_limits<qint32>::min();
    double high = std::numeric_limits<qint32>::max();
    if (jetType == jettype::Byte) {
        low = 0;
        high = 255;
    } else if (jetType == jettype::Integer) {
        low = -32768;
        high = 32767;
    }
    if (rounded < low || rounded > high)
        return conversionError(error);
    return QVariant::fromValue(static_cast<qlonglong>(rounded));
}

} // namespace

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
        if (value.typeId() == QMetaType::Bool)
            number = value.toBool() ? -1 : 0;
        else if (!parseNumber(value.toString(), number))
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
