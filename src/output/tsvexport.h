#pragma once

#include <QString>
#include <QStringList>

#include <functional>

namespace quelmar::db {
class RowCursor;
}

namespace quelmar::output {

// What became of an export.
struct ExportResult
{
    bool written = false;   // the file holds the whole table under its name
    bool cancelled = false; // the user stopped it; nothing was left under the name
    qint64 rows = 0;        // records written
    QString failure;        // the system's description when it could not be written
};

// Writes the rows of the cursor as tab-separated text: the captions first (see layout::exportHeading), then
// one line per record, every value followed by a TAB (TABs and line breaks inside a value become blanks).
// The file is written under a temporary name and renamed once whole, so a failure or a cancel never leaves a
// partial file under the name (an earlier file of that name stays as it was). progress is told the rows
// written every few thousand rows; it answers false to cancel.
ExportResult writeTsv(db::RowCursor& rows, const QStringList& captions, const QString& path,
                      const std::function<bool(qint64 rows)>& progress = {});

} // namespace quelmar::output
