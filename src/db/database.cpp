#include "db/database.h"

#include "db/catalogue.h"
#include "db/jetsql.h"
#include "db/jetvalue.h"
#include "db/keyedsource.h"
#include "db/pgconnection.h"
#include "db/pgschema.h"
#include "db/recordset.h"
#include "db/recordsetsource.h"
#include "db/serversource.h"
#include "db/sqlitefunctions.h"
#include "db/sqlitestatement.h"
#include "db/usersfile.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <sqlite3.h>
#include <sys/vfs.h>

namespace quelmar::db {

using catalogue::quoteName;

namespace {

// How long SQLite itself waits for a lock before the program's own retry rules take over.
constexpr int BusyTimeoutMs = 250;

DbError fileError(int number, const QString& path)
{
    return DbError::make(number, jetDescription(number, {QDir::toNativeSeparators(path)}));
}

// The most findings of a quick check that are kept for the error log.
constexpr int QuickCheckFindings = 10;
// Virtual machine steps between two looks at a quick check's deadline.
constexpr int ProgressSteps = 1000;

// The description of a refused file: the engine's text for the number, and why.
DbError refusedFile(int number, const QString& path, const QString& why)
{
    return DbError::make(number,
                         jetDescription(number, {QDir::toNativeSeparators(path)}) + QLatin1Char(' ') + why);
}

// The folder of a database must take the journal files beside it as well.
bool isWritableFolderOf(const QFileInfo& info)
{
    return QFileInfo(info.absolutePath()).isWritable();
}

int stopAtDeadline(void* deadline)
{
    return static_cast<QDeadlineTimer*>(deadline)->hasExpired() ? 1 : 0;
}

// A bare table name given instead of a statement.
bool isTableName(const QString& source)
{
    static const QRegularExpression name(QStringLiteral(R"(^\s*(\[[^\]]+\]|[^\s\[\]();,'"]+)\s*$)"));
    return name.match(source).hasMatch();
}

QString unbracket(const QString& name)
{
    QString n = name.trimmed();
    if (n.startsWith(QLatin1Char('[')) && n.endsWith(QLatin1Char(']')))
        n = n.mid(1, n.size() - 2);
    return n;
}

} // namespace

// ---------------------------------------------------------------------------------------------------------------

Database::FileKind Database::fileKind(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return FileKind::Missing;
    if (!info.isFile())
        return FileKind::NotAFile;
    if (info.size() == 0)
        return FileKind::Empty;
    if (isJetFile(path))
        return FileKind::Jet;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return FileKind::Foreign;
    return file.read(16) == QByteArray("SQLite format 3", 16) ? FileKind::Ours : FileKind::Foreign;
}

DbError Database::fileProblem(const QString& path)
{
    switch (fileKind(path)) {
    case FileKind::Missing:
        return fileError(jeterror::FileNotFound, path);
    case FileKind::NotAFile:
        return fileError(jeterror::InvalidPath, path);
    case FileKind::Empty:
        return refusedFile(jeterror::UnrecognizedFormat, path,
                           QStringLiteral("The file is empty (0 bytes)."));
    case FileKind::Jet:
        return refusedFile(jeterror::UnrecognizedFormat, path,
                           QStringLiteral("The file is a Microsoft Jet (Access) database; it has to be "
                                          "imported before this program can use it."));
    case FileKind::Foreign:
        return fileError(jeterror::UnrecognizedFormat, path);
    case FileKind::Ours:
        break;
    }
    return {};
}

bool Database::isOnNetworkShare(const QString& path)
{
    struct statfs info = {};
    if (::statfs(QFile::encodeName(QFileInfo(path).absolutePath()).constData(), &info) != 0)
        return false;
    switch (static_cast<unsigned long>(info.f_type)) {
    case 0x6969UL:     // NFS
    case 0x517BUL:     // SMB
    case 0xFF534D42UL: // CIFS
    case 0xFE534D42UL: // SMB2
    case 0x564C:       // NCP
    case 0x73757245UL: // Coda
        return true;
    default:
        return false;
    }
}

bool Database::isJetFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = file.read(32);
    return head.size() >= 19 &&
           (head.mid(4, 15) == "Standard Jet DB" || head.mid(4, 15) == "Standard ACE DB");
}

