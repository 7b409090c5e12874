#pragma once

#include "db/fielddef.h"

#include <QString>
#include <QStringList>

// The schema of an office database on a PostgreSQL server: what the server needs before the translated
// statements run on it, and the tables of the catalogue's descriptions in the server's types.
namespace quelmar::db::pgschema {

// The citext extension (text compared and sorted without regard to case) and the functions the translated
// statements call: quelmar_like_regex (Jet's LIKE pattern as a regular expression), quelmar_val (Val) and
// quelmar_truth (a number or a condition as IIf's test). Safe to run again.
QStringList functionsSql();

// The server's type of a field: citext for texts, smallint for Yes/No (1 and 0, as True and False translate),
// double precision for every other number that is not whole, timestamp(0) for dates.
QString columnType(const FieldDef& field);

// CREATE TABLE with the field's type, NOT NULL, constant defaults, its validation rule as a CHECK constraint,
// the primary key; an AutoNumber field is an identity column.
QString createTableSql(const TableDef& table);
// Triggers that number the new rows of each field numbered within a group (one above the highest of the
// group).
QStringList createNumberingSql(const TableDef& table);
// The catalogue of fields and the table of stored queries.
QStringList createCatalogueSql();
// Writes a field's catalogue row (catalogue::catalogueRow's values), replacing the one there was.
QString insertCatalogueRowSql();

// The other indexes (names prefixed with the table's, since the server's are per schema), each with its name
// as given in its comment.
QStringList createIndexSql(const TableDef& table);

} // namespace quelmar::db::pgschema
