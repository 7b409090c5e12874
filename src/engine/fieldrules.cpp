#include "engine/fieldrules.h"

#include "core/datetext.h"
#include "db/fielddef.h"
#include "db/jetvalue.h"

#include <QStringList>
#include <QTime>

#include <cmath>
#include <optional>

namespace quelmar::engine {

namespace {

namespace jettype = db::jettype;

QString withoutBrackets(const QString& name)
{
    const QString trimmed = name.trimmed();
    if (trimmed.size() >= 2 && trimmed.startsWith(QLatin1Char('[')) && trimmed.endsWith(QLatin1Char(']')))
        return trimmed.mid(1, trimmed.size() - 2);
    return trimmed;
}

bool sameName(const QString& a, const QString& b)
{
    return withoutBrackets(a).compare(withoutBrackets(b), Qt::CaseInsensitive) == 0;
}

QString requiredMessage(const QString& upperName)
{
    return upperName + QStringLiteral("   Este dato es obligatorio");
}

QString classifierMessage(const QString& upperName)
{
    return QStringLiteral("No esta definido el clasificador de ") + upperName;
}

std::optional<double> ruleNumber(const QString& text)
{
    bool ok = false;
    const double number = text.toDouble(&ok);
    return ok && std::isfinite(number) ? std::optional<double>(number) : std::nullopt;
}

// The first condition of a validation rule, when it is one this check reads.
struct NumericRule
{
    std::optional<double> low;
    std::optional<double> high;
    QString lowText;
    QString highText;
    bool between = false;
};

std::optional<NumericRule> readNumericRule(const QString& rule)
{
    const QStringList words = rule.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.isEmpty())
        return std::nullopt;
    const QString& first = words.at(0);
    NumericRule result;
    if (first.contains(QLatin1String("Between"), Qt::CaseInsensitive)) {
        if (words.size() < 4)
            return std::nullopt;
        result.between = true;
        result.lowText = words.at(1);
        result.highText = words.at(3);
        result.low = ruleNumber(result.lowText);
        result.high = ruleNumber(result.highText);
        if (!result.low || !result.high)
            return std::nullopt;
        return result;
    }
    qsizetype operatorLength = 0;
    while (operatorLength < first.size() && QStringLiteral("<>=").contains(first.at(operatorLength)))
        ++operatorLength;
    const QString op = first.left(operatorLength);
    const bool lower = op == QLatin1String(">") || op == QLatin1String(">=");
    const bool upper = op == QLatin1String("<") || op == QLatin1String("<=");
    if (!lower && !upper)
        return std::nullopt;
    QString boundText = first.mid(operatorLength);
    if (boundText.isEmpty() && words.size() > 1)
        boundText = words.at(1);
    const std::optional<double> bound = ruleNumber(boundText);
    if (!bound)
        return std::nullopt;
    if (lower) {
        result.low = bound;
        result.lowText = boundText;
    } else {
        result.high = bound;
        result.highText = boundText;
    }
    return result;
}

FieldCheck checkNumber(const db::FieldDef& def, const QString& fieldName, const QString& value)
{
    const QString cleaned = cleanNumberText(value.isEmpty() ? QStringLiteral("0") : value).trimmed();
    if (!db::jetvalue::isNumberText(cleaned))
        return {true, fieldName.toUpper() + QStringLiteral("   ") + keystrokeMessage(def.type)};
    if (!db::jetvalue::fitsType(cleaned, def.type))
        return {true, numberRangeMessage(fieldName, def.type)};
    const double number = cleaned.toDouble();
    const std::optional<NumericRule> rule = readNumericRule(def.validationRule);
    if (!rule)
        return {};
    const QString prefix = QStringLiteral("El dato: ") + fieldName;
    if (rule->between) {
        if (number < *rule->low || number > *rule->high)
            return {true, prefix + QStringLiteral(" debería tener un valor entre ") + rule->lowText +
                              QStringLiteral(" y ") + rule->highText};
        return {};
    }
    if (rule->low && number < *rule->low)
        return {true, prefix + QStringLiteral(" debería ser mayor que ") + rule->lowText};
    if (rule->high && number > *rule->high)
        return {true, prefix + QStringLiteral(" debería ser menor que ") + rule->highText};
    return {};
}

bool isHour(const QString& text)
{
    return QTime::fromString(text, QStringLiteral("H:mm")).isValid() ||
           QTime::fromString(text, QStringLiteral("H:mm:ss")).isValid();
}

FieldCheck checkDateOrHour(const QString& upperName, const QString& value, const QString& displayFormat)
{
    const QString text = value.trimmed();
    if (text.isEmpty())
        return {};
    if (displayFormat.contains(QLatin1String("dd-"), Qt::CaseInsensitive)) {
        if (!datetext::parse(text).isValid())
            return {true, QStringLiteral("En el dato: ") + upperName +
                              QStringLiteral(
                                  " la fecha esta mal escrita.  Debe ser: dia-mes-año, como '31-01-99'")};
    } else if (displayFormat.contains(QLatin1String("h:m"), Qt::CaseInsensitive)) {
        if (!isHour(text))
            return {true,
                    QStringLiteral("En el dato: ") + upperName +
                        QStringLiteral(" la Hora esta mal escrita.  Debe ser: Horas:minutos, como '13:24' ")};
    }
    return {};
}

} // namespace

