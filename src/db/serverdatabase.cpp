// The database on a PostgreSQL server: the members of Database that differ from a file's.

#include "db/catalogue.h"
#include "db/database.h"
#include "db/jetvalue.h"
#include "db/pgconnection.h"
#include "db/pgschema.h"
#include "db/recordset.h"
#include "db/serversource.h"
#include "db/usersfile.h"

#include <QUrl>

namespace quelmar::db {

namespace {

QString name(const QString& text)
{
    return jetsql::identifier(text, jetsql::Dialect::PostgreSQL);
}

// The database a URI names ("postgresql://host/office" names "office").
QString databaseOf(const QString& uri)
{
    return QUrl(PgConnection::serverUri(uri)).path().mid(1);
}

// The tables of the database's schema, by the server's names.
QString tablesOfSchemaSql()
{
    return QStringLiteral("SELECT c.relname FROM pg_class c JOIN pg_namespace n ON n.oid = c.relnamespace "
                          "WHERE c.relkind IN ('r', 'p') AND n.nspname = current_schema()");
}

bool isOffice(PgConnection& server)
{
    PgRows rows;
    return server.execute(QStringLiteral("SELECT to_regclass('msysfields') IS NOT NULL"), {}, &rows).ok() &&
           rows.rows.value(0).value(0).toLongLong() != 0;
}

// A field's type told from the server's column type, for a column the catalogue does not describe.
int typeFromServer(const QString& type)
{
    if (type == QLatin1String("smallint"))
        return jettype::Integer;
    if (type == QLatin1String("integer") || type == QLatin1String("bigint"))
        return jettype::Long;
    if (type.startsWith(QLatin1String("double")) || type == QLatin1String("real") ||
        type.startsWith(QLatin1String("numeric")))
        return jettype::Double;
    if (type.startsWith(QLatin1String("timestamp")) || type == QLatin1String("date"))
        return jettype::Date;
    return jettype::Text;
}

} // namespace

std::unique_ptr<Database> Database::openServer(const QString& uri, const OpenOptions& options, DbError& error)
{
    std::unique_ptr<Database> database(new Database);
    database->m_server = PgConnection::open(uri, error);
    if (!database->m_server)
        return nullptr;
    if (!isOffice(*database->m_server)) {
        error =
            DbError::make(jeterror::UnrecognizedFormat,
                          jetDescription(jeterror::UnrecognizedFormat, {PgConnection::withoutPassword(uri)}) +
                              QStringLiteral(" The database on the server holds no office."));
        return nullptr;
    }
    if (options.readOnly)
        database->m_server->execute(QStringLiteral("SET default_transaction_read_only = on"));
    database->m_path = uri;
    database->m_readOnly = options.readOnly;
    return database;
}

std::unique_ptr<Database> Database::createServer(const QString& uri, DbError& error)
{
    std::unique_ptr<Database> database(new Database);
    database->m_server = PgConnection::open(uri, error);
    if (!database->m_server && error.number == jeterror::FileNotFound) {
        // The server is there but not the database: it is made, owned by the user the URI names.
        DbError adminError;
        auto admin = PgConnection::open(uri, adminError, QStringLiteral("postgres"));
        if (!admin)
            return error = adminError, nullptr;
        error = admin->execute(QStringLiteral("CREATE DATABASE %1 TEMPLATE template0 ENCODING 'UTF8'")
                                   .arg(catalogue::quoteName(databaseOf(uri))));
        if (!error.ok())
            return nullptr;
        database->m_madeServerDatabase = true;
        database->m_server = PgConnection::open(uri, error);
    }
    if (!database->m_server)
        return nullptr;
    if (isOffice(*database->m_server)) {
        error = DbError::make(
            3204, QStringLiteral("Database '%1' already exists.").arg(PgConnection::withoutPassword(uri)));
        return nullptr;
    }
    PgRows before;
    error = database->m_server->execute(tablesOfSchemaSql(), {}, &before);
    if (!error.ok())
        return nullptr;
    for (const QVariantList& row : std::as_const(before.rows))
        database->m_serverTablesBefore.insert(row.value(0).toString().toLower());
    error = database->m_server->executeAll(pgschema::functionsSql() + pgschema::createCatalogueSql());
    if (!error.ok())
        return nullptr;
    database->m_path = uri;
    return database;
}

DbError Database::discardServer(std::unique_ptr<Database> database)
{
    const QString uri = database->m_path;
    if (database->m_madeServerDatabase) {
        database.reset(); // the database cannot be dropped while connected to
        DbError error;
        auto admin = PgConnection::open(uri, error, QStringLiteral("postgres"));
        if (!admin)
            return error;
        return admin->execute(
            QStringLiteral("DROP DATABASE IF EXISTS %1").arg(catalogue::quoteName(databaseOf(uri))));
    }
    database->rollback();
    PgRows now;
    DbError error = database->m_server->execute(tablesOfSchemaSql(), {}, &now);
    for (const QVariantList& row : std::as_const(now.rows)) {
        const QString table = row.value(0).toString();
        if (error.ok() && !database->m_serverTablesBefore.contains(table.toLower()))
            error = database->m_server->execute(
                QStringLiteral("DROP TABLE IF EXISTS %1 CASCADE").arg(name(table)));
    }
    return error;
}

DbError Database::serverExecute(const QString& sql, const QVariantList& values, qint64* rowsAffected,
                                PgRows* rows)
{
    const bool alone =
        m_transactionDepth > 0 && sql != QLatin1String("COMMIT") && sql != QLatin1String("ROLLBACK");
    if (alone) {
        if (DbError error = m_server->execute(QStringLiteral("SAVEPOINT quelmar_statement")))
            return error;
    }
    DbError error = m_server->execute(sql, values, rows, rowsAffected);
    if (alone) {
        m_server->execute(error.ok() ? QStringLiteral("RELEASE SAVEPOINT quelmar_statement")
                                     : QStringLiteral("ROLLBACK TO SAVEPOINT quelmar_statement"));
    }
    return error.ok() ? error : serverConstraint(error);
}

DbError Database::serverConstraint(DbError error)
{
    if (error.number != jeterror::ValidationRuleViolated)
        return error;
    // Our rules are named "tabla.campo".
    const QString qualified = m_server->lastConstraint();
    const FieldDef def =
        field(qualified.section(QLatin1Char('.'), 0, 0), qualified.section(QLatin1Char('.'), 1));
    if (def.name.isEmpty())
        return error;
    error.description = def.validationText.isEmpty()
                            ? jetDescription(jeterror::ValidationRuleViolated,
                                             {def.validationRule, def.table + QLatin1Char('.') + def.name})
                            : def.validationText;
    return error;
}

std::unique_ptr<Recordset> Database::serverRecordset(const QString& jetSql, RecordsetType type,
                                                     DbError& error)
{
    const jetsql::TranslatedStatement translated = jetsql::translate(jetSql, jetsql::Dialect::PostgreSQL);
    if (!translated.error.ok()) {
        error = translated.error;
        return nullptr;
    }
    QString sql = translated.sql;
    const jetsql::SelectParts* select = nullptr;
    bool inOneOrder = false;
    const bool updatable = (type == RecordsetType::Dynaset || type == RecordsetType::Table) && !m_readOnly;
    int hidden = 0;
    QStringList columnNames;
    if (translated.kind == jetsql::StatementKind::Select) {
        select = &translated.select;
        const jetsql::SelectParts& parts = translated.select;
        // In the order asked for, ties broken by the tables' keys (a table without one: by the rows' places),
        // so that ties come in the order the rows were written, as a file gives them. One table without an
        // order comes in its key's order; tables joined without an order come as the server finds them. Rows
        // in one fixed order are read a window at a time.
        const bool plainRows = parts.groupBy.isEmpty() && !parts.distinct && !parts.hasAggregates &&
                               !parts.hasUnion && !parts.tables.isEmpty() &&
                               std::none_of(parts.tables.cbegin(), parts.tables.cend(),
                                            [](const jetsql::TableReference& t) { return t.isSubquery; });
        const bool oneTable = parts.tables.size() == 1;
        if (plainRows && (oneTable || !parts.orderBy.isEmpty())) {
            QStringList key;
            bool everyTableKeyed = true;
            for (const jetsql::TableReference& table : parts.tables) {
                const QString qualifier =
                    name(table.reference.isEmpty() ? table.name : table.reference) + QLatin1Char('.');
                const qsizetype before = key.size();
                for (const FieldDef& f : fields(table.name)) {
                    if (f.autoNumber)
                        key << qualifier + name(f.name);
                }
                if (key.size() == before && !parts.orderBy.isEmpty())
                    key << qualifier + QStringLiteral("ctid");
                everyTableKeyed = everyTableKeyed && key.size() > before;
            }
            jetsql::SelectParts run = parts;
            if (!key.isEmpty()) {
                run.orderBy = (parts.orderBy.isEmpty() ? QString() : parts.orderBy + QStringLiteral(", ")) +
                              key.join(QStringLiteral(", "));
                inOneOrder = parts.top < 0 && everyTableKeyed;
            }
            // What finds each row again for writing, when the statement does not show it.
            if (updatable && oneTable)
                hidden = ServerSource::addRowKey(*this, run);
            if (!key.isEmpty() || hidden > 0)
                sql = run.toSql();
        }
    } else if (translated.kind == jetsql::StatementKind::Crosstab) {
        QVariantList values;
        if (translated.crosstab.fixedValues.isEmpty()) {
            PgRows pivots;
            error = m_server->execute(
                jetsql::crosstabPivotValuesSql(translated.crosstab, jetsql::Dialect::PostgreSQL), {},
                &pivots);
            if (!error.ok()) {
                error.statement = jetSql;
                return nullptr;
            }
            for (const QVariantList& row : std::as_const(pivots.rows))
                values << row.value(0);
        }
        sql = jetsql::crosstabSql(translated.crosstab, values, jetsql::Dialect::PostgreSQL, &columnNames);
    } else {
        error = DbError::make(jeterror::InvalidOperation, {}, jetSql);
        return nullptr;
    }
    auto rows = ServerSource::create(*this, sql, select, updatable, inOneOrder, error, hidden, columnNames);
    if (!rows) {
        error.statement = jetSql;
        return nullptr;
    }
    return std::make_unique<Recordset>(*this, type, jetSql, std::move(rows));
}

QList<TableInfo> Database::serverTables()
{
    // The catalogue keeps the names as they were given; the server's are in lower case.
    QHash<QString, QString> given{{QStringLiteral("msysfields"), QStringLiteral("MSysFields")},
                                  {QStringLiteral("msysqueries"), QStringLiteral("MSysQueries")}};
    PgRows rows;
    if (m_server
            ->execute(QStringLiteral("SELECT DISTINCT CAST(\"tablename\" AS text) FROM \"msysfields\""), {},
                      &rows)
            .ok()) {
        for (const QVariantList& row : std::as_const(rows.rows))
            given.insert(row.value(0).toString().toLower(), row.value(0).toString());
    }
    QList<TableInfo> result;
    if (!m_server
             ->execute(QStringLiteral(
                           "SELECT c.relname FROM pg_class c JOIN pg_namespace n ON n.oid = c.relnamespace "
                           "WHERE c.relkind IN ('r', 'p') AND n.nspname = current_schema()"),
                       {}, &rows)
             .ok())
        return result;
    for (const QVariantList& row : std::as_const(rows.rows)) {
        const QString table = row.value(0).toString();
        result.append({given.value(table, table), !m_readOnly});
    }
    std::sort(result.begin(), result.end(), [](const TableInfo& a, const TableInfo& b) {
        return a.name.compare(b.name, Qt::CaseInsensitive) < 0;
    });
    return result;
}

QString Database::serverStoredQuerySql(const QString& queryName)
{
    PgRows rows;
    if (!m_server
             ->execute(QStringLiteral("SELECT \"sql\" FROM \"msysqueries\" WHERE \"name\" = ?"), {queryName},
                       &rows)
             .ok())
        return {};
    return rows.rows.value(0).value(0).toString();
}

DbError Database::serverCreateStoredQuery(const QString& queryName,
                                          const jetsql::TranslatedStatement& translated,
                                          const QString& jetSql)
{
    Transaction transaction(*this);
    if (!transaction.error().ok())
        return transaction.error();
    DbError error = serverExecute(
        QStringLiteral("CREATE OR REPLACE VIEW %1 AS %2").arg(name(queryName), translated.sql), {});
    if (error.ok())
        error = serverExecute(
            QStringLiteral("INSERT INTO \"msysqueries\" (\"name\", \"sql\") VALUES (?, ?) ON CONFLICT "
                           "(\"name\") DO UPDATE SET \"sql\" = EXCLUDED.\"sql\""),
            {queryName, jetSql});
    return error.ok() ? transaction.commit() : error;
}

QList<FieldDef> Database::serverFields(const QString& table)
{
    QList<FieldDef> fields;
    PgRows columns;
    if (!m_server
             ->execute(
                 QStringLiteral("SELECT a.attname, format_type(a.atttypid, a.atttypmod), a.attnotnull, "
                                "a.attidentity <> '' FROM pg_attribute a WHERE a.attrelid = to_regclass(?) "
                                "AND a.attnum > 0 AND NOT a.attisdropped ORDER BY a.attnum"),
                 {name(table)}, &columns)
             .ok())
        return fields;
    for (const QVariantList& column : std::as_const(columns.rows)) {
        FieldDef field;
        field.table = table;
        field.name = column.value(0).toString();
        field.position = int(fields.size()) + 1;
        field.type = typeFromServer(column.value(1).toString());
        field.size = field.type == jettype::Text ? 255 : 0;
        field.required = column.value(2).toLongLong() != 0;
        field.autoNumber = column.value(3).toLongLong() != 0;
        fields.append(field);
    }
    PgRows rows;
    if (!m_server
             ->execute(
                 QStringLiteral("SELECT CAST(\"tablename\" AS text), CAST(\"fieldname\" AS text), \"type\", "
                                "\"size\", CAST(\"defaultvalue\" AS text), CAST(\"validationrule\" AS text), "
                                "CAST(\"validationtext\" AS text), \"required\", \"allowzerolength\" FROM "
                                "\"msysfields\" WHERE \"tablename\" = ?"),
                 {table}, &rows)
             .ok())
        return fields;
    for (const QVariantList& row : std::as_const(rows.rows)) {
        for (FieldDef& field : fields) {
            if (field.name.compare(row.value(1).toString(), Qt::CaseInsensitive) != 0)
                continue;
            // The names as they were given, not as the server folded them.
            field.table = row.value(0).toString();
            field.name = row.value(1).toString();
            if (row.value(2).isValid())
                field.type = int(row.value(2).toLongLong());
            if (row.value(3).isValid())
                field.size = int(row.value(3).toLongLong());
            field.defaultValue = row.value(4).toString();
            field.validationRule = row.value(5).toString();
            field.validationText = row.value(6).toString();
            if (row.value(7).isValid())
                field.required = row.value(7).toLongLong() != 0;
            if (row.value(8).isValid())
                field.allowZeroLength = row.value(8).toLongLong() != 0;
        }
    }
    return fields;
}

DbError Database::serverCreateTables(const QList<TableDef>& tables, Indexes indexes)
{
    Transaction transaction(*this);
    if (!transaction.error().ok())
        return transaction.error();
    DbError error;
    for (const QString& statement : pgschema::createCatalogueSql()) {
        if (error.ok())
            error = serverExecute(statement, {});
    }
    for (const TableDef& table : tables) {
        if (error.ok())
            error = serverExecute(pgschema::createTableSql(table), {});
        if (error.ok() && indexes == Indexes::WithTables)
            error = serverCreateIndexes({table});
        for (int i = 0; i < table.fields.size() && error.ok(); ++i) {
            FieldDef row = table.fields.at(i);
            row.table = table.name;
            if (row.position == 0)
                row.position = i + 1;
            error = serverExecute(pgschema::insertCatalogueRowSql(), catalogue::catalogueRow(row));
        }
        for (const QString& statement : pgschema::createNumberingSql(table)) {
            if (error.ok())
                error = serverExecute(statement, {});
        }
    }
    reloadCatalogue();
    return error.ok() ? transaction.commit() : error;
}

DbError Database::serverCreateIndexes(const QList<TableDef>& tables)
{
    for (const TableDef& table : tables) {
        for (const QString& index : pgschema::createIndexSql(table)) {
            if (DbError error = serverExecute(index, {}))
                return error;
        }
    }
    return {};
}

DbError Database::serverTakeCounter(const QString& parameterClass, qint64& value)
{
    // One statement takes the row's lock and writes the new number: a second workstation waits for the first
    // one's transaction and then adds one to what it wrote. Inside the payment's transaction the lock lasts
    // until the payment is written, so no two payments get the same number.
    Transaction transaction(*this);
    if (!transaction.error().ok())
        return transaction.error();
    PgRows rows;
    const DbError error = serverExecute(
        QStringLiteral(
            "UPDATE \"parametros\" SET \"contenido\" = CAST(CAST(replace(coalesce(CAST(\"contenido\" AS "
            "text), '0'), ',', '') AS bigint) + 1 AS text) WHERE \"clase\" = ? AND \"secuen\" IS NOT "
            "DISTINCT FROM (SELECT min(\"secuen\") FROM \"parametros\" WHERE \"clase\" = ?) RETURNING "
            "CAST(\"contenido\" AS bigint)"),
        {parameterClass, parameterClass}, nullptr, &rows);
    if (!error.ok())
        return error;
    value = rows.rows.value(0).value(0).toLongLong();
    return transaction.commit();
}

} // namespace quelmar::db
