#pragma once

#include "db/fielddef.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

namespace quelmar {
class Session;
}

// Answers about the open database's structure: which tables there are, which have relation fields, the
// relation fields and the fields of a table, and a field list ready for a SELECT.
namespace quelmar::query {

// The fields of a table by its name (without brackets).
using FieldsOf = std::function<QList<db::FieldDef>(const QString& table)>;

inline constexpr int MaxRelationEntries = 50;

namespace structure {

// "Arch": the tables of the list that are not the database's own ("MSys…"), in list order.
QStringList tables(const QStringList& tableList);
// "ArRel": those of them with at least one field whose default value holds "!R/".
QStringList relationTables(const QStringList& tableList, const FieldsOf& fieldsOf);
// "DatRel": one entry per relation field: name, a tab, the related table (at most 50).
QStringList relationFields(const QList<db::FieldDef>& fields);
// "Datos": the field names.
QStringList fieldNames(const QList<db::FieldDef>& fields);
// "DatSQL": the comma list of the fields from first to last (0-based; a negative first is 0, a last below 1
// the last field), names with "-" or a blank in brackets, fields left out of field lists skipped (validation
// text with "&", or the name "Marca").
QString selectList(const QList<db::FieldDef>& fields, int first, int last);

} // namespace structure

// The structure-list service on the session's database. command: "Arch", "ArRel", "DatRel", "Datos" or
// "DatSQL" (any case). The list commands answer in list; "DatSQL" answers in session.engine.SelectedValue. A
// table name given in brackets is looked up without them (and keeps them). An empty table name for "Datos"
// and "DatSQL" takes the first table "Arch" lists, and the call ends when there is none.
void StructureList(Session& session, const QString& command, QString& table, int first, int last,
                   QStringList& list);

} // namespace quelmar::query