QColor colourAfterCheck(bool failed, const QString& text)
{
    if (failed)
        return fieldcolour::Failed;
    return text.trimmed().isEmpty() ? fieldcolour::Empty : fieldcolour::Filled;
}

QString cleanNumberText(QString text)
{
    text.remove(QLatin1Char(','));
    text.remove(QLatin1Char('$'));
    return text;
}

FieldCheck checkPanelField(const db::FieldDef& def, const QString& fieldName, const QString& value,
                           int captureKind, const QString& displayFormat)
{
    const QString name = withoutBrackets(fieldName);
    const QString upperName = name.toUpper();
    if (def.required && value.trimmed().isEmpty())
        return {true, QStringLiteral("Falta dato: ") + requiredMessage(upperName)};
    if (jettype::isNumeric(def.type) && captureKind != capturekind::ClassifierList) {
        const FieldCheck number = checkNumber(def, name, value.trimmed());
        if (number.failed)
            return number;
    }
    if (captureKind == capturekind::ClassifierList && value.trimmed() == QLatin1String("-1"))
        return {true, classifierMessage(upperName)};
    if (captureKind == capturekind::DateField)
        return checkDateOrHour(upperName, value, displayFormat);
    return {};
}

FieldCheck checkGridColumn(const db::FieldDef& def, const QString& fieldName, const QString& value,
                           int captureKind)
{
    const QString upperName = withoutBrackets(fieldName).toUpper();
    if (def.required && value.trimmed().isEmpty())
        return {true, requiredMessage(upperName)};
    if (captureKind == capturekind::ClassifierList && value.trimmed() == QLatin1String("-1"))
        return {true, classifierMessage(upperName)};
    return {};
}

QString numberRangeMessage(const QString& fieldName, int type)
{
    const db::jetvalue::NumericRange range = db::jetvalue::numericRange(type);
    return QStringLiteral("El dato: ") + withoutBrackets(fieldName) +
           QStringLiteral(" debe ser un número entre ") + range.low + QStringLiteral(" y ") + range.high +
           QStringLiteral(".  Corrija el número ó cancele la operación");
}

QString keystrokeMessage(int typeCode)
{
    switch (typeCode) {
    case jettype::Boolean:
        return QStringLiteral("Solo admite dos valores: Si (y), No (n)");
    case jettype::Byte:
        return QStringLiteral("Admite solo valores numéricos enteros positivos entre 0 y 255");
    case jettype::Integer:
    case jettype::Long:
        return QStringLiteral("Admite solo valores numéricos enteros");
    case jettype::Currency:
    case jettype::Single:
    case jettype::Double:
        return QStringLiteral("Admite solo valores numéricos, con decimales");
    case jettype::Date:
        return QStringLiteral(
            "Se espera una fecha: día-mes-año, como '15-Ene-99' ó el formato de Fecha Corta que "
            "tiene su computadora (Ver Panel de Windows, Configuración Regional)");
    case jettype::Text:
        return QStringLiteral("No admite mas de 255 letras");
    case jettype::Classifier:
        return {};
    default:
        return QStringLiteral("Error en el Dato");
    }
}

QString classifierClass(const QString& defaultValue)
{
    QString text = defaultValue.trimmed();
    text.remove(u'"');
    return text.trimmed();
}

QList<FixedValue> parseFixedValues(const QString& fixedValues)
{
    QList<FixedValue> items;
    const QStringList pieces = fixedValues.split(QLatin1Char(','));
    for (const QString& piece : pieces) {
        const qsizetype equals = piece.indexOf(QLatin1Char('='));
        if (equals < 0)
            continue;
        QString field = piece.left(equals).trimmed();
        const qsizetype point = field.indexOf(QLatin1Char('.'));
        if (point >= 0)
            field = field.mid(point + 1);
        field = withoutBrackets(field);
        const QString value = piece.mid(equals + 1).trimmed();
        if (field.isEmpty() || value.isEmpty())
            continue;
        items.append({field, value});
    }
    return items;
}

bool isFixedField(const QList<FixedValue>& fixedValues, const QString& fieldName)
{
    for (const FixedValue& item : fixedValues) {
        if (sameName(item.field, fieldName))
            return true;
    }
    return false;
}

QString normaliseProtectedFields(QString protectedFields)
{
    if (protectedFields.size() > 2 && !protectedFields.endsWith(QLatin1Char(',')))
        protectedFields += QLatin1Char(',');
    return protectedFields;
}

bool isProtected(const QString& protectedFields, const QString& fieldName)
{
    bool everything = false;
    bool listed = false;
    const QStringList items = protectedFields.split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (const QString& item : items) {
        if (item.trimmed().compare(QLatin1String("TODO"), Qt::CaseInsensitive) == 0)
            everything = true;
        else if (sameName(item, fieldName))
            listed = true;
    }
    return everything ? !listed : listed;
}

} // namespace quelmar::engine
