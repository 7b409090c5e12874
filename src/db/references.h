#pragma once

#include "db/dberror.h"

#include <QList>
#include <QString>
#include <QStringList>

// The references of relation fields: a field whose catalogue default value holds "!R/Table/Key,…" keeps the
// key of a row of that table. The database refuses a new or changed key that the related table lacks (error
// 3201) and the deletion, or the change of key, of a row that others still refer to (error 3200). An empty
// key, Null or 0 refers to nothing and is always allowed. Rows stored before the references were enforced
// keep loading: only writes are checked, and the relation field only when its value changes.
namespace quelmar::db {

class Database;

struct Reference
{
    QString table; // the table of the relation field
    QString field;
    int fieldType = 0;
    QString related; // the table it refers to
    QString key;     // the related table's key field
    int keyType = 0;
};

// The references the catalogue describes whose tables and fields all exist in the database (a related table
// reached in another file is left out: its rows are not this database's to guard).
QList<Reference> references(Database& database);

// A stored row whose relation key its related table lacks.
struct BrokenReference
{
    QString table;
    QString row; // "Clave = 12" for a table with a counter key, the row's place otherwise
    QString field;
    QString value;
    QString related;
};

// Every such row, table by table.
QList<BrokenReference> brokenReferences(Database& database, DbError& error);

} // namespace quelmar::db
