#pragma once

#include "db/dberror.h"
#include "db/filemaintenance.h"

#include <QList>
#include <QString>
#include <QStringList>

// The files beside a database X (its path without the extension) and the backup and repair done on them while
// nobody has the database open. Used by the office's maintenance menu and by the administrators' command.
namespace quelmar::maintenance {

struct DatabaseFiles
{
    QString database; // X + ".mdb", the working database
    QString users;    // X + ".ldb", who holds it
    QString source;   // X + ".tmp", the working database during a backup
    QString backup;   // X + ".bak", the database as it was before the last backup
    QString copy;     // X + ".cmp", the compacted copy until it is complete and checked

    static DatabaseFiles of(const QString& base);
};

// The backup's file steps: a leftover X.tmp is deleted, X.mdb (with any journal it still has) is renamed to
// X.tmp, compacted into a new X.mdb, and X.tmp becomes X.bak in place of the old one. A failure of the
// compaction leaves the data in X.tmp and no X.mdb. The database must be closed by everyone.
db::DbError backUpDatabase(const DatabaseFiles& files, const db::files::Progress& progress = {});

// What a repair found and did.
struct RepairOutcome
{
    QStringList findings;                 // what the integrity check found; empty for a sound file
    QList<db::files::TableRescue> tables; // what was saved of each table of a damaged file
    QStringList notes;                    // indexes and the like that could not be rebuilt
    QString damagedKeptAs;                // where the damaged file was kept
};

// The repair: the integrity check of X.mdb; a sound file is left as it is. A damaged one is rebuilt from what
// can be read into a new X.mdb, and the damaged file is kept beside it as X + ".dañada-" + the date and time.
db::DbError repairDatabase(const DatabaseFiles& files, RepairOutcome& outcome,
                           const db::files::Progress& progress = {});

// The repair's account for the user, in Spanish: that no damage was found, or per table the rows saved and
// lost, and where the damaged file was kept. Lines separated by newLine.
QString repairReport(const RepairOutcome& outcome, const QString& newLine);

// The message of a start that finds no X.mdb but the X.tmp of a backup that did not finish: what happened and
// what to do. Empty when there is no such X.tmp.
QString interruptedBackupMessage(const DatabaseFiles& files, const QString& newLine);

} // namespace quelmar::maintenance
