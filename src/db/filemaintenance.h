#pragma once

#include "db/dberror.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

// Work on a whole database file while nobody has it open: compaction into a new file, the integrity check
// and the rescue of what can still be read from a damaged file.
namespace quelmar::db::files {

// Told how far a long piece of work has come, in percent (0..100).
using Progress = std::function<void(int percent)>;

// The programs that hold the database now, one line each ("computer  user"), from its users file; lines left
// over by programs of this computer that have ended are not counted.
QStringList holdersOf(const QString& databasePath);

// Writes what the database's write-ahead log still holds into the file itself and leaves it in
// rollback-journal mode, so that the file can be renamed or copied on its own (the next open turns the log on
// again). Needs the database closed by every program.
DbError settleJournal(const QString& databasePath);

// Deletes the journal files that belong to a database file (its rollback journal and write-ahead log), so
// that none of them is ever applied to another file put in its place; true when none is left.
bool removeJournals(const QString& databasePath);
// Deletes a database file with its journal files; true when none of them is left.
bool removeDatabaseFile(const QString& databasePath);

// A new database file, just closed, made to stand on its own and checked before it takes its name: its
// journal written into it with nothing of it left beside it, and every page of it read back (the structure
// check). A full disk shows here when it stopped the journal from being written back.
DbError checkNewFile(const QString& databasePath);

// Copies the database at `source` into the new file `target` with the backend's own compaction, then checks
// the copy. `source` must be a database of ours (Database::fileProblem); `target` must not exist; on any
// failure it is removed again, so that no partial copy is left.
DbError compactInto(const QString& source, const QString& target, const Progress& progress = {});

enum class CheckDepth
{
    Full,      // every page, every row against its indexes
    Structure, // every page and its structure, without comparing indexes with their tables (much quicker)
};

// The backend's integrity check of a closed file. `findings` receives what was found (empty when the file is
// sound). The error tells a file that cannot be checked at all (missing, or not a database of ours, as
// Database::fileProblem tells it).
DbError integrityCheck(const QString& databasePath, QStringList& findings,
                       CheckDepth depth = CheckDepth::Full);

// What the rescue of a damaged file saved of one table.
struct TableRescue
{
    QString table;
    qint64 saved = 0;
    qint64 lost = -1; // rows that could not be read; -1 when the damaged file cannot say how many it had
};

// Builds the new file `target` from what can be read of the damaged `source` (which is left as it is): the
// tables, each row that can still be read, then the indexes, views and triggers (an index that the saved rows
// no longer satisfy is left out and named in `notes`). `target` must not exist; it is removed on failure.
DbError rescueInto(const QString& source, const QString& target, QList<TableRescue>& tables,
                   QStringList& notes, const Progress& progress = {});

} // namespace quelmar::db::files
