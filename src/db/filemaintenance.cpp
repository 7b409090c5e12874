#include "db/filemaintenance.h"

#include "db/database.h"
#include "db/sqlitestatement.h"
#include "db/usersfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <algorithm>

namespace quelmar::db::files {

namespace {

// Virtual machine steps between two looks at how far a compaction has come.
constexpr int ProgressSteps = 1000;
// The most findings of an integrity check that are kept.
constexpr int CheckFindings = 100;

// A raw connection to a file, closed when it goes.
class Connection
{
public:
    Connection(const QString& path, int flags)
    {
        m_code = sqlite3_open_v2(QFile::encodeName(path).constData(), &m_handle, flags | SQLITE_OPEN_NOMUTEX,
                                 nullptr);
        if (m_handle)
            sqlite3_extended_result_codes(m_handle, 1);
    }
    ~Connection() { sqlite3_close_v2(m_handle); }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    sqlite3* handle() const { return m_handle; }
    DbError openError(const QString& path) const
    {
        if (m_code == SQLITE_OK)
            return {};
        const int extended = m_handle ? sqlite3_extended_errcode(m_handle) : m_code;
        return fromSqlite(extended, m_handle ? QString::fromUtf8(sqlite3_errmsg(m_handle)) : QString(), {},
                          QDir::toNativeSeparators(path));
    }

private:
    sqlite3* m_handle = nullptr;
    int m_code = SQLITE_OK;
};

QString quoted(const QString& name)
{
    QString text = name;
    text.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + text + QLatin1Char('"');
}

QString literal(const QString& text)
{
    QString value = text;
    value.replace(QLatin1Char('\''), QStringLiteral("''"));
    return QLatin1Char('\'') + value + QLatin1Char('\'');
}

qint64 pragmaNumber(sqlite3* handle, const char* pragma)
{
    SqliteStatement statement(handle, QStringLiteral("PRAGMA ") + QLatin1String(pragma));
    return statement.step() ? statement.int64(0) : 0;
}

// What a compaction watches while it runs: how big the copy has grown against what it will hold.
struct CompactionWatch
{
    QString target;
    qint64 expectedBytes = 1;
    int lastPercent = -1;
    int faultAtPercent = -1; // a failure injected when the copy reaches that far (fault tests)
    bool faulted = false;
    const Progress* progress = nullptr;
};

int watchCompaction(void* context)
{
    auto* watch = static_cast<CompactionWatch*>(context);
    const qint64 written = QFileInfo(watch->target).size();
    const int percent = int(std::min<qint64>(99, written * 100 / std::max<qint64>(1, watch->expectedBytes)));
    if (watch->faultAtPercent >= 0 && percent >= watch->faultAtPercent) {
        watch->faulted = true;
        return 1;
    }
    if (percent != watch->lastPercent) {
        watch->lastPercent = percent;
        if (watch->progress && *watch->progress)
            (*watch->progress)(percent);
    }
    return 0;
}

// The fault a test may inject into a compaction, through the environment: the percent of the copy at which
// the disk is taken to be full.
int injectedCompactionFault()
{
    bool ok = false;
    const int percent = qEnvironmentVariableIntValue("QUELMAR_COMPACTION_FAULT_AT", &ok);
    return ok ? std::clamp(percent, 0, 99) : -1;
}

// The table's columns, as its rows are read back.
QStringList columnsOf(sqlite3* handle, const QString& table)
{
    QStringList columns;
    SqliteStatement info(handle, QStringLiteral("PRAGMA table_info(") + quoted(table) + QLatin1Char(')'));
    while (info.step())
        columns.append(info.value(1).toString());
    return columns;
}

struct SchemaEntry
{
    QString type;
    QString name;
    QString sql;
};

} // namespace

QStringList holdersOf(const QString& databasePath)
{
    QStringList lines;
    for (const UsersFile::Holder& holder : UsersFile(databasePath).others())
        lines.append(holder.computer + QStringLiteral("  ") + holder.user);
    return lines;
}

bool removeJournals(const QString& databasePath)
{
    bool removed = true;
    for (const char* suffix : {"-journal", "-wal", "-shm"}) {
        const QString journal = databasePath + QLatin1String(suffix);
        removed = (!QFileInfo::exists(journal) || QFile::remove(journal)) && removed;
    }
    return removed;
}

bool removeDatabaseFile(const QString& databasePath)
{
    const bool journals = removeJournals(databasePath);
    return (!QFileInfo::exists(databasePath) || QFile::remove(databasePath)) && journals;
}

DbError settleJournal(const QString& databasePath)
{
    Connection connection(databasePath, SQLITE_OPEN_READWRITE);
    if (DbError error = connection.openError(databasePath))
        return error;
    if (DbError error = runSql(connection.handle(), QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)")))
        return error;
    SqliteStatement mode(connection.handle(), QStringLiteral("PRAGMA journal_mode=DELETE"));
    while (mode.step()) {
    }
    return mode.error();
}

DbError checkNewFile(const QString& databasePath)
{
    if (DbError error = settleJournal(databasePath))
        return error;
    for (const char* suffix : {"-journal", "-wal", "-shm"}) {
        const QString journal = databasePath + QLatin1String(suffix);
        if (QFileInfo::exists(journal))
            return DbError::make(jeterror::DiskError,
                                 QStringLiteral("The journal '%1' could not be written into the database.")
                                     .arg(QDir::toNativeSeparators(journal)));
    }
    QStringList findings;
    if (DbError error = integrityCheck(databasePath, findings, CheckDepth::Structure))
        return error;
    if (!findings.isEmpty())
        return DbError::make(
            jeterror::CorruptDatabase,
            QStringLiteral("The new database '%1' failed its check: %2")
                .arg(QDir::toNativeSeparators(databasePath), findings.join(QStringLiteral("; "))));
    return {};
}

DbError compactInto(const QString& source, const QString& target, const Progress& progress)
{
    if (QFileInfo::exists(target))
        return DbError::make(
            jeterror::FileInUse,
            QStringLiteral("The file '%1' already exists.").arg(QDir::toNativeSeparators(target)));
    if (DbError error = Database::fileProblem(source))
        return error;
    DbError error;
    {
        // Opened for writing although nothing is written to it: the backend compacts a read-only source many
        // times slower.
        Connection connection(source, SQLITE_OPEN_READWRITE);
        if ((error = connection.openError(source)))
            return error;
        CompactionWatch watch;
        watch.target = target;
        watch.expectedBytes = (pragmaNumber(connection.handle(), "page_count") -
                               pragmaNumber(connection.handle(), "freelist_count")) *
                              pragmaNumber(connection.handle(), "page_size");
        watch.faultAtPercent = injectedCompactionFault();
        // The copy is written out as it grows (which is how its progress is seen) rather than all at the end:
        // its cache, which is the source's, is kept to a part of the file.
        const qint64 pages = pragmaNumber(connection.handle(), "page_count");
        runSql(connection.handle(),
               QStringLiteral("PRAGMA cache_size=%1").arg(std::clamp<qint64>(pages / 8, 16, 2000)));
        watch.progress = &progress;
        sqlite3_progress_handler(connection.handle(), ProgressSteps, &watchCompaction, &watch);
        error = runSql(connection.handle(), QStringLiteral("VACUUM INTO ") + literal(target));
        sqlite3_progress_handler(connection.handle(), 0, nullptr, nullptr);
        if (watch.faulted)
            error = fromSqlite(SQLITE_FULL, QStringLiteral("database or disk is full"), {},
                               QDir::toNativeSeparators(target));
    }
    if (!error) {
        // The copy is taken for the database only once every page of it reads back whole (the structure
        // check; the copy's indexes were just built from its tables).
        QStringList findings;
        error = integrityCheck(target, findings, CheckDepth::Structure);
        if (!error && !findings.isEmpty())
            error = DbError::make(
                jeterror::CorruptDatabase,
                QStringLiteral("The compacted copy '%1' failed its check: %2")
                    .arg(QDir::toNativeSeparators(target), findings.join(QStringLiteral("; "))));
    }
    if (error) {
        removeDatabaseFile(target);
        return error;
    }
    if (progress)
        progress(100);
    return {};
}

DbError integrityCheck(const QString& databasePath, QStringList& findings, CheckDepth depth)
{
    findings.clear();
    if (DbError error = Database::fileProblem(databasePath))
        return error;
    Connection connection(databasePath, SQLITE_OPEN_READONLY);
    if (DbError error = connection.openError(databasePath))
        return error;
    const QString pragma =
        depth == CheckDepth::Full ? QStringLiteral("integrity_check") : QStringLiteral("quick_check");
    SqliteStatement check(connection.handle(),
                          QStringLiteral("PRAGMA %1(%2)").arg(pragma).arg(CheckFindings));
    while (check.step())
        findings.append(check.value(0).toString().simplified());
    if (!check.error().ok()) {
        // A file whose first page is not a database cannot be checked at all; any other failure is damage.
        if (check.error().number == jeterror::UnrecognizedFormat)
            return check.error();
        findings.append(check.error().description);
    }
    if (findings == QStringList{QStringLiteral("ok")})
        findings.clear();
    return {};
}

DbError rescueInto(const QString& source, const QString& target, QList<TableRescue>& tables,
                   QStringList& notes, const Progress& progress)
{
    tables.clear();
    notes.clear();
    if (QFileInfo::exists(target))
        return DbError::make(
            jeterror::FileInUse,
            QStringLiteral("The file '%1' already exists.").arg(QDir::toNativeSeparators(target)));
    Connection damaged(source, SQLITE_OPEN_READONLY);
    if (DbError error = damaged.openError(source))
        return error;
    // A file shorter than its header says (cut off by a failing disk or copy) is read as far as it goes.
    runSql(damaged.handle(), QStringLiteral("PRAGMA writable_schema=ON"));
    // What the file held, as far as its schema can be read.
    QList<SchemaEntry> schema;
    {
        SqliteStatement entries(
            damaged.handle(),
            QStringLiteral("SELECT type, name, sql FROM sqlite_master WHERE sql IS NOT NULL "
                           "AND name NOT LIKE 'sqlite_%' ORDER BY rowid"));
        while (entries.step())
            schema.append(
                {entries.value(0).toString(), entries.value(1).toString(), entries.value(2).toString()});
        if (!entries.error().ok())
            return entries.error();
    }

    DbError error;
    {
        Connection rebuilt(target, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
        if ((error = rebuilt.openError(target))) {
            removeDatabaseFile(target);
            return error;
        }
        sqlite3* out = rebuilt.handle();
        runSql(out, QStringLiteral("PRAGMA journal_mode=OFF"));
        runSql(out, QStringLiteral("PRAGMA synchronous=OFF"));
        const auto tableCount = std::count_if(schema.cbegin(), schema.cend(), [](const SchemaEntry& e) {
            return e.type == QLatin1String("table");
        });
        int done = 0;
        error = runSql(out, QStringLiteral("BEGIN"));
        for (const SchemaEntry& entry : std::as_const(schema)) {
            if (error || entry.type != QLatin1String("table"))
                continue;
            if ((error = runSql(out, entry.sql)))
                break;
            TableRescue rescue{entry.name};
            const QStringList columns = columnsOf(damaged.handle(), entry.name);
            QStringList names{QStringLiteral("rowid")};
            QStringList marks{QStringLiteral("?")};
            for (const QString& column : columns) {
                names.append(quoted(column));
                marks.append(QStringLiteral("?"));
            }
            SqliteStatement insert(out, QStringLiteral("INSERT OR IGNORE INTO ") + quoted(entry.name) +
                                            QLatin1Char('(') + names.join(QLatin1Char(',')) +
                                            QStringLiteral(") VALUES (") + marks.join(QLatin1Char(',')) +
                                            QLatin1Char(')'));
            if ((error = insert.error()))
                break;
            const QString read = QStringLiteral("SELECT rowid,") +
                                 QStringList(names.mid(1)).join(QLatin1Char(',')) + QStringLiteral(" FROM ") +
                                 quoted(entry.name);
            // Rows are read from the start until the damage, then from the end back to it, so that what lies
            // on both sides of a damaged page is saved.
            qint64 lastForward = 0;
            bool forwardWhole = false;
            const auto copy = [&](SqliteStatement& rows, qint64* last) {
                while (rows.step()) {
                    QVariantList values;
                    for (int c = 0; c < rows.columnCount(); ++c)
                        values.append(rows.value(c));
                    if (last)
                        *last = rows.int64(0);
                    insert.reset();
                    insert.bind(values);
                    insert.step();
                    if (sqlite3_changes(out) > 0 && insert.error().ok())
                        ++rescue.saved;
                }
                return rows.error().ok();
            };
            {
                SqliteStatement forward(damaged.handle(), read + QStringLiteral(" ORDER BY rowid"));
                forwardWhole = copy(forward, &lastForward);
            }
            if (!forwardWhole) {
                SqliteStatement backward(damaged.handle(),
                                         read + QStringLiteral(" WHERE rowid > ? ORDER BY rowid DESC"));
                backward.bind(1, lastForward);
                copy(backward, nullptr);
            }
            SqliteStatement count(damaged.handle(),
                                  QStringLiteral("SELECT count(*) FROM ") + quoted(entry.name));
            if (count.step() && count.error().ok())
                rescue.lost = std::max<qint64>(0, count.int64(0) - rescue.saved);
            else if (forwardWhole)
                rescue.lost = 0;
            if (forwardWhole && rescue.lost < 0)
                rescue.lost = 0;
            tables.append(rescue);
            if (progress)
                progress(int(++done * 90 / std::max<qint64>(1, tableCount)));
        }
        if (!error) {
            for (const SchemaEntry& entry : std::as_const(schema)) {
                if (entry.type == QLatin1String("table"))
                    continue;
                if (const DbError failed = runSql(out, entry.sql))
                    notes.append(entry.type + QLatin1Char(' ') + entry.name + QStringLiteral(": ") +
                                 failed.description);
            }
            error = runSql(out, QStringLiteral("COMMIT"));
        }
    }
    if (error) {
        removeDatabaseFile(target);
        return error;
    }
    if (progress)
        progress(100);
    return {};
}

} // namespace quelmar::db::files
