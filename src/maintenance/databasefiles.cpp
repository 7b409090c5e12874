#include "maintenance/databasefiles.h"

#include "db/database.h"
#include "db/filemaintenance.h"
#include "db/usersfile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace quelmar::maintenance {

namespace {

constexpr const char* JournalSuffixes[] = {"-wal", "-shm", "-journal"};

db::DbError fileFailure(const QString& what, const QString& path)
{
    return db::DbError::make(db::jeterror::DiskError, what.arg(QDir::toNativeSeparators(path)));
}

// Renames a database file together with the journal files that belong to it.
bool renameDatabaseFile(const QString& from, const QString& to)
{
    if (!QFile::rename(from, to))
        return false;
    for (const char* suffix : JournalSuffixes) {
        const QString journal = from + QLatin1String(suffix);
        if (QFileInfo::exists(journal)) {
            QFile::remove(to + QLatin1String(suffix));
            QFile::rename(journal, to + QLatin1String(suffix));
        }
    }
    return true;
}

} // namespace

DatabaseFiles DatabaseFiles::of(const QString& base)
{
    return {base + QStringLiteral(".mdb"), base + QStringLiteral(".ldb"), base + QStringLiteral(".tmp"),
            base + QStringLiteral(".bak"), base + QStringLiteral(".cmp")};
}

db::DbError backUpDatabase(const DatabaseFiles& files, const db::files::Progress& progress)
{
    // A file that is not a database of ours is not backed up: it would be "compacted" into an empty one.
    if (db::DbError error = db::Database::fileProblem(files.database))
        return error;
    // While the files are renamed, a program that starts is told that the database is in exclusive use.
    db::UsersFile exclusiveUse(files.database);
    exclusiveUse.enter(true);
    if (db::DbError error = db::files::settleJournal(files.database))
        return error;
    if (!db::files::removeDatabaseFile(files.source))
        return fileFailure(QStringLiteral("The leftover file '%1' cannot be deleted."), files.source);
    if (!db::files::removeDatabaseFile(files.copy))
        return fileFailure(QStringLiteral("The leftover file '%1' cannot be deleted."), files.copy);
    if (!renameDatabaseFile(files.database, files.source))
        return fileFailure(QStringLiteral("The database '%1' cannot be renamed."), files.database);
    if (db::DbError error = db::files::compactInto(files.source, files.copy, progress))
        return error;
    if (!QFile::rename(files.copy, files.database))
        return fileFailure(QStringLiteral("The compacted copy '%1' cannot take the database's name."),
                           files.copy);
    if (!db::files::removeDatabaseFile(files.backup))
        return fileFailure(QStringLiteral("The old backup '%1' cannot be deleted."), files.backup);
    if (!renameDatabaseFile(files.source, files.backup))
        return fileFailure(QStringLiteral("The file '%1' cannot be renamed to the backup."), files.source);
    return {};
}

db::DbError repairDatabase(const DatabaseFiles& files, RepairOutcome& outcome,
                           const db::files::Progress& progress)
{
    outcome = {};
    // An empty file, a Jet file or any other file is not a damaged database of ours: there is nothing to
    // rebuild it from, and it stays as it is.
    if (db::DbError error = db::Database::fileProblem(files.database))
        return error;
    db::UsersFile exclusiveUse(files.database);
    exclusiveUse.enter(true);
    // What the journal still holds goes into the file first (as far as the damage lets it), so that the file
    // is checked, rebuilt and kept whole on its own.
    db::files::settleJournal(files.database);
    if (db::DbError error = db::files::integrityCheck(files.database, outcome.findings)) {
        // A file that is not a database at all is damage too: nothing of it can be read, but it is kept.
        if (error.number != db::jeterror::UnrecognizedFormat && error.number != db::jeterror::CorruptDatabase)
            return error;
        outcome.findings.append(error.description);
    }
    if (outcome.findings.isEmpty())
        return {};
    const QString rebuilt = files.copy;
    if (!db::files::removeDatabaseFile(rebuilt))
        return fileFailure(QStringLiteral("The leftover file '%1' cannot be deleted."), rebuilt);
    db::DbError error =
        db::files::rescueInto(files.database, rebuilt, outcome.tables, outcome.notes, progress);
    if (error) {
        // Nothing could be read (not even what tables there were): the file stays where it is.
        if (error.number == db::jeterror::UnrecognizedFormat ||
            error.number == db::jeterror::CorruptDatabase) {
            outcome.notes.append(error.description);
            return {};
        }
        return error;
    }
    const QFileInfo info(files.database);
    const QString kept = info.path() + QLatin1Char('/') + info.completeBaseName() +
                         QStringLiteral(".dañada-") +
                         QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-hhmmss"));
    if (!renameDatabaseFile(files.database, kept)) {
        db::files::removeDatabaseFile(rebuilt);
        return fileFailure(QStringLiteral("The damaged database '%1' cannot be renamed."), files.database);
    }
    if (!QFile::rename(rebuilt, files.database))
        return fileFailure(QStringLiteral("The rebuilt database '%1' cannot take the database's name."),
                           rebuilt);
    outcome.damagedKeptAs = kept;
    return {};
}

QString repairReport(const RepairOutcome& outcome, const QString& newLine)
{
    if (outcome.findings.isEmpty())
        return QStringLiteral("La revisión no encontró daños en la Base de Datos.");
    QStringList lines;
    if (outcome.damagedKeptAs.isEmpty()) {
        lines.append(
            QStringLiteral("La Base de Datos está dañada y no pudo leerse nada de ella.  Recupere el "
                           "último Respaldo (archivo .bak) o pida ayuda a su soporte técnico."));
        return lines.join(newLine);
    }
    lines.append(QStringLiteral("La Base de Datos estaba dañada.  Se reconstruyó con lo que pudo leerse:"));
    qint64 lostTotal = 0;
    bool unknown = false;
    for (const db::files::TableRescue& table : outcome.tables) {
        QString line = table.table + QStringLiteral(": ") + QString::number(table.saved) +
                       QStringLiteral(" registros recuperados");
        if (table.lost > 0)
            line += QStringLiteral(", ") + QString::number(table.lost) + QStringLiteral(" perdidos");
        else if (table.lost < 0)
            line += QStringLiteral(", no se sabe cuántos se perdieron");
        lostTotal += std::max<qint64>(0, table.lost);
        unknown = unknown || table.lost < 0;
        lines.append(line);
    }
    for (const QString& note : outcome.notes)
        lines.append(QStringLiteral("No pudo rehacerse: ") + note);
    if (lostTotal > 0 || unknown)
        lines.append(QStringLiteral("Revise los datos perdidos con el último Respaldo (archivo .bak)."));
    lines.append(QStringLiteral("La Base de Datos dañada se guardó como ") +
                 QDir::toNativeSeparators(outcome.damagedKeptAs));
    return lines.join(newLine);
}

QString interruptedBackupMessage(const DatabaseFiles& files, const QString& newLine)
{
    if (QFileInfo::exists(files.database) || !QFileInfo::exists(files.source))
        return {};
    return QStringLiteral("Un respaldo de la Base de Datos no terminó: los datos quedaron en el archivo ") +
           QDir::toNativeSeparators(files.source) + QStringLiteral(".") + newLine + newLine +
           QStringLiteral("Cambie el nombre de ese archivo a ") + QDir::toNativeSeparators(files.database) +
           QStringLiteral(" y vuelva a ejecutar el Programa; después haga el respaldo de nuevo, cuando haya "
                          "espacio libre en el disco.");
}

} // namespace quelmar::maintenance
