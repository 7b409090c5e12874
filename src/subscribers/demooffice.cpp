#include "subscribers/demooffice.h"

#include "core/clock.h"
#include "db/database.h"
#include "subscribers/demodata.h"
#include "subscribers/schema.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>

#include <array>

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
        const QString path = folder.filePath(name);
        QFile target(path);
        if (!target.open(QIODevice::WriteOnly | QIODevice::Truncate) || target.write(text) != text.size())
            return fileError(path, target.errorString());
    }
    return {};
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
    const QDir dir(folder);
    const bool onServer = db::Database::isServerUri(options.database);
    const QString databasePath = options.database.isEmpty() ? dir.filePath(demoDatabaseFileName())
                                 : onServer                 ? options.database
                                                            : dir.absoluteFilePath(options.database);
    if (!onServer && QFileInfo::exists(databasePath)) {
        return DbError::make(
            DatabaseExists,
            u"The database '%1' already exists; the demonstration office is made only in a folder "
            u"without one."_s.arg(QDir::toNativeSeparators(databasePath)));
    }
    if (!QDir().mkpath(dir.absolutePath())) {
        return DbError::make(jeterror::InvalidPath, u"The folder '%1' cannot be created."_s.arg(
                                                        QDir::toNativeSeparators(dir.absolutePath())));
    }

    DbError error;
    {
        std::unique_ptr<db::Database> database = db::Database::create(databasePath, error);
        if (!database)
            return error.ok() ? DbError::make(jeterror::DiskError, databasePath) : error;
        error = fillDatabase(*database, options, summary);
    }
    if (!error.ok()) {
        // Half an office is no office: a new attempt starts clean. A server's rows went in one transaction
        // and none stay, but its empty tables do, and a new attempt on that database is refused until they
        // go.
        if (!onServer)
            QFile::remove(databasePath);
        return error;
    }
    return writeOfficeFiles(dir, options.database.isEmpty() ? QString() : databasePath);
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
