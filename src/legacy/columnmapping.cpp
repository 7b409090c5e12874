#include "legacy/columnmapping.h"

#include <QDate>
#include <QStringDecoder>
#include <QTime>

#include <cmath>

using namespace Qt::StringLiterals;

namespace quelmar::legacy {

namespace {

namespace jettype = db::jettype;

// The engine's day 0.
const QDate JetEpoch(1899, 12, 30);
constexpr double FirstJetDay = -657434; // 1-Jan-100
constexpr double LastJetDay = 2958466;  // the day after 31-Dec-9999

// The characters 0x80 to 0x9F of code page 1252; the rest of the page is Latin-1. Unassigned positions map
// to themselves, as Windows maps them.
constexpr char16_t Windows1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                          0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                          0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                          0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

QString property(const LegacyColumn& column, const QString& key)
{
    for (auto it = column.properties.cbegin(); it != column.properties.cend(); ++it) {
        if (it.key().compare(key, Qt::CaseInsensitive) == 0)
            return it.value();
    }
    return {};
}

bool hasProperty(const LegacyColumn& column, const QString& key)
{
    for (auto it = column.properties.cbegin(); it != column.properties.cend(); ++it) {
        if (it.key().compare(key, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

} // namespace

QString legacytype::name(int type)
{
    switch (type) {
    case Boolean:
        return u"Sí/No"_s;
    case Byte:
        return u"Byte"_s;
    case Integer:
        return u"Entero"_s;
    case Long:
        return u"Entero largo"_s;
    case Currency:
        return u"Moneda"_s;
    case Single:
        return u"Simple"_s;
    case Double:
        return u"Doble"_s;
    case DateTime:
        return u"Fecha/Hora"_s;
    case Binary:
        return u"Binario"_s;
    case Text:
        return u"Texto"_s;
    case OleObject:
        return u"Objeto OLE"_s;
    case Memo:
        return u"Memo"_s;
    case ReplicationId:
        return u"Id. de réplica"_s;
    case Numeric:
        return u"Decimal"_s;
    case Complex:
        return u"Datos adjuntos"_s;
    default:
        return u"desconocido (código %1)"_s.arg(type);
    }
}

bool propertyFlag(const QString& text, bool fallback)
{
    const QString t = text.trimmed().toLower();
    if (t == u"yes"_s || t == u"true"_s || t == u"-1"_s || t == u"1"_s || t == u"sí"_s || t == u"si"_s)
        return true;
    if (t == u"no"_s || t == u"false"_s || t == u"0"_s)
        return false;
    return fallback;
}

ColumnMapping mapColumn(const QString& table, int position, const LegacyColumn& column, bool twoBytesPerChar)
{
    ColumnMapping mapping;
    db::FieldDef& field = mapping.field;
    field.table = table;
    field.name = column.name;
    field.position = position;
    switch (column.type) {
    case legacytype::Boolean:
        field.type = jettype::Boolean;
        break;
    case legacytype::Byte:
        field.type = jettype::Byte;
        break;
    case legacytype::Integer:
        field.type = jettype::Integer;
        break;
    case legacytype::Long:
        field.type = jettype::Long;
        field.autoNumber = column.autoNumber;
        break;
    case legacytype::Currency:
        field.type = jettype::Currency;
        break;
    case legacytype::Single:
        field.type = jettype::Single;
        break;
    case legacytype::Double:
    case legacytype::Numeric:
        field.type = jettype::Double;
        break;
    case legacytype::DateTime:
        field.type = jettype::Date;
        break;
    case legacytype::Text: {
        const int characters = twoBytesPerChar ? column.size / 2 : column.size;
        field.type = jettype::Text;
        field.size = characters > 0 ? characters : 255;
        break;
    }
    case legacytype::ReplicationId:
        field.type = jettype::Text;
        field.size = 38; // "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}"
        break;
    case legacytype::Memo:
        field.type = jettype::Memo;
        break;
    default:
        mapping.problem = u"la columna %1 de la tabla %2 es de tipo %3, que este Programa no guarda"_s.arg(
            column.name, table, legacytype::name(column.type));
        return mapping;
    }
    field.defaultValue = property(column, u"DefaultValue"_s);
    field.validationRule = property(column, u"ValidationRule"_s);
    field.validationText = property(column, u"ValidationText"_s);
    field.required = propertyFlag(property(column, u"Required"_s), false) || field.autoNumber;
    // Without the property the field keeps our own default: zero-length text allowed.
    if (hasProperty(column, u"AllowZeroLength"_s))
        field.allowZeroLength = propertyFlag(property(column, u"AllowZeroLength"_s), true);
    mapping.mapped = true;
    return mapping;
}

QString isoFromJetDate(double days)
{
    if (!std::isfinite(days) || days < FirstJetDay || days >= LastJetDay)
        return {};
    const double whole = std::trunc(days);
    qint64 seconds = std::llround(std::abs(days - whole) * 86400.0);
    QDate date = JetEpoch.addDays(static_cast<qint64>(whole));
    if (seconds >= 86400) {
        date = date.addDays(1);
        seconds -= 86400;
    }
    if (!date.isValid() || date.year() < 100 || date.year() > 9999)
        return {};
    const QString day = date.toString(u"yyyy-MM-dd"_s);
    if (seconds == 0)
        return day;
    return day + u' ' + QTime(0, 0).addSecs(static_cast<int>(seconds)).toString(u"hh:mm:ss"_s);
}

QString fromWindows1252(const QByteArray& bytes)
{
    QString text;
    text.reserve(bytes.size());
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        text.append(byte >= 0x80 && byte < 0xA0 ? QChar(Windows1252High[byte - 0x80])
                                                : QChar(char16_t(byte)));
    }
    return text;
}

QString legacyText(const QByteArray& bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    return fromWindows1252(bytes);
}

QVariant storedValue(const QVariant& read, int legacyType, QString& problem)
{
    problem.clear();
    if (!read.isValid() || read.isNull())
        return {};
    switch (legacyType) {
    case legacytype::Boolean:
        return QVariant::fromValue(read.toBool() ? 1LL : 0LL);
    case legacytype::Byte:
    case legacytype::Integer:
    case legacytype::Long:
        return QVariant::fromValue(read.toLongLong());
    case legacytype::Currency:
        return static_cast<double>(read.toLongLong()) / 10000.0;
    case legacytype::Single:
    case legacytype::Double:
    case legacytype::Numeric: {
        bool ok = false;
        const double number = read.typeId() == QMetaType::QByteArray
                                  ? QString::fromLatin1(read.toByteArray()).trimmed().toDouble(&ok)
                                  : read.toDouble(&ok);
        if (!ok || !std::isfinite(number)) {
            problem = u"no es un número que pueda guardarse"_s;
            return {};
        }
        return number;
    }
    case legacytype::DateTime: {
        const QString iso = isoFromJetDate(read.toDouble());
        if (iso.isEmpty())
            problem = u"la fecha está fuera de los años 100 a 9999"_s;
        return iso.isEmpty() ? QVariant() : QVariant(iso);
    }
    default: {
        QString text =
            read.typeId() == QMetaType::QByteArray ? legacyText(read.toByteArray()) : read.toString();
        if (text.isNull())
            text = QStringLiteral(""); // an empty text, which is not a null
        return text;
    }
    }
}

} // namespace quelmar::legacy
