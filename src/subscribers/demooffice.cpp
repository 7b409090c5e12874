#include "subscribers/demooffice.h"

#include "core/clock.h"
#include "db/database.h"
#include "db/filemaintenance.h"
#include "subscribers/demodata.h"
#include "subscribers/schema.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTemporaryDir>

#include <array>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

// The office's data files are compiled into the library; a static library needs their initialiser called.
static void initialiseOfficeResources()
{
    Q_INIT_RESOURCE(office);
}

namespace quelmar::subscribers {

namespace {

using db::DbError;
namespace jeterror = db::jeterror;
using demodata::Table;

// Jet's "database already exists".
constexpr int DatabaseExists = 3204;

// Writes the generated rows with one prepared INSERT per table, counting them.
class DatabaseSink : public demodata::RowSink
{
public:
    explicit DatabaseSink(db::Database& database) : m_database(database) {}

    DbError prepare()
    {
        for (int t = 0; t < demodata::TableCount; ++t) {
            const Table table = Table(t);
            QStringList names;
            QStringList marks;
            for (const QString& field : demodata::fieldNames(table)) {
                names.append(u'[' + field + u']');
                marks.append(u"?"_s);
            }
            const QString insert = u"INSERT INTO [%1] (%2) VALUES (%3)"_s.arg(
                demodata::tableName(table), names.join(u", "_s), marks.join(u", "_s));
            m_insert[size_t(t)] = m_database.prepare(insert, m_error);
            if (!m_error.ok())
                return m_error;
        }
        return {};
    }

    bool add(Table table, const QVariantList& values) override
    {
        m_error = m_insert[size_t(table)]->run(values);
        if (!m_error.ok())
            return false;
        ++m_count[size_t(table)];
        return true;
    }

