#pragma once

#include "db/fielddef.h"

#include <QList>

namespace quelmar::subscribers {

// The office's tables: subscribers, payments and their receipts, status history, complaints, expenses and the
// parameters table, with the catalogue properties (rules, classifier and relation markers) the screens read.
QList<db::TableDef> officeSchema();
// One table of the office's schema by its name; a table without name or fields when there is none.
db::TableDef officeTable(const QString& name);

} // namespace quelmar::subscribers
