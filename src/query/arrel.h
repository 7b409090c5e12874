#pragma once

#include <QString>

namespace quelmar {
class Session;
}

namespace quelmar::query {

// Relation following (`ArRel`): from a record to the records it refers to through the relation fields of the
// database, one step at a time, until no relation is left. table may be empty (the user chooses one of the
// tables that have relation fields); mode "Edita" shows the related records for editing, any other word for
// reading. Without a key the user chooses the first record from a grid of the table; with one (and the field
// that holds it, "Clave" when empty) the walk begins at that record, presented under the title.
void ArRel(Session& session, QString table, const QString& mode, const QString& key = QString(),
           const QString& keyField = QString(), const QString& title = QString());

namespace arrel {

// The statement of a step: "SELECT " + the table's field list without its key "Clave", then ",Clave" when the
// table has that field (so that the first field describes the record and no relation field is left out) +
// " FROM " + table.
QString stepStatement(const QString& fieldList, bool hasKeyField, const QString& table);

// The title of a later step: the related table, " - " when following for editing (" de " otherwise), and the
// step left: its table, "-" and the first field of its record.
QString stepTitle(const QString& relatedTable, bool editing, const QString& previousTable,
                  const QString& previousFirstField);

// The related table as a step names it: the table part of a definition without any condition of its own.
QString tableOnly(const QString& relatedTable);

} // namespace arrel

} // namespace quelmar::query
