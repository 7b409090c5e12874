#pragma once

#include "db/fielddef.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QVariant>

// How the columns, properties and values of a Jet database become ours: plain rules, no file and no database.
namespace quelmar::legacy {

// Column type codes as the Jet file keeps them.
namespace legacytype {
inline constexpr int Boolean = 1;
inline constexpr int Byte = 2;
inline constexpr int Integer = 3;
inline constexpr int Long = 4;
inline constexpr int Currency = 5;
inline constexpr int Single = 6;
inline constexpr int Double = 7;
inline constexpr int DateTime = 8;
inline constexpr int Binary = 9;
inline constexpr int Text = 10;
inline constexpr int OleObject = 11;
inline constexpr int Memo = 12;
inline constexpr int ReplicationId = 15;
inline constexpr int Numeric = 16;
inline constexpr int Complex = 18;

// The name the administrator knows the type by ("Objeto OLE"), for messages and the report.
QString name(int type);
} // namespace legacytype

// A column as it is read from the Jet file.
struct LegacyColumn
{
    QString name;
    int type = legacytype::Text;
    int size = 0;                       // bytes as the file keeps them (a Jet 4 text keeps two per character)
    bool autoNumber = false;            // a Long the engine numbers itself
    QHash<QString, QString> properties; // "DefaultValue", "ValidationRule", "Required" … as stored
};

// What a column becomes: a field of ours, or the reason it cannot become one.
struct ColumnMapping
{
    bool mapped = false;
    db::FieldDef field;
    QString problem; // in Spanish, for the administrator: why the column was not mapped
};

// The field of ours for a column of a table (position 1-based). Text sizes in characters (halved for a Jet 4
// file), memo, yes/no, Byte…Double, Currency (stored as REAL money), dates, AutoNumber; a replication id
// becomes its text form and a decimal number a Double. Binary, OLE object and attachment columns have no
// counterpart. The field properties the catalogue keeps are taken as stored, the "!C"/"!R" markers included.
ColumnMapping mapColumn(const QString& table, int position, const LegacyColumn& column, bool twoBytesPerChar);

// A yes/no property as the reader gives it ("yes", "True", "-1", "0" …); fallback when absent or unknown.
bool propertyFlag(const QString& text, bool fallback);

// A date as the engine keeps it (days since 30-Dec-1899, the fraction the time of day, which counts forward
// also for days before 1899) as ISO text: "1898-07-04", "2024-03-01 14:30:00". Empty when it lies outside
// the engine's years 100 to 9999 or is not a number.
QString isoFromJetDate(double days);

// Text of the old Windows code page (1252) as Unicode.
QString fromWindows1252(const QByteArray& bytes);
// Text as the reader gives it: UTF-8, or the old Windows code page when the bytes are not valid UTF-8 (a file
// whose code page the reader did not convert).
QString legacyText(const QByteArray& bytes);

// A value read from the file, as it is stored in our database for the field's type. Dates come as the
// engine's number (double), money as ten-thousandths (qlonglong), text as bytes; a null stays invalid.
// Sets `problem` (Spanish) and gives an invalid value when the value cannot be stored.
QVariant storedValue(const QVariant& read, int legacyType, QString& problem);

} // namespace quelmar::legacy
