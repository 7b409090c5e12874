#include "db/databasecopy.h"

#include "db/database.h"
#include "db/jetvalue.h"
#include "db/pgconnection.h"
#include "db/recordset.h"
#include "db/rowcursor.h"
#include "db/sqlitestatement.h"

#include <QDir>

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
        PgRows rows;
        database.server()->execute(
            QStringLiteral(
                "SELECT i.relname, ix.indisunique, ix.indisprimary, array_to_string(ARRAY(SELECT a.attname "
                "FROM unnest(ix.indkey) WITH ORDINALITY AS k(n, o) JOIN pg_attribute a ON a.attrelid = "
                "ix.indrelid AND a.attnum = k.n ORDER BY k.o), ',') FROM pg_index ix JOIN pg_class i ON "
                "i.oid = ix.indexrelid WHERE ix.indrelid = to_regclass(?) ORDER BY i.relname"),
            {jetsql::identifier(table, jetsql::Dialect::PostgreSQL)}, &rows);
        for (const QVariantList& row : std::as_const(rows.rows)) {
            IndexDef index;
            index.unique = row.value(1).toLongLong() != 0;
            index.primary = row.value(2).toLongLong() != 0;
            index.name = index.primary ? QStringLiteral("PrimaryKey") : plainName(row.value(0).toString());
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
    const std::unique_ptr<Database> to = Database::create(target, error);
    if (!to)
        return error;

    QList<TableDef> tables;
    for (const TableInfo& info : from->tables()) {
        if (isCatalogue(info.name))
            continue;
        TableDef table;
        table.name = info.name;
        table.fields = from->fields(info.name);
        for (FieldDef& field : table.fields)
            field.table = info.name;
        for (const IndexDef& index : indexesOf(*from, info.name, table.fields)) {
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
    error = to->createTables(tables, Database::Indexes::Later);
    if (!error.ok())
        return error;
    to->setBulkLoad(true);
    for (const TableDef& table : std::as_const(tables)) {
        QStringList names;
        QStringList marks;
        for (const FieldDef& field : table.fields) {
            names << QLatin1Char('[') + field.name + QLatin1Char(']');
            marks << QStringLiteral("?");
        }
        auto insert = to->prepare(
            QStringLiteral("INSERT INTO [%1] (%2) VALUES (%3)")
                .arg(table.name, names.join(QStringLiteral(", ")), marks.join(QStringLiteral(", "))),
            error);
        if (!insert)
            return error;
        auto rows = RowCursor::open(
            *from, QStringLiteral("SELECT %1 FROM [%2]").arg(names.join(QStringLiteral(", ")), table.name),
            error);
        if (!rows)
            return error;
        Transaction transaction(*to);
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
            if (field.autoNumber && to->isServer()) {
                const QString tableName = jetsql::identifier(table.name, jetsql::Dialect::PostgreSQL);
                const QString column = jetsql::identifier(field.name, jetsql::Dialect::PostgreSQL);
                error = to->server()->execute(QStringLiteral("SELECT setval(pg_get_serial_sequence(?, ?), "
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
    to->setBulkLoad(false);
    error = to->createIndexes(tables);
    if (!error.ok())
        return error;
    // References are kept from now on; a copied row that breaks one stays as it was.
    error = to->ensureReferences();
    if (!error.ok())
        return error;

    // Stored queries, by the statements they were made from.
    DbError queryError;
    if (auto queries = from->openRecordset(QStringLiteral("SELECT Name, SQL FROM MSysQueries"),
                                           RecordsetType::Snapshot, queryError)) {
        for (; !queries->eof(); queries->moveNext()) {
            error = to->createStoredQuery(queries->value(0).toString(), queries->value(1).toString());
            if (!error.ok())
                return error;
        }
    }
    return {};
}

} // namespace quelmar::db
