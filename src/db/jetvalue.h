#pragma once

#include "db/dberror.h"
#include "db/fielddef.h"

#include <QDate>
#include <QStringView>
#include <QVariant>

// Values between the program and the database file: dates kept as ISO text, yes/no as 0/1, money rounded to
// four decimals. What the program writes is converted by the field's type, as the engine would convert it.
namespace quelmar::db::jetvalue {

// The value to store for a field of the given type. Text typed by a person is accepted where the engine
// accepted it ("10-Dic-2026" for a date, "1,250" for a number, "Sí"/"No" for yes/no). Error 3421 when the
// value cannot be converted, or is a number outside the range of the type.
QVariant toStorage(const QVariant& value, int jetType, DbError& error);

// The range of a numeric type as the engine documents it, with its bounds as the office writes them: Byte 0
// to 255, Integer -32,768 to 32,767, Long -2,147,483,648 to 2,147,483,647, Currency
// -922,337,203,685,477.5807 to 922,337,203,685,477.5807, Single -3.402823E38 to 3.402823E38, Double
// -1.79769313486231E308 to 1.79769313486231E308. Empty bounds for a type that is not numeric.
struct NumericRange
{
    QString low;
    QString high;
};
NumericRange numericRange(int jetType);

// True when the text is a number written as the office writes numbers once "," and "$" are removed: a
// sign, digits with at most one point, and an exponent ("-12", "3.5", ".5", "1E20"); blanks around it
// allowed.
bool isNumberText(const QString& text);

// True when the number fits the range of the type (any number fits a type that is not numeric). A whole type
// (Byte, Integer, Long) takes the number rounded to a whole, as it stores it; Currency takes it rounded to
// the ten-thousandth, compared exactly when it is written in decimals. A number too large for any type (a
// digit string of 400 figures, 1E400) fits none; text that is not a number fits no numeric type.
bool fitsType(const QString& number, int jetType);
bool fitsType(double number, int jetType);

// The stored value as the program sees it: QDate (QDateTime when there is a time) for dates, bool for
// yes/no, double for money and reals, qlonglong for whole numbers, QString for text. Null stays invalid.
QVariant fromStorage(const QVariant& stored, int jetType);

// The date of a stored text of exactly the form "YYYY-MM-DD"; an invalid date for anything else (which
// fromStorage reads the general way).
QDate isoDate(QStringView text);
QDate isoDate(QLatin1StringView text);

// A field's default value as the catalogue keeps it ("0", "\"Por Instalar\"", "Date()", "No"), evaluated;
// invalid when there is none or it only carries the "!C"/"!R" markers.
QVariant evaluateDefault(const FieldDef& field);

// The declared SQLite type for a field of the given engine type and size.
QString declaredType(int jetType, int size);
// The engine type that a declared SQLite type stands for (when the catalogue has no row for the field).
int typeFromDeclared(const QString& declared, int* size = nullptr);

} // namespace quelmar::db::jetvalue