    const DbError& error() const { return m_error; }
    qint64 count(Table table) const { return m_count[size_t(table)]; }

private:
    db::Database& m_database;
    std::array<std::unique_ptr<db::PreparedStatement>, demodata::TableCount> m_insert;
    std::array<qint64, demodata::TableCount> m_count{};
    DbError m_error;
};

DbError fileError(const QString& path, const QString& reason)
{
    return DbError::make(jeterror::DiskError, u"Cannot write the file '%1': %2"_s.arg(path, reason));
}

// The company file's line that names the office's database (the program adds ".mdb" to it).
constexpr int DatabaseLine = 3;

// The company file naming `database` (as the office names it: without ".mdb") instead of its own line.
QByteArray namingDatabase(const QByteArray& companyFile, const QString& database)
{
    QStringList lines = QString::fromUtf8(companyFile).split(u'\n');
    if (lines.size() <= DatabaseLine)
        lines.resize(DatabaseLine + 1);
    const bool crlf = lines.constFirst().endsWith(u'\r');
    lines[DatabaseLine] = database + (crlf ? u"\r"_s : QString());
    return lines.join(u'\n').toUtf8();
}

// Writes a new file and reads it back: a full disk shows when the buffered bytes go out or when the file is
// closed, not when they are handed over.
DbError writeWholeFile(const QString& path, const QByteArray& bytes)
{
    QFile target(path);
    if (!target.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return fileError(path, target.errorString());
    const bool written = target.write(bytes) == bytes.size() && target.flush();
    target.close();
    if (!written || target.error() != QFileDevice::NoError)
        return fileError(path, target.errorString());
    QFile check(path);
    if (!check.open(QIODevice::ReadOnly) || check.readAll() != bytes)
        return fileError(path, u"what was written does not read back whole"_s);
    return {};
}

// Copies the office's data files into the folder, as UTF-8 text, writable by the office. A database named
// elsewhere than the folder's Quelmar.mdb is named by the company file.
DbError writeOfficeFiles(const QDir& folder, const QString& database)
{
    initialiseOfficeResources();
    for (const QString& name : demoOfficeFileNames()) {
        QFile source(u":/office/"_s + name);
        if (!source.open(QIODevice::ReadOnly))
            return fileError(name, u"the program's copy is missing"_s);
        QByteArray text = source.readAll();
        if (!database.isEmpty() && name.endsWith(u".emp"_s)) {
            const QString named =
                database.endsWith(u".mdb"_s, Qt::CaseInsensitive) ? database.chopped(4) : database;
            text = namingDatabase(text, named);
        }
        if (DbError error = writeWholeFile(folder.filePath(name), text))
            return error;
    }
    return {};
}

// Moves every file of `from` into the folder `to`, which exists; on a failure the files moved go back.
bool moveFilesInto(const QDir& from, const QDir& to)
{
    QStringList moved;
    for (const QString& name : from.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        if (QFileInfo::exists(to.filePath(name)) || !QFile::rename(from.filePath(name), to.filePath(name))) {
            for (const QString& back : std::as_const(moved))
                QFile::rename(to.filePath(back), from.filePath(back));
            return false;
        }
        moved.append(name);
    }
    return true;
}

// The office's receipt heading (company file entries 5 to 10) and closing line (entry 11), which the
// receipts of its payments carry.
void receiptLinesOfTheCompany(demodata::Settings& settings)
{
    initialiseOfficeResources();
    QFile companyFile(u":/office/Quelmar.emp"_s);
    if (!companyFile.open(QIODevice::ReadOnly))
        return;
    QStringList entries = QString::fromUtf8(companyFile.readAll()).split(u'\n');
    for (QString& entry : entries) {
        if (entry.endsWith(u'\r'))
            entry.chop(1);
    }
    settings.receiptHeading = entries.mid(4, 6);
    settings.receiptClosing = entries.value(10);
}

DbError fillDatabase(db::Database& database, const DemoOptions& options, DemoSummary* summary)
{
    // Rows first, indexes after (one sort each), with a large cache while the rows are written.
    const QList<db::TableDef> schema = officeSchema();
    if (DbError error = database.createTables(schema, db::Database::Indexes::Later))
        return error;
    database.setBulkLoad(true);
    const auto usualCache = qScopeGuard([&] { database.setBulkLoad(false); });

    demodata::Settings settings;
    settings.subscribers = std::max(0, options.subscribers);
    settings.historyMonths = options.paymentsPerSubscriber > 0
                                 ? demodata::monthsForPaymentsPerSubscriber(options.paymentsPerSubscriber)
                                 : std::max(1, options.years) * 12;
    settings.seed = options.seed;
    settings.today = Clock::today();
    receiptLinesOfTheCompany(settings);

    db::Transaction transaction(database);
    if (!transaction.error().ok())
        return transaction.error();
    DatabaseSink sink(database);
    if (DbError error = sink.prepare())
        return error;
    const demodata::Result result = demodata::generate(settings, sink);
    if (!result.completed)
        return sink.error();
    if (DbError error = database.createIndexes(schema))
        return error;
    if (DbError error = database.ensureReferences())
        return error;
    if (DbError error = transaction.commit())
        return error;

    if (summary) {
        summary->rowCounts.clear();
        for (const db::TableDef& table : schema) {
            for (int t = 0; t < demodata::TableCount; ++t) {
                if (demodata::tableName(Table(t)) == table.name)
                    summary->rowCounts.append({table.name, sink.count(Table(t))});
            }
        }
        summary->lastTicket = result.lastTicket;
    }
    return {};
}

} // namespace

QString existingOfficeFile(const QString& folder)
{
    const QDir dir(folder);
    // Databases first, then company files: the one a message had better name.
    for (const QStringList& names :
         {QStringList{u"*.mdb"_s}, QStringList{u"*.emp"_s}, QStringList{u"*.men"_s}, demoOfficeFileNames()}) {
        const QStringList found = dir.entryList(names, QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
        if (!found.isEmpty())
            return dir.absoluteFilePath(found.constFirst());
    }
    return {};
}

QString demoDatabaseFileName()
{
    return u"Quelmar.mdb"_s;
}

QStringList demoOfficeFileNames()
{
    return {u"Quelmar.emp"_s, u"Quelmar.men"_s, u"OrdCorte.txt"_s, u"OrdRecon.txt"_s, u"OrdServ.txt"_s,
            u"OrdRepa.txt"_s, u"Avisos.txt"_s,  u"Ficha.rtf"_s,    u"Ficha.pos"_s};
}

DbError createDemoOffice(const QString& folder, const DemoOptions& options, DemoSummary* summary)
{
    const QDir dir(QDir(folder).absolutePath());
    const QString shownFolder = QDir::toNativeSeparators(dir.absolutePath());
    const bool onServer = db::Database::isServerUri(options.database);
    const bool elsewhere = !options.database.isEmpty() && !onServer;
    const QString finalDatabase = options.database.isEmpty() ? dir.filePath(demoDatabaseFileName())
                                  : onServer                 ? options.database
                                                             : dir.absoluteFilePath(options.database);
    if (QFileInfo::exists(dir.absolutePath()) && !QFileInfo(dir.absolutePath()).isDir())
        return DbError::make(
            jeterror::InvalidPath,
            u"'%1' is a file, not a folder; the demonstration office needs a folder."_s.arg(shownFolder));
    // Another office's files are never overwritten, nor mixed with the demonstration's.
    if (const QString found = existingOfficeFile(dir.absolutePath()); !found.isEmpty()) {
        return DbError::make(
            DatabaseExists,
            u"The folder '%1' already holds the office file '%2'; the demonstration office is made only in a "
            u"new folder or one without office files."_s.arg(shownFolder, QDir::toNativeSeparators(found)));
    }
    if (elsewhere && QFileInfo::exists(finalDatabase)) {
        return DbError::make(
            DatabaseExists,
            u"The database '%1' already exists; the demonstration office is made only in a folder "
            u"without one."_s.arg(QDir::toNativeSeparators(finalDatabase)));
    }
    // The office is built in a folder of its own beside the target and moved in only when every file of it
    // is written and checked: a failure leaves the target as it was.
    const QString parent = QFileInfo(dir.absolutePath()).absolutePath();
    if (!QDir().mkpath(parent)) {
        return DbError::make(jeterror::InvalidPath,
                             u"The folder '%1' cannot be created."_s.arg(QDir::toNativeSeparators(parent)));
    }
    QTemporaryDir building(parent + u"/."_s + dir.dirName() + u".creando-XXXXXX"_s);
    if (!building.isValid()) {
        return DbError::make(jeterror::InvalidPath,
                             u"The folder '%1' cannot be written in: %2"_s.arg(
                                 QDir::toNativeSeparators(parent), building.errorString()));
    }
    // The folder may become the office's own: it gets the permissions a new folder gets.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::chmod(QFile::encodeName(building.path()).constData(), 0777 & ~mask);
    const QDir staging(building.path());
    // A database file elsewhere is written under another name beside it until the office is whole.
    const QString databasePath = options.database.isEmpty() ? staging.filePath(demoDatabaseFileName())
                                 : onServer                 ? options.database
                                                            : finalDatabase + u".creando"_s;
    if (elsewhere)
        db::files::removeDatabaseFile(databasePath);

    DbError error = writeOfficeFiles(staging, options.database.isEmpty() ? QString() : finalDatabase);
    if (error)
        return error;
    std::unique_ptr<db::Database> database = db::Database::create(databasePath, error);
    if (!database) {
        if (elsewhere)
            db::files::removeDatabaseFile(databasePath);
        return error.ok() ? DbError::make(jeterror::DiskError, databasePath) : error;
    }
    error = fillDatabase(*database, options, summary);
    if (error.ok() && !onServer) {
        database.reset();
        error = db::files::checkNewFile(databasePath);
    }
    if (error.ok() && elsewhere && !QFile::rename(databasePath, finalDatabase))
        error = fileError(finalDatabase, u"the new database cannot take its name"_s);
    if (error.ok()) {
        const bool movedIn = QFileInfo::exists(dir.absolutePath())
                                 ? moveFilesInto(staging, dir)
                                 : QDir().rename(staging.path(), dir.absolutePath());
        if (!movedIn) {
            error = fileError(shownFolder, u"the office's files cannot be moved into it"_s);
            if (elsewhere)
                QFile::rename(finalDatabase, databasePath);
        }
    }
    if (!error.ok()) {
        // Half an office is no office: a new attempt starts clean. The staging folder goes with its object.
        if (database)
            db::Database::discardCreated(std::move(database));
        else if (elsewhere)
            db::files::removeDatabaseFile(databasePath);
        return error;
    }
    if (!QFileInfo::exists(staging.path()))
        building.setAutoRemove(false); // it became the office's folder
    return {};
}

DbError createLargeOffice(const QString& folder, int subscribers, qint64 payments, quint32 seed,
                          DemoSummary* summary)
{
    DemoOptions options;
    options.subscribers = subscribers;
    options.seed = seed;
    options.paymentsPerSubscriber = subscribers > 0 ? double(payments) / subscribers : 0;
    return createDemoOffice(folder, options, summary);
}

} // namespace quelmar::subscribers
