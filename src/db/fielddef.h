#pragma once

#include <QList>
#include <QString>

namespace quelmar::db {

// Field type numbers of the database engine, as the catalogue keeps them.
namespace jettype {
inline constexpr int Boolean = 1;
inline constexpr int Byte = 2;
inline constexpr int Integer = 3;
inline constexpr int Long = 4;
inline constexpr int Currency = 5;
inline constexpr int Single = 6;
inline constexpr int Double = 7;
inline constexpr int Date = 8;
inline constexpr int Text = 10;
inline constexpr int Memo = 12;
// Codes of the framework, derived from the default value's markers.
inline constexpr int Classifier = 20;
inline constexpr int Relation = 21;

bool isNumeric(int type);
} // namespace jettype

// One field as the catalogue describes it: the same record describes the schema we create and the schema
// we read back.
struct FieldDef
{
    QString table;
    QString name;
    int position = 0; // 1-based
    int type = jettype::Text;
    int size = 0;
    QString defaultValue; // as stored, "!C"/"!R" markers included
    QString validationRule;
    QString validationText;
    bool required = false;
    bool allowZeroLength = true;
    bool autoNumber = false; // a Long key the database numbers itself (not kept in the catalogue table)
    // A number the database gives a new row that comes without one: one above the highest of the rows whose
    // field of this name holds the same value ("Clase": the next Secuen of the row's class). Not kept in the
    // catalogue table.
    QString numberedWithin;

    // 20 for a classifier field, 21 for a relation field, the stored type otherwise.
    int typeCode() const;
    bool isClassifier() const;
    bool isRelation() const;
};

struct IndexDef
{
    QString name;
    QStringList fields;
    bool unique = false;
    bool primary = false;
};

struct TableDef
{
    QString name;
    QList<FieldDef> fields;
    QList<IndexDef> indexes;
};

} // namespace quelmar::db
