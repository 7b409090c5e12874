#pragma once

#include "legacy/importreport.h"
#include "legacy/legacysource.h"

#include <functional>

// Turns a Jet database, read through a LegacySource, into a database of ours: its tables with their field
// properties and indexes, their rows, and its stored queries as views.
namespace quelmar::legacy {

// Progress of the copy of a table's rows: rows done of the total the file records.
using ImportProgress = std::function<void(const QString& table, qint64 done, qint64 total)>;

// Writes the new database to a temporary file beside `targetPath` and gives it that name only when every
// table was copied: a failure never leaves a partial database at `targetPath`. Refuses a target that exists.
// Values that could not be copied as they were, rows not written and queries not made are in the report;
// `report.failure` says why the import did not finish (then the function answers false).
bool importDatabase(LegacySource& source, const QString& targetPath, ImportReport& report,
                    const ImportProgress& progress = {});

// The temporary file an import writes before it takes the target's name.
QString temporaryPathFor(const QString& targetPath);

} // namespace quelmar::legacy