DbError Database::openHandle(const QString& path, int flags)
{
    m_path = path;
    const int code =
        sqlite3_open_v2(QFile::encodeName(path).constData(), &m_handle, flags | SQLITE_OPEN_NOMUTEX, nullptr);
    if (code != SQLITE_OK) {
        const int extended = m_handle ? sqlite3_extended_errcode(m_handle) : code;
        sqlite3_close_v2(m_handle);
        m_handle = nullptr;
        return fromSqlite(extended, QString(), {}, QDir::toNativeSeparators(path));
    }
    sqlite3_extended_result_codes(m_handle, 1);
    // A double-quoted word is a name, never a text: an unknown field is an error, not its own name.
    sqlite3_db_config(m_handle, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
    sqlite3_db_config(m_handle, SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
    sqlite3_busy_timeout(m_handle, BusyTimeoutMs);
    registerSqlFunctions(m_handle);
    // Reading the schema tells a database from any other file.
    SqliteStatement probe(m_handle, QStringLiteral("SELECT count(*) FROM sqlite_master"));
    if (!probe.isValid() || !probe.step()) {
        const DbError error = probe.error();
        // The failure is the file's, so the file is what its description names.
        if (error.number == jeterror::UnrecognizedFormat || error.number == jeterror::CorruptDatabase ||
            error.number == jeterror::FileNotFound)
            return fileError(error.number, path);
        return error;
    }
    return {};
}

bool Database::isServerUri(const QString& path)
{
    return PgConnection::isUri(path);
}

QString Database::shownPath(const QString& path)
{
    return isServerUri(path) ? PgConnection::withoutPassword(PgConnection::serverUri(path))
                             : QDir::toNativeSeparators(path);
}

std::unique_ptr<Database> Database::open(const QString& path, const OpenOptions& options, DbError& error)
{
    error = {};
    if (isServerUri(path))
        return openServer(path, options, error);
    // What the file holds is told before anything is written to it: a file that is not one of our databases
    // stays as it is.
    if ((error = fileProblem(path)))
        return nullptr;
    const QFileInfo info(path);
    if (!options.readOnly && !(info.isWritable() && isWritableFolderOf(info))) {
        const QString what =
            info.isWritable() ? QStringLiteral("the folder of '%1'") : QStringLiteral("'%1'");
        error = refusedFile(jeterror::ReadOnly, path,
                            QStringLiteral("Writing is not allowed in ") +
                                what.arg(QDir::toNativeSeparators(path)) + QLatin1Char('.'));
        return nullptr;
    }

    std::unique_ptr<Database> database(new Database);
    database->m_users = std::make_unique<UsersFile>(path);
    const QList<UsersFile::Holder> others = database->m_users->others();
    for (const UsersFile::Holder& holder : others) {
        if (holder.exclusive)
            return error = fileError(jeterror::OpenedExclusively, path), nullptr;
    }
    if (options.exclusive && !others.isEmpty())
        return error = fileError(jeterror::FileInUse, path), nullptr;

    error = database->openHandle(path, options.readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE);
    if (!error.ok())
        return nullptr;
    database->m_readOnly = options.readOnly;
    if (options.overShare || isOnNetworkShare(path)) {
        // Programs on other computers share nothing but the file: the journal lives beside it.
        if (!options.readOnly)
            runSql(database->m_handle, QStringLiteral("PRAGMA journal_mode=DELETE"));
    } else if (!options.readOnly) {
        // Readers never block a writer, and a writer never blocks readers: grids stay open while others
        // write.
        runSql(database->m_handle, QStringLiteral("PRAGMA journal_mode=WAL"));
    }
    if (options.exclusive) {
        runSql(database->m_handle, QStringLiteral("PRAGMA locking_mode=EXCLUSIVE"));
        error = runSql(database->m_handle, QStringLiteral("BEGIN EXCLUSIVE"));
        if (!error.ok())
            return error = fileError(jeterror::FileInUse, path), nullptr;
        runSql(database->m_handle, QStringLiteral("COMMIT"));
    }
    database->m_users->enter(options.exclusive);
    return database;
}

std::unique_ptr<Database> Database::create(const QString& path, DbError& error)
{
    error = {};
    if (isServerUri(path))
        return createServer(path, error);
    if (QFileInfo::exists(path)) {
        error = DbError::make(
            3204, QStringLiteral("Database '%1' already exists.").arg(QDir::toNativeSeparators(path)));
        return nullptr;
    }
    std::unique_ptr<Database> database(new Database);
    error = database->openHandle(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    if (error.ok()) {
        runSql(database->m_handle, QStringLiteral("PRAGMA journal_mode=WAL"));
        error = runSql(database->m_handle, catalogue::createCatalogueSql());
    }
    if (!error.ok()) {
        // A file that could not be made whole is not left behind.
        discardCreated(std::move(database));
        return nullptr;
    }
    database->m_users = std::make_unique<UsersFile>(path);
    database->m_users->enter(false);
    return database;
}

DbError Database::discardCreated(std::unique_ptr<Database> database)
{
    if (!database)
        return {};
    if (database->m_server)
        return discardServer(std::move(database));
    const QString path = database->m_path;
    database.reset();
    DbError error;
    for (const char* suffix : {"-journal", "-wal", "-shm", ""}) {
        const QString file = path + QLatin1String(suffix);
        if (QFileInfo::exists(file) && !QFile::remove(file) && error.ok())
            error = DbError::make(jeterror::DiskError, QStringLiteral("The unfinished file '%1' cannot be "
                                                                      "deleted.")
                                                           .arg(QDir::toNativeSeparators(file)));
    }
    return error;
}

Database::~Database()
{
    if (m_server) {
        m_server.reset(); // an open transaction ends with the connection
        return;
    }
    if (m_transactionDepth > 0)
        runSql(m_handle, QStringLiteral("ROLLBACK"));
    sqlite3_close_v2(m_handle);
    m_users.reset();
}

// ---------------------------------------------------------------------------------------------------------------

DbError Database::describeConstraint(DbError error, int extendedCode, const QString& message)
{
    if (extendedCode != SQLITE_CONSTRAINT_CHECK)
        return error;
    // Our rules are named "Table.Field".
    const QString qualified = message.section(QLatin1Char(':'), 1).trimmed();
    const FieldDef def =
        field(qualified.section(QLatin1Char('.'), 0, 0), qualified.section(QLatin1Char('.'), 1));
    error.number = jeterror::ValidationRuleViolated;
    error.description = def.validationText.isEmpty() ? jetDescription(jeterror::ValidationRuleViolated,
                                                                      {def.validationRule, qualified})
                                                     : def.validationText;
    return error;
}

DbError Database::executeNative(const QString& sql, const QVariantList& values, qint64* rowsAffected)
{
    if (m_readOnly)
        return DbError::make(jeterror::ReadOnly, {}, sql);
    if (m_server)
        return serverExecute(sql, values, rowsAffected);
    SqliteStatement statement(m_handle, sql);
    if (!statement.isValid())
        return statement.error();
    if (!statement.bind(values))
        return statement.error();
    while (statement.step()) {
    }
    if (!statement.error().ok()) {
        const int extended = sqlite3_extended_errcode(m_handle);
        return describeConstraint(statement.error(), extended, QString::fromUtf8(sqlite3_errmsg(m_handle)));
    }
    if (rowsAffected)
        *rowsAffected = sqlite3_changes64(m_handle);
    return {};
}

DbError Database::execute(const QString& jetSql, const QVariantList& values, qint64* rowsAffected)
{
    const jetsql::TranslatedStatement translated = jetsql::translate(jetSql, dialect());
    if (!translated.error.ok())
        return translated.error;
    if (translated.kind == jetsql::StatementKind::Select ||
        translated.kind == jetsql::StatementKind::Crosstab)
        return DbError::make(3065, QStringLiteral("Cannot execute a select query."), jetSql);
    DbError error = executeNative(translated.sql, values, rowsAffected);
    if (!error.ok())
        error.statement = jetSql;
    return error;
}

std::unique_ptr<PreparedStatement> Database::prepare(const QString& jetSql, DbError& error)
{
    error = {};
    if (m_readOnly)
        return error = DbError::make(jeterror::ReadOnly, {}, jetSql), nullptr;
    const jetsql::TranslatedStatement translated = jetsql::translate(jetSql, dialect());
    if (!translated.error.ok())
        return error = translated.error, nullptr;
    if (translated.kind == jetsql::StatementKind::Select ||
        translated.kind == jetsql::StatementKind::Crosstab)
        return error = DbError::make(3065, QStringLiteral("Cannot execute a select query."), jetSql), nullptr;
    if (m_server)
        return std::make_unique<PreparedStatement>(*this, translated.sql, jetSql);
    auto statement = std::make_unique<SqliteStatement>(m_handle, translated.sql);
    if (!statement->isValid()) {
        error = statement->error();
        error.statement = jetSql;
        return nullptr;
    }
    return std::make_unique<PreparedStatement>(*this, std::move(statement), jetSql);
}

PreparedStatement::PreparedStatement(Database& database, std::unique_ptr<SqliteStatement> statement,
                                     QString jetSql)
    : m_database(database), m_statement(std::move(statement)), m_jetSql(std::move(jetSql))
{}

PreparedStatement::PreparedStatement(Database& database, QString serverSql, QString jetSql)
    : m_database(database), m_jetSql(std::move(jetSql)), m_serverSql(std::move(serverSql))
{}

PreparedStatement::~PreparedStatement() = default;

DbError PreparedStatement::run(const QVariantList& values, qint64* rowsAffected)
{
    if (!m_statement) {
        DbError error = m_database.serverExecute(m_serverSql, values, rowsAffected);
        if (!error.ok())
            error.statement = m_jetSql;
        return error;
    }
    m_statement->reset();
    if (!m_statement->bind(values))
        return m_statement->error();
    while (m_statement->step()) {
    }
    DbError error = m_statement->error();
    if (!error.ok()) {
        const int extended = sqlite3_extended_errcode(m_database.handle());
        error = m_database.describeConstraint(error, extended,
                                              QString::fromUtf8(sqlite3_errmsg(m_database.handle())));
        error.statement = m_jetSql;
        return error;
    }
    if (rowsAffected)
        *rowsAffected = sqlite3_changes64(m_database.handle());
    return {};
}

QString Database::sourceStatement(const QString& source, DbError& error)
{
    const QString jetSql = source.trimmed();
    if (jetSql.startsWith(QLatin1Char('&'))) {
        const QString stored = storedQuerySql(jetSql.mid(1).trimmed());
        if (stored.isEmpty())
            error = DbError::make(jeterror::TableNotFound,
                                  jetDescription(jeterror::TableNotFound, {source.mid(1)}), source);
        return stored;
    }
    if (isTableName(jetSql)) {
        // A bare name is a table, or else a stored query.
        const QString name = unbracket(jetSql);
        const QString stored = hasTable(name) ? QString() : storedQuerySql(name);
        return stored.isEmpty() ? QStringLiteral("SELECT * FROM [%1]").arg(name) : stored;
    }
    return jetSql;
}

QString Database::forwardSql(const jetsql::TranslatedStatement& translated, DbError& error)
{
    if (translated.kind == jetsql::StatementKind::Select) {
        // A plain SELECT of one table without an order gives its rows in the table's order, as the keyed
        // recordsets do, not in that of an index SQLite may choose to read instead.
        const jetsql::SelectParts& select = translated.select;
        if (select.orderBy.isEmpty() && select.groupBy.isEmpty() && !select.distinct &&
            !select.hasAggregates && !select.hasUnion && select.top < 0 && select.tables.size() == 1 &&
            !select.tables.first().isSubquery && hasTable(select.tables.first().name)) {
            const jetsql::TableReference& table = select.tables.first();
            jetsql::SelectParts ordered = select;
            ordered.orderBy = catalogue::quoteName(table.reference.isEmpty() ? table.name : table.reference) +
                              QStringLiteral(".rowid");
            return ordered.toSql();
        }
        return translated.sql;
    }
    if (translated.kind != jetsql::StatementKind::Crosstab) {
        error = DbError::make(3219, QStringLiteral("Invalid operation."));
        return {};
    }
    QVariantList values;
    if (translated.crosstab.fixedValues.isEmpty()) {
        SqliteStatement pivots(m_handle, jetsql::crosstabPivotValuesSql(translated.crosstab));
        while (pivots.step())
            values.append(pivots.value(0));
        error = pivots.error();
    }
    return error.ok() ? jetsql::crosstabSql(translated.crosstab, values) : QString();
}

QString Database::forwardSql(const QString& source, DbError& error)
{
    error = {};
    const QString jetSql = sourceStatement(source, error);
    if (!error.ok())
        return {};
    const jetsql::TranslatedStatement translated = jetsql::translate(jetSql);
    if (!translated.error.ok()) {
        error = translated.error;
        return {};
    }
    const QString sql = forwardSql(translated, error);
    if (!error.ok())
        error.statement = jetSql;
    return sql;
}

std::unique_ptr<Recordset> Database::openRecordset(const QString& source, RecordsetType type, DbError& error)
{
    error = {};
    if (type == RecordsetType::Table && m_server) {
        if (isTableName(source.trimmed()))
            return openTable(unbracket(source.trimmed()), QString(), error);
    }
    if (type == RecordsetType::Table) {
        if (isTableName(source.trimmed()))
            return openTable(unbracket(source.trimmed()), QString(), error);
        error = DbError::make(jeterror::InvalidOperation, {}, source);
        return nullptr;
    }
    const QString jetSql = sourceStatement(source, error);
    if (!error.ok())
        return nullptr;
    if (m_server)
        return serverRecordset(jetSql, type, error);

    const jetsql::TranslatedStatement translated = jetsql::translate(jetSql);
    if (!translated.error.ok()) {
        error = translated.error;
        return nullptr;
    }
    std::unique_ptr<Recordset::Source> rows;
    if (type == RecordsetType::ForwardOnly) {
        const QString sql = forwardSql(translated, error);
        if (error.ok())
            rows = ForwardSource::create(*this, sql, error);
    } else if (translated.kind == jetsql::StatementKind::Select) {
        rows = KeyedSource::create(*this, translated.select, type == RecordsetType::Dynaset, error);
        if (!rows && error.ok())
            rows = SteppedSource::create(*this, translated.sql, error);
    } else {
        const QString sql = forwardSql(translated, error);
        if (error.ok())
            rows = SteppedSource::create(*this, sql, error);
    }
    if (!rows) {
        error.statement = jetSql;
        return nullptr;
    }
    return std::make_unique<Recordset>(*this, type, jetSql, std::move(rows));
}

std::unique_ptr<Recordset> Database::openTable(const QString& table, const QString& index, DbError& error)
{
    error = {};
    if (m_server)
        return ServerSource::openTable(*this, unbracket(table), index, error);
    auto rows = KeyedSource::createTable(*this, unbracket(table), index, error);
    if (!rows)
        return nullptr;
    return std::make_unique<Recordset>(*this, RecordsetType::Table, unbracket(table), std::move(rows));
}

// ---------------------------------------------------------------------------------------------------------------

QList<TableInfo> Database::tables()
{
    if (m_server)
        return serverTables();
    QList<TableInfo> result;
    SqliteStatement statement(m_handle,
                              QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' AND "
                                             "substr(name, 1, 7) <> 'sqlite_' ORDER BY name COLLATE NOCASE"));
    while (statement.step())
        result.append({statement.value(0).toString(), !m_readOnly});
    for (const QString& linked : std::as_const(m_linked))
        result.append({linked, !m_readOnly});
    return result;
}

bool Database::hasTable(const QString& name)
{
    if (m_server) {
        const QString wanted = unbracket(name);
        const QList<TableInfo> all = serverTables();
        return std::any_of(all.cbegin(), all.cend(), [&](const TableInfo& table) {
            return table.name.compare(wanted, Qt::CaseInsensitive) == 0;
        });
    }
    SqliteStatement statement(m_handle, QStringLiteral("SELECT 1 FROM sqlite_master WHERE type = 'table' AND "
                                                       "name = ? COLLATE NOCASE"));
    statement.bind({unbracket(name)});
    return statement.step();
}

QString Database::storedQuerySql(const QString& name)
{
    if (m_server)
        return serverStoredQuerySql(name);
    SqliteStatement saved(
        m_handle, QStringLiteral("SELECT \"SQL\" FROM \"MSysQueries\" WHERE \"Name\" = ? COLLATE NOCASE"));
    if (saved.isValid()) {
        saved.bind({name});
        if (saved.step())
            return saved.value(0).toString();
    }
    // A view made by another tool: its SELECT as written.
    SqliteStatement view(m_handle, QStringLiteral("SELECT sql FROM sqlite_master WHERE type = 'view' AND "
                                                  "name = ? COLLATE NOCASE"));
    view.bind({name});
    if (!view.step())
        return {};
    static const QRegularExpression as(QStringLiteral(R"(\bAS\s+)"),
                                       QRegularExpression::CaseInsensitiveOption);
    const QString sql = view.value(0).toString();
    const QRegularExpressionMatch m = as.match(sql);
    return m.hasMatch() ? sql.mid(m.capturedEnd()).trimmed() : QString();
}

DbError Database::createStoredQuery(const QString& name, const QString& jetSql)
{
    const jetsql::TranslatedStatement translated = jetsql::translate(jetSql, dialect());
    if (!translated.error.ok())
        return translated.error;
    if (translated.kind != jetsql::StatementKind::Select)
        return DbError::make(jeterror::InvalidOperation, {}, jetSql);
    if (m_server)
        return serverCreateStoredQuery(name, translated, jetSql);
    Transaction transaction(*this);
    if (!transaction.error().ok())
        return transaction.error();
    DbError error =
        executeNative(QStringLiteral("CREATE TABLE IF NOT EXISTS \"MSysQueries\" (\"Name\" VARCHAR(64) "
                                     "PRIMARY KEY COLLATE NOCASE, \"SQL\" LONGTEXT)"),
                      {});
    if (error.ok())
        error =
            executeNative(QStringLiteral("CREATE VIEW %1 AS %2").arg(quoteName(name), translated.sql), {});
    if (error.ok())
        error = executeNative(
            QStringLiteral("INSERT OR REPLACE INTO \"MSysQueries\" (\"Name\", \"SQL\") VALUES (?, ?)"),
            {name, jetSql});
    return error.ok() ? transaction.commit() : error;
}

const QList<FieldDef>& Database::catalogueFor(const QString& table)
{
    const QString key = table.toLower();
    auto it = m_catalogue.find(key);
    if (it == m_catalogue.end())
        it = m_catalogue.insert(key, m_server ? serverFields(table) : catalogue::readFields(m_handle, table));
    return it.value();
}

QList<FieldDef> Database::fields(const QString& table)
{
    return catalogueFor(unbracket(table));
}

FieldDef Database::field(const QString& table, const QString& name)
{
    const QString wanted = unbracket(name);
    for (const FieldDef& f : catalogueFor(unbracket(table))) {
        if (f.name.compare(wanted, Qt::CaseInsensitive) == 0)
            return f;
    }
    return {};
}

void Database::reloadCatalogue()
{
    m_catalogue.clear();
}

QList<std::pair<QString, QVariant>> Database::defaultsOfOtherFields(const QString& table,
                                                                    const QStringList& givenFields)
{
    QList<std::pair<QString, QVariant>> defaults;
    for (const FieldDef& field : catalogueFor(unbracket(table))) {
        if (field.autoNumber || givenFields.contains(field.name, Qt::CaseInsensitive))
            continue;
        const QVariant value = jetvalue::evaluateDefault(field);
        if (!value.isValid())
            continue;
        DbError error;
        const QVariant stored = jetvalue::toStorage(value, field.type, error);
        if (error.ok() && stored.isValid())
            defaults.append({field.name, stored});
    }
    return defaults;
}

DbError Database::createTables(const QList<TableDef>& tables, Indexes indexes)
{
    if (m_server)
        return serverCreateTables(tables, indexes);
    Transaction transaction(*this);
    if (!transaction.error().ok())
        return transaction.error();
    DbError error = executeNative(catalogue::createCatalogueSql(), {});
    for (const TableDef& table : tables) {
        if (error.ok())
            error = executeNative(catalogue::createTableSql(table), {});
        if (error.ok() && indexes == Indexes::WithTables)
            error = createIndexes({table});
        for (int i = 0; i < table.fields.size() && error.ok(); ++i) {
            FieldDef row = table.fields.at(i);
            row.table = table.name;
            if (row.position == 0)
                row.position = i + 1;
            error = executeNative(catalogue::insertCatalogueRowSql(), catalogue::catalogueRow(row));
        }
        const QStringList numbering = catalogue::createNumberingSql(table);
        for (const QString& trigger : numbering) {
            if (error.ok())
                error = executeNative(trigger, {});
        }
    }
    reloadCatalogue();
    return error.ok() ? transaction.commit() : error;
}

DbError Database::createIndexes(const QList<TableDef>& tables)
{
    if (m_server)
        return serverCreateIndexes(tables);
    for (const TableDef& table : tables) {
        for (const QString& index : catalogue::createIndexSql(table)) {
            if (DbError error = executeNative(index, {}))
                return error;
        }
    }
    return {};
}

void Database::setBulkLoad(bool on)
{
    if (m_server)
        return; // the server keeps its own cache
    // Negative sizes are in KiB: 256 MiB while loading, SQLite's default 2 MB otherwise.
    runSql(m_handle,
           on ? QStringLiteral("PRAGMA cache_size = -262144") : QStringLiteral("PRAGMA cache_size = -2000"));
}

DbError Database::ensureTables(const QList<TableDef>& tables)
{
    QList<TableDef> missing;
    QStringList numbering;
    for (const TableDef& table : tables) {
        // What was brought up to date once stays so for the whole session: callers ask on every write.
        if (m_ensured.contains(table.name.toLower()))
            continue;
        if (!hasTable(table.name)) {
            missing.append(table);
            continue;
        }
        if (m_server) {
            const QStringList names = catalogue::numberingNames(table);
            const QStringList statements =
                pgschema::createNumberingSql(table); // a function and its trigger each
            for (qsizetype i = 0; i < names.size(); ++i) {
                PgRows found;
                m_server->execute(QStringLiteral("SELECT 1 FROM pg_trigger WHERE tgname = ?"),
                                  {names.at(i).toLower()}, &found);
                if (found.rows.isEmpty())
                    numbering << statements.at(2 * i) << statements.at(2 * i + 1);
            }
            continue;
        }
        const QStringList names = catalogue::numberingNames(table);
        const QStringList statements = catalogue::createNumberingSql(table);
        for (qsizetype i = 0; i < names.size(); ++i) {
            SqliteStatement found(m_handle,
                                  QStringLiteral("SELECT 1 FROM sqlite_master WHERE type = 'trigger' "
                                                 "AND name = ?"));
            found.bind({names.at(i)});
            if (!found.step())
                numbering.append(statements.at(i));
        }
    }
    if (missing.isEmpty() && numbering.isEmpty()) {
        // Found complete: a rollback (which could take back what an earlier call made) forgets this.
        for (const TableDef& table : tables)
            m_ensured.insert(table.name.toLower());
        return {};
    }
    Transaction transaction(*this);
    if (!transaction.error().ok())
        return transaction.error();
    DbError error = missing.isEmpty() ? DbError{} : createTables(missing);
    for (const QString& trigger : std::as_const(numbering)) {
        if (error.ok())
            error = executeNative(trigger, {});
    }
    // A table made now has its relation fields kept as references at once.
    if (error.ok() && !missing.isEmpty())
        error = ensureReferences();
    return error.ok() ? transaction.commit() : error;
}

// ---------------------------------------------------------------------------------------------------------------

DbError Database::beginTransaction()
{
    if (m_readOnly)
        return DbError::make(jeterror::ReadOnly);
    if (m_transactionDepth == 0) {
        const DbError error = m_server ? serverExecute(QStringLiteral("BEGIN"), {})
                                       : runSql(m_handle, QStringLiteral("BEGIN IMMEDIATE"));
        if (!error.ok())
            return error;
    }
    ++m_transactionDepth;
    return {};
}

DbError Database::commit()
{
    if (m_transactionDepth == 0)
        return DbError::make(3034,
                             QStringLiteral("You tried to commit or rollback a transaction without first "
                                            "beginning a transaction."));
    if (m_transactionDepth == 1) {
        const DbError error = m_server ? serverExecute(QStringLiteral("COMMIT"), {})
                                       : runSql(m_handle, QStringLiteral("COMMIT"));
        if (!error.ok())
            return error; // still open: the caller may retry the commit or roll back
    }
    --m_transactionDepth;
    return {};
}

void Database::rollback()
{
    if (m_transactionDepth > 0 && m_server)
        serverExecute(QStringLiteral("ROLLBACK"), {});
    else if (m_transactionDepth > 0)
        runSql(m_handle, QStringLiteral("ROLLBACK"));
    m_transactionDepth = 0;
    m_ensured.clear();
}

DbError Database::takeCounter(const QString& parameterClass, qint64& value)
{
    value = 0;
    if (m_server)
        return serverTakeCounter(parameterClass, value);
    Transaction transaction(*this);
    if (!transaction.error().ok())
        return transaction.error();
    SqliteStatement statement(
        m_handle,
        QStringLiteral("UPDATE \"Parametros\" SET \"Contenido\" = "
                       "CAST(CAST(replace(ifnull(\"Contenido\", '0'), ',', '') AS INTEGER) + 1 AS TEXT) "
                       "WHERE rowid = (SELECT rowid FROM \"Parametros\" WHERE \"Clase\" = ? "
                       "ORDER BY \"Secuen\", rowid LIMIT 1) RETURNING \"Contenido\""));
    if (!statement.isValid())
        return statement.error();
    statement.bind({parameterClass});
    if (statement.step())
        value = statement.value(0).toLongLong();
    while (statement.step()) {
    }
    if (!statement.error().ok())
        return statement.error();
    return transaction.commit();
}

DbError Database::linkTable(const QString& table, const QString& databasePath)
{
    if (m_server)
        return DbError::make(jeterror::OperationNotSupported, {}, table);
    if (hasTable(table))
        return DbError::make(3012, QStringLiteral("Object '%1' already exists.").arg(table));
    if (!QFileInfo(databasePath).isFile())
        return fileError(jeterror::FileNotFound, databasePath);
    const QString schema = QStringLiteral("linked%1").arg(m_linked.size() + 1);
    if (DbError error = executeNative(QStringLiteral("ATTACH DATABASE ? AS ") + schema, {databasePath}))
        return error;
    SqliteStatement found(m_handle, QStringLiteral("SELECT 1 FROM ") + schema +
                                        QStringLiteral(".sqlite_master WHERE type = 'table' AND name = ? "
                                                       "COLLATE NOCASE"));
    found.bind({table});
    if (!found.step()) {
        const DbError error =
            found.error().ok()
                ? DbError::make(jeterror::TableNotFound, jetDescription(jeterror::TableNotFound, {table}))
                : found.error();
        runSql(m_handle, QStringLiteral("DETACH DATABASE ") + schema);
        return error;
    }
    runSql(m_handle, QStringLiteral("PRAGMA ") + schema + QStringLiteral(".journal_mode=DELETE"));
    m_linked.append(table);
    return {};
}

DbError Database::quickCheck(int timeLimitMs)
{
    if (m_server)
        return {}; // the server looks after its own files
    QDeadlineTimer deadline(timeLimitMs);
    sqlite3_progress_handler(m_handle, ProgressSteps, &stopAtDeadline, &deadline);
    QStringList findings;
    SqliteStatement check(m_handle, QStringLiteral("PRAGMA quick_check(%1)").arg(QuickCheckFindings));
    while (check.step())
        findings.append(check.value(0).toString().simplified());
    sqlite3_progress_handler(m_handle, 0, nullptr, nullptr);
    // Stopped at the deadline, or by anything else than damage: nothing was found.
    if (!check.error().ok() && check.error().number != jeterror::CorruptDatabase)
        return {};
    if (check.error().ok() && findings == QStringList{QStringLiteral("ok")})
        return {};
    if (findings.isEmpty())
        findings.append(QStringLiteral("the file cannot be read"));
    return DbError::make(jeterror::CorruptDatabase,
                         jetDescription(jeterror::CorruptDatabase, {QDir::toNativeSeparators(m_path)}) +
                             QStringLiteral(" Quick check: ") + findings.join(QStringLiteral("; ")));
}

void Database::refresh()
{
    if (m_server)
        return; // what a server commits is written
    runSql(m_handle, QStringLiteral("PRAGMA wal_checkpoint(PASSIVE)"));
}

// ---------------------------------------------------------------------------------------------------------------

Transaction::Transaction(Database& database) : m_database(database)
{
    m_error = m_database.beginTransaction();
    m_open = m_error.ok();
}

Transaction::~Transaction()
{
    if (m_open)
        m_database.rollback();
}

DbError Transaction::commit()
{
    if (!m_open)
        return m_error;
    const DbError error = m_database.commit();
    if (error.ok())
        m_open = false;
    return error;
}

} // namespace quelmar::db
