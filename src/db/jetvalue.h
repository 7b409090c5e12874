#pragma once

#include "db/dberror.h"
#include "db/fielddef.h"

#include <QVariant>

// Values between the program and the database file: dates kept as ISO text, yes/no as 0/1, money rounded to
// four decimals. What the program writes is converted by the field's type, as the engine would convert it.
namespace quelmar::db::jetvalue {

// The value to store for a field of the given type. Text typed by a person is accepted where the engine
// accepted it ("10-Dic-2026" for a date, "1,250" for a number, "Sí"/"No" for yes/no). Error 3421 when the
// value cannot be converted.
QVariant toStorage(const QVariant& value, int jetType, DbError& error);

// The stored value as the program sees it: QDate (QDateTime when there is a time) for dates, bool for
// yes/no, double for money and reals, qlonglong for whole numbers, QString for text. Null stays invalid.
QVariant fromStorage(const QVariant& stored, int jetType);

// A field's default value as the catalogue keeps it ("0", "\"Por Instalar\"", "Date()", "No"), evaluated;
// invalid when there is none or it only carries the "!C"/"!R" markers.
QVariant evaluateDefault(const FieldDef& field);

// The declared SQLite type for a field of the given engine type and size.
QString declaredType(int jetType, int size);
// The engine type that a declared SQLite type stands for (when the catalogue has no row for the field).
int typeFromDeclared(const QString& declared, int* size = nullptr);

} // namespace quelmar::db::jetvalue
