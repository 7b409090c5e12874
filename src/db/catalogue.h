#pragma once

#include "db/dberror.h"
#include "db/fielddef.h"

#include <QList>
#include <QString>
#include <QStringList>

struct sqlite3;

// The field properties of the schema: kept in the table MSysFields, one row per field, and turned into
// DDL when tables are created.
namespace quelmar::db::catalogue {

inline constexpr auto TableName = "MSysFields";

// "CREATE TABLE …" for a table described by its fields; text columns compare without regard to case.
QString createTableSql(const TableDef& table);
// "CREATE [UNIQUE] INDEX …" for each index that is not the primary key.
QStringList createIndexSql(const TableDef& table);
// "CREATE TRIGGER IF NOT EXISTS …" that numbers the new rows of each field numbered within a group.
QStringList createNumberingSql(const TableDef& table);
// The names of those triggers, in the same order.
QStringList numberingNames(const TableDef& table);
// The catalogue table itself.
QString createCatalogueSql();
// The catalogue's row of a field, in its column order.
QVariantList catalogueRow(const FieldDef& field);
QString insertCatalogueRowSql();

// The fields of a table: declared columns, completed by the catalogue's rows where it has them.
QList<FieldDef> readFields(sqlite3* handle, const QString& table);

// A name quoted for SQLite: "Situación Anterior".
QString quoteName(const QString& name);

} // namespace quelmar::db::catalogue
