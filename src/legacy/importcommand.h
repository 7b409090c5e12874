#pragma once

#include <QString>

class QTextStream;

namespace quelmar::legacy {

// Imports the Jet database file `mdbPath` into the office folder `folder` (made when absent): the new
// database takes the old file's name (X.mdb), so the office's company files keep naming it, and the report is
// written beside it as X.importacion.txt. Progress and a summary go to `out`, what went wrong to `err`, in
// Spanish. False when the import did not finish (nothing is then left as the database).
bool importIntoFolder(const QString& mdbPath, const QString& folder, QTextStream& out, QTextStream& err);

// The report's file name for a target database.
QString reportPathFor(const QString& targetPath);

} // namespace quelmar::legacy
