#include "db/databasecopy.h"

#include "db/database.h"
#include "db/filemaintenance.h"
#include "db/jetvalue.h"
#include "db/pgconnection.h"
#include "db/recordset.h"
#include "db/rowcursor.h"
#include "db/sqlitestatement.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace quelmar::db {

namespace {

bool isCatalogue(const QString& table)
{
    return table.startsWith(QLatin1String("MSys"), Qt::CaseInsensitive);
}

// The catalogue's name of a field, given the server's lower-case one.
QString fieldNamed(const QList<FieldDef>& fields, const QString& name)
{
    for (const FieldDef& field : fields) {
        if (field.name.compare(name, Qt::CaseInsensitive) == 0)
            return field.name;
    }
    return name;
}

// The indexes of a table as they were made from its description (names without the table's prefix).
QList<IndexDef> indexesOf(Database& database, const QString& table, const QList<FieldDef>& fields)
{
    QList<IndexDef> indexes;
    const QString prefix = table + QLatin1Char('.');
    const auto plainName = [&](const QString& name) {
        return name.startsWith(prefix, Qt::CaseInsensitive) ? name.mid(prefix.size()) : name;
    };
    if (database.isServer()) {
        // The server keeps its names in lower case and the name as it was given in the index's comment; an
        // index made without one is most likely named after a field.
        PgRows rows;
        database.server()->execute(
            QStringLiteral(
                "SELECT i.relname, ix.indisunique, ix.indisprimary, array_to_string(ARRAY(SELECT a.attname "
                "FROM unnest(ix.indkey) WITH ORDINALITY AS k(n, o) JOIN pg_attribute a ON a.attrelid = "
                "ix.indrelid AND a.attnum = k.n ORDER BY k.o), ','), obj_description(i.oid, 'pg_class') "
                "FROM pg_index ix JOIN pg_class i ON i.oid = ix.indexrelid WHERE ix.indrelid = "
                "to_regclass(?) "
                "ORDER BY i.relname"),
            {jetsql::identifier(table, jetsql::Dialect::PostgreSQL)}, &rows);
        for (const QVariantList& row : std::as_const(rows.rows)) {
            IndexDef index;
            index.unique = row.value(1).toLongLong() != 0;
            index.primary = row.value(2).toLongLong() != 0;
            const QString serverName = plainName(row.value(0).toString());
            const QString given = row.value(4).toString();
            index.name = index.primary ? QStringLiteral("PrimaryKey")
                         : given.compare(serverName, Qt::CaseInsensitive) == 0
                             ? given
                             : fieldNamed(fields, serverName);
            for (const QString& name : row.value(3).toString().split(QLatin1Char(','), Qt::SkipEmptyParts))
                index.fields << fieldNamed(fields, name);
            indexes << index;
        }
        return indexes;
    }
    SqliteStatement list(database.handle(),
                         QStringLiteral("SELECT name, \"unique\", origin FROM pragma_index_list(?)"));
    list.bind({table});
    while (list.step()) {
        IndexDef index;
        const QString name = list.value(0).toString();
        index.unique = list.int64(1) != 0;
        index.primary = list.value(2).toString() == QLatin1String("pk");
        index.name = index.primary ? QStringLiteral("PrimaryKey") : plainName(name);
        SqliteStatement columns(database.handle(),
                                QStringLiteral("SELECT name FROM pragma_index_info(?) ORDER BY seqno"));
        columns.bind({name});
        while (columns.step())
            index.fields << fieldNamed(fields, columns.value(0).toString());
        indexes << index;
    }
    return indexes;
}

// The fields of a table that the database numbers within a group (numberedWithin), told from their numbering
// triggers: the catalogue table does not keep them. Each trigger is named "Table.Field numbering" and picks
// its group with "WHERE group IS NEW.group" (IS NOT DISTINCT FROM on a server).
void readNumbering(Database& database, const QString& table, QList<FieldDef>& fields)
{
    static const QRegularExpression group(
        QStringLiteral(R"re(WHERE\s+"((?:[^"]|"")+)"\s+IS\s+(?:NOT\s+DISTINCT\s+FROM\s+)?NEW\.)re"),
        QRegularExpression::CaseInsensitiveOption);
    for (FieldDef& field : fields) {
        const QString trigger = table + QLatin1Char('.') + field.name + QStringLiteral(" numbering");
        QString body;
        if (database.isServer()) {
            PgRows rows;
            database.server()->execute(
                QStringLiteral("SELECT p.prosrc FROM pg_trigger t JOIN pg_proc p ON p.oid = t.tgfoid "
                               "WHERE t.tgrelid = to_regclass(?) AND NOT t.tgisinternal AND t.tgname = ?"),
                {jetsql::identifier(table, jetsql::Dialect::PostgreSQL), trigger.toLower()}, &rows);
            body = rows.rows.value(0).value(0).toString();
        } else {
            SqliteStatement found(database.handle(),
                                  QStringLiteral("SELECT sql FROM sqlite_master WHERE type = 'trigger' "
                                                 "AND name = ? COLLATE NOCASE"));
            found.bind({trigger});
            if (found.step())
                body = found.value(0).toString();
        }
        const QRegularExpressionMatch match = group.match(body);
        if (match.hasMatch())
            field.numberedWithin =
                fieldNamed(fields, match.captured(1).replace(QStringLiteral("\"\""), QStringLiteral("\"")));
    }
}

// The name a new file is written under until it is whole: "X.copiando.mdb" for "X.mdb".
QString unfinishedName(const QString& path)
{
    const QFileInfo info(path);
    const QString suffix = info.suffix();
    return suffix.isEmpty() ? path + QStringLiteral(".copiando")
                            : info.path() + QLatin1Char('/') + info.completeBaseName() +
                                  QStringLiteral(".copiando.") + suffix;
}

DbError copyInto(Database& from, Database& to, QList<std::pair<QString, qint64>>* counts);

} // namespace

QString displayName(const QString& path)
{
    return Database::isServerUri(path) ? PgConnection::withoutPassword(path) : QDir::toNativeSeparators(path);
}

DbError copyDatabase(const QString& source, const QString& target, QList<std::pair<QString, qint64>>* counts)
{
    DbError error;
    Database::OpenOptions options;
    options.readOnly = true;
    const std::unique_ptr<Database> from = Database::open(source, options, error);
    if (!from)
        return error;
    const bool toServer = Database::isServerUri(target);
    if (!toServer && QFileInfo::exists(target))
        return DbError::make(
            3204, QStringLiteral("Database '%1' already exists.").arg(QDir::toNativeSeparators(target)));
    // A file is written under another name and takes its own only when whole: a failed copy leaves nothing
    // that could be taken for the database (nor what an earlier failed copy left).
    const QString building = toServer ? target : unfinishedName(target);
    if (!toServer)
        files::removeDatabaseFile(building);
    std::unique_ptr<Database> to = Database::create(building, error);
    if (!to) {
        if (!toServer)
            files::removeDatabaseFile(building);
        return error;
    }
    if (counts)
        counts->clear();
    error = copyInto(*from, *to, counts);
    if (error) {
        // What this copy made goes, so that it can be done again once the cause is mended.
        Database::discardCreated(std::move(to));
        return error;
    }
    if (toServer)
        return {};
    to.reset();
    error = files::checkNewFile(building);
    if (error.ok() && !QFile::rename(building, target))
        error = DbError::make(jeterror::DiskError,
                              QStringLiteral("The copy '%1' cannot take the name '%2'.")
                                  .arg(QDir::toNativeSeparators(building), QDir::toNativeSeparators(target)));
    if (error)
        files::removeDatabaseFile(building);
    return error;
}

namespace {

DbError copyInto(Database& from, Database& to, QList<std::pair<QString, qint64>>* counts)
{
    DbError error;
    QList<TableDef> tables;
    for (const TableInfo& info : from.tables()) {
        if (isCatalogue(info.name))
            continue;
        TableDef table;
        table.name = info.name;
        table.fields = from.fields(info.name);
        for (FieldDef& field : table.fields)
            field.table = info.name;
        readNumbering(from, info.name, table.fields);
        for (const IndexDef& index : indexesOf(from, info.name, table.fields)) {
            // An AutoNumber is its table's key already.
            const bool autoKey =
                index.primary && index.fields.size() == 1 &&
                std::any_of(table.fields.cbegin(), table.fields.cend(), [&](const FieldDef& f) {
                    return f.autoNumber && f.name.compare(index.fields.first(), Qt::CaseInsensitive) == 0;
                });
            if (!autoKey)
                table.indexes << index;
        }
        tables << table;
    }
    // The rows go in before the indexes are made: one sort each instead of keeping them up to date row by
    // row.
    error = to.createTables(tables, Database::Indexes::Later);
    if (!error.ok())
        return error;
    to.setBulkLoad(true);
    for (const TableDef& table : std::as_const(tables)) {
        QStringList names;
        QStringList marks;
        for (const FieldDef& field : table.fields) {
            names << QLatin1Char('[') + field.name + QLatin1Char(']');
            marks << QStringLiteral("?");
        }
        auto insert = to.prepare(
            QStringLiteral("INSERT INTO [%1] (%2) VALUES (%3)")
                .arg(table.name, names.join(QStringLiteral(", ")), marks.join(QStringLiteral(", "))),
            error);
        if (!insert)
            return error;
        auto rows = RowCursor::open(
            from, QStringLiteral("SELECT %1 FROM [%2]").arg(names.join(QStringLiteral(", ")), table.name),
            error);
        if (!rows)
            return error;
        Transaction transaction(to);
        if (!transaction.error().ok())
            return transaction.error();
        qint64 copied = 0;
        while (rows->next()) {
            QVariantList values;
            for (int i = 0; i < table.fields.size(); ++i) {
                values << jetvalue::toStorage(rows->value(i), table.fields.at(i).type, error);
                if (!error.ok())
                    return error;
            }
            error = insert->run(values);
            if (!error.ok())
                return error;
            ++copied;
        }
        if (!rows->error().ok())
            return rows->error();
        // A server's AutoNumber goes on after the highest number copied.
        for (const FieldDef& field : table.fields) {
            if (field.autoNumber && to.isServer()) {
                const QString tableName = jetsql::identifier(table.name, jetsql::Dialect::PostgreSQL);
                const QString column = jetsql::identifier(field.name, jetsql::Dialect::PostgreSQL);
                error = to.server()->execute(QStringLiteral("SELECT setval(pg_get_serial_sequence(?, ?), "
                                                            "coalesce(max(%1), 0) + 1, false) FROM %2")
                                                 .arg(column, tableName),
                                             {tableName, field.name.toLower()});
                if (!error.ok())
                    return error;
            }
        }
        error = transaction.commit();
        if (!error.ok())
            return error;
        if (counts)
            counts->append({table.name, copied});
    }
    to.setBulkLoad(false);
    error = to.createIndexes(tables);
    if (!error.ok())
        return error;
    // References are kept from now on; a copied row that breaks one stays as it was.
    error = to.ensureReferences();
    if (!error.ok())
        return error;

    // Stored queries, by the statements they were made from.
    DbError queryError;
    if (auto queries = from.openRecordset(QStringLiteral("SELECT Name, SQL FROM MSysQueries"),
                                          RecordsetType::Snapshot, queryError)) {
        for (; !queries->eof(); queries->moveNext()) {
            error = to.createStoredQuery(queries->value(0).toString(), queries->value(1).toString());
            if (!error.ok())
                return error;
        }
    }
    return {};
}

} // namespace

} // namespace quelmar::db
