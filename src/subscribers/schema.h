#pragma once

#include "db/fielddef.h"

#include <QList>

namespace quelmar::subscribers {

// The office's tables: subscribers, payments, status history, complaints, expenses and the parameters
// table, with the catalogue properties (rules, classifier and relation markers) the screens read.
QList<db::TableDef> officeSchema();

} // namespace quelmar::subscribers
