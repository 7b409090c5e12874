#include "db/serversource.h"

#include "db/database.h"
#include "db/jetsql.h"
#include "db/jetvalue.h"
#include "db/keysetsql.h"

#include <QHash>

#include <atomic>
#include <limits>

namespace quelmar::db {

namespace {

QString name(const QString& text)
{
    return jetsql::identifier(text, jetsql::Dialect::PostgreSQL);
}

// The names of a table's columns by their number, and the table's own name, as the server keeps them.
struct ServerTable
{
    QString name;
    QHash<int, QString> columns;
    QStringList primaryKey;
};

// The tables a result's columns come from, in one question to the server.
QHash<unsigned, ServerTable> describeTables(PgConnection& server, const QList<unsigned>& oids)
{
    QHash<unsigned, ServerTable> tables;
    QStringList numbers;
    for (const unsigned oid : oids) {
        if (oid != 0 && !tables.contains(oid)) {
            tables.insert(oid, {});
            numbers << QString::number(oid);
        }
    }
    if (numbers.isEmpty())
        return tables;
    PgRows rows;
    if (!server
             .execute(
                 QStringLiteral(
                     "SELECT c.oid, c.relname, a.attnum, a.attname, coalesce(a.attnum = ANY(i.indkey), "
                     "false) FROM pg_class c JOIN pg_attribute a ON a.attrelid = c.oid LEFT JOIN pg_index i "
                     "ON i.indrelid = c.oid AND i.indisprimary WHERE c.oid = ANY(CAST(? AS oid[])) AND "
                     "a.attnum > 0 AND NOT a.attisdropped ORDER BY c.oid, a.attnum"),
                 {QStringLiteral("{%1}").arg(numbers.join(u','))}, &rows)
             .ok())
        return tables;
    for (const QVariantList& row : std::as_const(rows.rows)) {
        ServerTable& table = tables[unsigned(row.value(0).toLongLong())];
        table.name = row.value(1).toString();
        table.columns.insert(int(row.value(2).toLongLong()), row.value(3).toString());
        if (row.value(4).toLongLong() != 0)
            table.primaryKey << row.value(3).toString();
    }
    return tables;
}

// Leaves out a result's last columns.
void dropLastColumns(PgRows& rows, int count)
{
    if (count <= 0)
        return;
    const qsizetype kept = std::max<qsizetype>(0, rows.columns.size() - count);
    rows.columns.resize(kept);
    rows.sourceTables.resize(std::min(rows.sourceTables.size(), kept));
    rows.sourceColumns.resize(std::min(rows.sourceColumns.size(), kept));
    for (QVariantList& row : rows.rows)
        row.resize(std::min(row.size(), kept));
}

QVariantList shownRow(const QVariantList& stored, const QList<FieldInfo>& fields)
{
    QVariantList values;
    values.reserve(fields.size());
    for (int i = 0; i < fields.size(); ++i)
        values << jetvalue::fromStorage(stored.value(i), fields.at(i).type());
    return values;
}

} // namespace

ServerSource::ServerSource(Database& database, QString serverSql)
    : m_database(database), m_sql(std::move(serverSql))
{}

int ServerSource::addRowKey(Database& database, jetsql::SelectParts& parts)
{
    if (parts.tables.size() != 1 || parts.tables.first().isSubquery || parts.hasAggregates ||
        parts.distinct || parts.hasUnion || !parts.groupBy.isEmpty())
        return 0;
    const jetsql::TableReference& table = parts.tables.first();
    const QString qualifier =
        name(table.reference.isEmpty() ? table.name : table.reference) + QLatin1Char('.');
    const bool star = std::any_of(parts.items.cbegin(), parts.items.cend(),
                                  [](const jetsql::SelectItem& item) { return item.isStar; });
    QStringList key;
    for (const FieldDef& field : database.fields(table.name)) {
        if (field.autoNumber)
            key << field.name;
    }
    int added = 0;
    const auto add = [&](const QString& column, const QString& shownAs) {
        jetsql::SelectItem item;
        item.expression = qualifier + column;
        item.name = shownAs;
        parts.items << item;
        ++added;
    };
    if (key.isEmpty()) {
        // A table without a key: its rows are found again by their place in the table, as a file finds
        // them by their row number.
        add(QStringLiteral("ctid"), QStringLiteral("ctid"));
        return added;
    }
    for (const QString& field : std::as_const(key)) {
        const bool shown =
            star ||
            std::any_of(parts.items.cbegin(), parts.items.cend(), [&](const jetsql::SelectItem& item) {
                return item.expression.compare(qualifier + name(field), Qt::CaseInsensitive) == 0 ||
                       item.expression.compare(name(field), Qt::CaseInsensitive) == 0;
            });
        if (!shown)
            add(name(field), field);
    }
    return added;
}

std::unique_ptr<ServerSource> ServerSource::create(Database& database, const QString& serverSql,
                                                   const jetsql::SelectParts* select, bool updatable,
                                                   bool ordered, DbError& error, int hiddenColumns,
                                                   const QStringList& columnNames)
{
    std::unique_ptr<ServerSource> source(new ServerSource(database, serverSql));
    source->m_windowed = ordered;
    PgRows rows;
    if (!ordered && !updatable && !database.inTransaction() && select != nullptr) {
        // Rows without one fixed order, only read: the first window alone, each row with what tells it from
        // the others, should the server later give the rows in another order.
        source->m_windowed = true;
        source->m_unordered = true;
        error = source->readFirstWindow(&rows);
        if (!error.ok())
            return nullptr;
    } else {
        error = database.server()->execute(
            ordered ? serverSql + QStringLiteral(" LIMIT %1").arg(WindowRows) : serverSql, {}, &rows);
        if (!error.ok())
            return nullptr;
        if (ordered)
            source->m_windows[0] = rows.rows;
        else
            source->m_rows = rows.rows;
    }

    // The server gives the names it was sent in lower case; the result shows them as the statement wrote
    // them.
    const bool plainItems =
        select != nullptr && std::none_of(select->items.cbegin(), select->items.cend(),
                                          [](const jetsql::SelectItem& item) { return item.isStar; });
    // A field named without an alias shows the table's own spelling of its name, as on a file.
    QStringList shownNames = columnNames;
    QList<bool> aliased(columnNames.size(), true);
    QHash<QString, QString> spelled;
    if (select != nullptr) {
        for (const jetsql::SelectItem& item : select->items) {
            if (plainItems && columnNames.isEmpty()) {
                shownNames << item.name;
                aliased << !item.alias.isEmpty();
            }
            if (!item.isStar)
                spelled.insert(item.name.toLower(), item.name);
        }
    }
    const QHash<unsigned, ServerTable> tables = describeTables(*database.server(), rows.sourceTables);
    QList<unsigned> origins;
    const int shownColumns = std::max(0, int(rows.columns.size()) - hiddenColumns);
    source->m_columnCount = int(rows.columns.size());
    for (int c = 0; c < rows.columns.size(); ++c) {
        const unsigned oid = rows.sourceTables.value(c);
        if (c >= shownColumns) {
            origins << oid;
            continue;
        }
        FieldInfo info;
        if (oid != 0) {
            const ServerTable table = tables.value(oid);
            info.def = database.field(table.name, table.columns.value(rows.sourceColumns.value(c)));
            if (!info.def.name.isEmpty()) {
                info.sourceTable = info.def.table.isEmpty() ? table.name : info.def.table;
                info.sourceField = info.def.name;
            }
        }
        if (c < shownNames.size() && (aliased.at(c) || info.def.name.isEmpty()))
            info.name = shownNames.at(c);
        else if (!info.def.name.isEmpty())
            info.name = info.def.name;
        else
            info.name = spelled.value(rows.columns.at(c), rows.columns.at(c));
        if (info.def.name.isEmpty()) {
            info.def.name = info.name;
            const QVariant sample = rows.rows.isEmpty() ? QVariant() : rows.rows.first().value(c);
            info.def.type = sample.typeId() == QMetaType::LongLong ? jettype::Long
                            : sample.typeId() == QMetaType::Double ? jettype::Double
                                                                   : jettype::Text;
        }
        source->m_fields << info;
        origins << oid;
    }

    // Written back by the primary key when the statement reads one table and shows all of the key.
    const bool oneTable = select != nullptr && select->tables.size() == 1 &&
                          !select->tables.first().isSubquery && !select->hasAggregates && !select->distinct &&
                          !select->hasUnion;
    if (updatable && oneTable && !origins.isEmpty() && !source->m_fields.isEmpty()) {
        const unsigned oid = origins.first();
        const ServerTable table = tables.value(oid);
        QStringList keyColumns = table.primaryKey;
        if (keyColumns.isEmpty() && rows.columns.mid(shownColumns).contains(QStringLiteral("ctid")))
            keyColumns << QStringLiteral("ctid");
        bool complete = !keyColumns.isEmpty();
        QList<int> keyIndex;
        for (const QString& key : std::as_const(keyColumns)) {
            int found = -1;
            for (int c = 0; c < rows.columns.size() && found < 0; ++c) {
                if (key == QLatin1String("ctid")
                        ? c >= shownColumns && rows.columns.at(c) == key
                        : origins.at(c) == oid && table.columns.value(rows.sourceColumns.value(c)) == key)
                    found = c;
            }
            complete = complete && found >= 0;
            keyIndex << found;
        }
        if (complete) {
            source->m_table = source->m_fields.first().sourceTable;
            source->m_keyIndex = keyIndex;
            source->m_keyColumns = keyColumns;
            for (int c = 0; c < source->m_fields.size(); ++c)
                source->m_fields[c].writable =
                    origins.at(c) == oid && !source->m_fields.at(c).sourceField.isEmpty();
        }
    }
    return source;
}

ServerSource::~ServerSource()
{
    if (!m_cursor.isEmpty() && m_database.server() != nullptr && m_database.server()->isConnected())
        m_database.server()->execute(QStringLiteral("CLOSE %1").arg(m_cursor));
}

DbError ServerSource::readFirstWindow(PgRows* given)
{
    m_firstWindow.clear();
    m_firstHashes.clear();
    PgRows rows;
    const DbError error = m_database.server()->execute(
        QStringLiteral(
            "SELECT quelmar_rows.*, md5(CAST(quelmar_rows AS text)) FROM (%1) AS quelmar_rows LIMIT %2")
            .arg(m_sql)
            .arg(WindowRows),
        {}, &rows);
    if (!error.ok())
        return error;
    for (const QVariantList& row : std::as_const(rows.rows))
        m_firstHashes << row.last().toString();
    dropLastColumns(rows, 1);
    m_firstWindow = rows.rows;
    if (given != nullptr)
        *given = std::move(rows);
    return {};
}

// The server keeps the whole result from here on, in the order it gives it now. That order usually starts
// with the first window's rows (then the cursor gives every later window from its place); when it does not
// (another plan, rows written since), the first window stays as it was given and the cursor holds the other
// rows, in the statement's order: those of the result left when one row of the same values is taken away for
// each row of the first window.
DbError ServerSource::declareCursor()
{
    static std::atomic<int> serial{0};
    const QString cursor = QStringLiteral("quelmar_rows_%1").arg(++serial);
    PgConnection& server = *m_database.server();
    DbError error =
        server.execute(QStringLiteral("DECLARE %1 SCROLL CURSOR WITH HOLD FOR %2").arg(cursor, m_sql));
    if (!error.ok())
        return error;
    PgRows first;
    error = server.execute(QStringLiteral("FETCH FORWARD %1 FROM %2").arg(m_firstWindow.size()).arg(cursor),
                           {}, &first);
    if (!error.ok()) {
        server.execute(QStringLiteral("CLOSE %1").arg(cursor));
        return error;
    }
    if (first.rows == m_firstWindow) {
        m_cursor = cursor;
        m_cursorSkipped = 0;
        m_cursorExtra = 0;
        return {};
    }
    error = server.execute(QStringLiteral("CLOSE %1").arg(cursor));
    if (!error.ok())
        return error;
    // The rows are numbered as the statement gives them (its ORDER BY, when it has one, sorts them before the
    // numbering) and kept in that order; of the rows with the same values, the first ones are those left out.
    // md5 gives only the digits 0-9 and a-f: the list is written as it is.
    error = server.execute(
        QStringLiteral(
            "DECLARE %1 SCROLL CURSOR WITH HOLD FOR SELECT quelmar_rest.* FROM (SELECT quelmar_numbered.*, "
            "row_number() OVER (PARTITION BY quelmar_numbered.quelmar_hash ORDER BY "
            "quelmar_numbered.quelmar_place) AS quelmar_copy FROM (SELECT quelmar_rows.*, "
            "md5(CAST(quelmar_rows AS text)) AS quelmar_hash, row_number() OVER () AS quelmar_place FROM "
            "(%2) "
            "AS quelmar_rows) AS quelmar_numbered) AS quelmar_rest LEFT JOIN (SELECT quelmar_given.hash, "
            "count(*) AS copies FROM unnest(CAST('{%3}' AS text[])) AS quelmar_given(hash) GROUP BY "
            "quelmar_given.hash) AS quelmar_shown ON quelmar_shown.hash = quelmar_rest.quelmar_hash WHERE "
            "quelmar_rest.quelmar_copy > coalesce(quelmar_shown.copies, 0) ORDER BY "
            "quelmar_rest.quelmar_place")
            .arg(cursor, m_sql, m_firstHashes.join(u',')));
    if (!error.ok())
        return error;
    m_cursor = cursor;
    m_cursorSkipped = m_firstWindow.size();
    m_cursorExtra = 3;
    return {};
}

qint64 ServerSource::rowCount(DbError& error)
{
    if (!m_windowed)
        return m_rows.size();
    if (m_count < 0) {
        PgRows rows;
        error = m_database.server()->execute(
            QStringLiteral("SELECT count(*) FROM (%1) AS quelmar_rows").arg(m_sql), {}, &rows);
        if (!error.ok())
            return 0;
        m_count = rows.rows.value(0).value(0).toLongLong();
    }
    return m_count;
}

QVariantList* ServerSource::storedRow(qint64 position, DbError& error)
{
    if (position < 0)
        return nullptr;
    if (!m_windowed)
        return position < m_rows.size() ? &m_rows[position] : nullptr;
    const qint64 window = position / WindowRows;
    const qint64 index = position - window * WindowRows;
    if (m_unordered && window == 0)
        return index < m_firstWindow.size() ? &m_firstWindow[index] : nullptr;
    auto it = m_windows.find(window);
    if (it == m_windows.end()) {
        PgRows rows;
        if (!m_unordered) {
            error = m_database.server()->execute(
                m_sql + QStringLiteral(" LIMIT %1 OFFSET %2").arg(WindowRows).arg(window * WindowRows), {},
                &rows);
        } else {
            if (m_cursor.isEmpty())
                error = declareCursor();
            if (error.ok())
                error = m_database.server()->execute(QStringLiteral("MOVE ABSOLUTE %1 IN %2")
                                                         .arg(window * WindowRows - m_cursorSkipped)
                                                         .arg(m_cursor));
            if (error.ok())
                error = m_database.server()->execute(
                    QStringLiteral("FETCH FORWARD %1 FROM %2").arg(WindowRows).arg(m_cursor), {}, &rows);
            dropLastColumns(rows, m_cursorExtra);
        }
        if (!error.ok())
            return nullptr;
        if (m_windows.size() >= MaxWindows)
            m_windows.clear();
        it = m_windows.emplace(window, rows.rows).first;
    }
    return index < it->second.size() ? &it->second[index] : nullptr;
}

void ServerSource::forgetRows()
{
    m_count = -1;
    m_windows.clear();
}

DbError ServerSource::read()
{
    if (m_unordered) {
        // The rows as they are now: the first window read again, the cursor made when it is needed.
        forgetRows();
        if (!m_cursor.isEmpty()) {
            const DbError closed = m_database.server()->execute(QStringLiteral("CLOSE %1").arg(m_cursor));
            m_cursor.clear();
            if (!closed.ok())
                return closed;
        }
        return readFirstWindow();
    }
    if (m_windowed) {
        forgetRows();
        return {};
    }
    PgRows rows;
    const DbError error = m_database.server()->execute(m_sql, {}, &rows);
    if (error.ok())
        m_rows = rows.rows;
    return error;
}

qint64 ServerSource::count(DbError& error)
{
    error = {};
    return rowCount(error) + m_added.size();
}

bool ServerSource::hasRow(qint64 position, DbError& error)
{
    error = {};
    return position >= 0 && position < rowCount(error) + m_added.size();
}

bool ServerSource::row(qint64 position, QVariantList& values, DbError& error, bool fresh)
{
    error = {};
    const qint64 count = rowCount(error);
    if (position >= count)
        return addedRow(int(position - count), values, error);
    QVariantList* stored = storedRow(position, error);
    if (stored == nullptr) {
        if (error.ok())
            error = DbError::make(jeterror::RecordDeleted);
        return false;
    }
    if (fresh && isUpdatable()) {
        // What the server holds now.
        QVariantList bound;
        const QString where = keyCondition(*stored, bound);
        PgRows rows;
        error = m_database.server()->execute(
            QStringLiteral("SELECT * FROM (%1) AS quelmar_rows WHERE %2").arg(m_sql, where), bound, &rows);
        if (!error.ok())
            return false;
        if (rows.rows.isEmpty()) {
            error = DbError::make(jeterror::RecordDeleted);
            return false;
        }
        *stored = rows.rows.first();
    }
    values = shownRow(*stored, m_fields);
    return true;
}

qint64 ServerSource::find(const QString& criterionSql, qint64 from, bool forward, DbError& error)
{
    error = {};
    return firstMatch(QStringLiteral("(%1)").arg(criterionSql), {}, from, forward, error);
}

qint64 ServerSource::firstMatch(const QString& condition, const QVariantList& values, qint64 from,
                                bool forward, DbError& error)
{
    // The rows numbered as they come from the statement (its ORDER BY keeps it a subquery of its own, sorted
    // before the numbering); only the place found comes back.
    PgRows rows;
    error = m_database.server()->execute(
        QStringLiteral("SELECT %1(quelmar_numbered.quelmar_place) FROM (SELECT row_number() OVER () - 1 AS "
                       "quelmar_place, quelmar_rows.* FROM (%2) AS quelmar_rows) AS quelmar_numbered WHERE "
                       "quelmar_numbered.quelmar_place %3 %4 AND %5")
            .arg(forward ? QStringLiteral("min") : QStringLiteral("max"), m_sql,
                 forward ? QStringLiteral(">=") : QStringLiteral("<="))
            .arg(from)
            .arg(condition),
        values, &rows);
    if (!error.ok())
        return -1;
    const QVariant place = rows.rows.value(0).value(0);
    return place.isValid() ? place.toLongLong() : -1;
}

DbError ServerSource::requery()
{
    m_added.clear();
    return read();
}

QString ServerSource::keyCondition(const QVariantList& row, QVariantList& values) const
{
    QStringList terms;
    for (int k = 0; k < m_keyIndex.size(); ++k) {
        terms << name(m_keyColumns.at(k)) + QStringLiteral(" = ?");
        values << row.value(m_keyIndex.at(k));
    }
    return terms.join(QStringLiteral(" AND "));
}

DbError ServerSource::update(qint64 position, const QVariantList& original, const QVariantList& values,
                             const QList<bool>& dirty)
{
    Q_UNUSED(original);
    DbError error;
    const qint64 count = rowCount(error);
    if (!error.ok())
        return error;
    if (!isUpdatable() || position < 0 || position >= count + m_added.size())
        return DbError::make(jeterror::ReadOnly);
    QVariantList* row = position < count ? storedRow(position, error) : &m_added[position - count];
    if (row == nullptr)
        return error.ok() ? DbError::make(jeterror::RecordDeleted) : error;
    QVariantList& stored = *row;
    QStringList assignments;
    QVariantList bound;
    for (int i = 0; i < m_fields.size(); ++i) {
        if (!dirty.value(i) || !m_fields.at(i).writable)
            continue;
        const QVariant value = jetvalue::toStorage(values.at(i), m_fields.at(i).type(), error);
        if (!error.ok())
            return error;
        assignments << name(m_fields.at(i).sourceField) + QStringLiteral(" = ?");
        bound << value;
    }
    if (assignments.isEmpty())
        return {};
    const QString where = keyCondition(stored, bound);
    qint64 changed = 0;
    // A row found by its place moves when it is written: its new place is kept.
    const bool byPlace = m_keyColumns == QStringList{QStringLiteral("ctid")};
    PgRows moved;
    error = m_database.serverExecute(QStringLiteral("UPDATE %1 SET %2 WHERE %3%4")
                                         .arg(name(m_table), assignments.join(QStringLiteral(", ")), where,
                                              byPlace ? QStringLiteral(" RETURNING ctid") : QString()),
                                     bound, &changed, byPlace ? &moved : nullptr);
    if (!error.ok())
        return error;
    if (changed == 0)
        return DbError::make(jeterror::RecordDeleted);
    if (byPlace && !moved.rows.isEmpty())
        stored[m_keyIndex.first()] = moved.rows.first().value(0);
    for (int i = 0; i < m_fields.size(); ++i) {
        if (dirty.value(i) && m_fields.at(i).writable)
            stored[i] = jetvalue::toStorage(values.at(i), m_fields.at(i).type(), error);
    }
    return {};
}

DbError ServerSource::insert(const QVariantList& values, const QList<bool>& dirty, int& addedIndex)
{
    if (!isUpdatable())
        return DbError::make(jeterror::ReadOnly);
    QStringList columns;
    QStringList given;
    QVariantList bound;
    DbError error;
    for (int i = 0; i < m_fields.size(); ++i) {
        const FieldInfo& field = m_fields.at(i);
        if (!field.writable)
            continue;
        given << field.sourceField;
        const QVariant stored = jetvalue::toStorage(values.at(i), field.type(), error);
        if (!error.ok())
            return error;
        if (!dirty.value(i) || !stored.isValid() || columns.contains(name(field.sourceField)))
            continue;
        columns << name(field.sourceField);
        bound << stored;
    }
    for (const auto& [field, value] : m_database.defaultsOfOtherFields(m_table, given)) {
        columns << name(field);
        bound << value;
    }
    QStringList keys;
    for (const QString& key : std::as_const(m_keyColumns))
        keys << name(key);
    QStringList marks;
    for (qsizetype i = 0; i < columns.size(); ++i)
        marks << QStringLiteral("?");
    const QString sql =
        columns.isEmpty()
            ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES RETURNING %2").arg(name(m_table), keys.join(u','))
            : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3) RETURNING %4")
                  .arg(name(m_table), columns.join(QStringLiteral(", ")), marks.join(QStringLiteral(", ")),
                       keys.join(QStringLiteral(", ")));
    PgRows inserted;
    error = m_database.serverExecute(sql, bound, nullptr, &inserted);
    if (!error.ok())
        return error;
    // The new row as the statement shows it.
    QVariantList row(std::max<qsizetype>(m_columnCount, m_fields.size()));
    const QVariantList key = inserted.rows.value(0);
    for (int k = 0; k < m_keyIndex.size(); ++k)
        row[m_keyIndex.at(k)] = key.value(k);
    QVariantList keyValues;
    const QString where = keyCondition(row, keyValues);
    PgRows rows;
    error = m_database.server()->execute(
        QStringLiteral("SELECT * FROM (%1) AS quelmar_rows WHERE %2").arg(m_sql, where), keyValues, &rows);
    m_added << (rows.rows.isEmpty() ? row : rows.rows.first());
    addedIndex = int(m_added.size()) - 1;
    return {};
}

qint64 ServerSource::positionOfAdded(int addedIndex, DbError& error)
{
    error = {};
    return rowCount(error) + addedIndex;
}

bool ServerSource::addedRow(int addedIndex, QVariantList& values, DbError& error)
{
    error = {};
    if (addedIndex < 0 || addedIndex >= m_added.size())
        return false;
    values = shownRow(m_added.at(addedIndex), m_fields);
    return true;
}

DbError ServerSource::remove(qint64 position)
{
    DbError error;
    const qint64 count = rowCount(error);
    if (!error.ok())
        return error;
    if (!isUpdatable() || position < 0 || position >= count + m_added.size())
        return DbError::make(jeterror::ReadOnly);
    const bool added = position >= count;
    const QVariantList* row = added ? &m_added.at(position - count) : storedRow(position, error);
    if (row == nullptr)
        return error.ok() ? DbError::make(jeterror::RecordDeleted) : error;
    QVariantList bound;
    const QString where = keyCondition(*row, bound);
    qint64 changed = 0;
    error = m_database.serverExecute(QStringLiteral("DELETE FROM %1 WHERE %2").arg(name(m_table), where),
                                     bound, &changed);
    if (!error.ok())
        return error;
    if (changed == 0)
        return DbError::make(jeterror::RecordDeleted);
    if (added)
        m_added.removeAt(position - count);
    else if (m_windowed)
        forgetRows(); // the rows after it move up: read again as they are needed
    else
        m_rows.removeAt(position);
    return {};
}

std::unique_ptr<Recordset> ServerSource::openTable(Database& database, const QString& table,
                                                   const QString& index, DbError& error)
{
    const QList<FieldDef> fields = database.fields(table);
    if (fields.isEmpty()) {
        error =
            DbError::make(jeterror::TableNotFound, jetDescription(jeterror::TableNotFound, {table}), table);
        return nullptr;
    }
    // The index's fields, by the catalogue's names.
    QStringList indexFields;
    if (!index.isEmpty()) {
        PgRows rows;
        error = database.server()->execute(
            QStringLiteral(
                "SELECT a.attname FROM pg_index ix JOIN pg_class i ON i.oid = ix.indexrelid CROSS JOIN "
                "unnest(ix.indkey) WITH ORDINALITY AS k(n, o) JOIN pg_attribute a ON a.attrelid = "
                "ix.indrelid AND a.attnum = k.n WHERE ix.indrelid = to_regclass(?) AND (i.relname = ? OR "
                "(ix.indisprimary AND lower(?) = 'primarykey')) ORDER BY k.o"),
            {name(table), (table + QLatin1Char('.') + index).toLower(), index}, &rows);
        if (!error.ok())
            return nullptr;
        for (const QVariantList& row : std::as_const(rows.rows)) {
            for (const FieldDef& field : fields) {
                if (field.name.compare(row.value(0).toString(), Qt::CaseInsensitive) == 0)
                    indexFields << field.name;
            }
        }
        if (indexFields.isEmpty()) {
            error = DbError::make(jeterror::ItemNotFound, {}, table + QLatin1Char('.') + index);
            return nullptr;
        }
    }
    // In the index's order, the key breaking ties: read in windows.
    QStringList order;
    for (const QString& field : std::as_const(indexFields))
        order << name(field) + QStringLiteral(" NULLS FIRST");
    for (const FieldDef& field : fields) {
        if (field.autoNumber)
            order << name(field.name);
    }
    PgRows keys;
    database.server()->execute(
        QStringLiteral("SELECT a.attname FROM pg_index ix CROSS JOIN unnest(ix.indkey) AS k(n) "
                       "JOIN pg_attribute a ON a.attrelid = ix.indrelid AND a.attnum = k.n "
                       "WHERE ix.indrelid = to_regclass(?) AND ix.indisprimary"),
        {name(table)}, &keys);
    for (const QVariantList& key : std::as_const(keys.rows)) {
        const QString column = jetsql::identifier(key.value(0).toString(), jetsql::Dialect::PostgreSQL);
        if (!order.contains(column))
            order << column;
    }
    const bool inOneOrder = !keys.rows.isEmpty();
    const jetsql::TranslatedStatement translated =
        jetsql::translate(QStringLiteral("SELECT * FROM [%1]").arg(table), jetsql::Dialect::PostgreSQL);
    jetsql::SelectParts select = translated.select;
    select.orderBy = order.join(QStringLiteral(", "));
    jetsql::SelectParts run = select;
    const int hidden = database.isReadOnly() ? 0 : addRowKey(database, run);
    auto source = create(database, select.orderBy.isEmpty() && hidden == 0 ? translated.sql : run.toSql(),
                         &select, !database.isReadOnly(), inOneOrder, error, hidden);
    if (!source)
        return nullptr;
    source->m_indexName = index;
    source->m_indexFields = indexFields;
    return std::make_unique<Recordset>(database, RecordsetType::Table, table, std::move(source));
}

qint64 ServerSource::seek(const QString& comparison, const QVariantList& keys, DbError& error)
{
    error = {};
    if (m_indexFields.isEmpty()) {
        error = DbError::make(jeterror::OperationNotSupported);
        return -1;
    }
    QStringList quoted;
    for (const QString& f : std::as_const(m_indexFields))
        quoted << name(f);
    const keysetsql::SeekCondition condition = keysetsql::seekCondition(quoted, comparison, keys.size());
    if (condition.text.isEmpty()) {
        error = DbError::make(jeterror::InvalidOperation);
        return -1;
    }
    QVariantList bound;
    for (qsizetype i = 0; i < condition.used; ++i) {
        int type = jettype::Text;
        for (const FieldInfo& field : std::as_const(m_fields)) {
            if (field.sourceField.compare(m_indexFields.at(i), Qt::CaseInsensitive) == 0)
                type = field.type();
        }
        bound << jetvalue::toStorage(keys.at(i), type, error);
        if (!error.ok())
            return -1;
    }
    // The first row that meets the comparison ("=", ">=", ">") or the last ("<=", "<").
    const bool forward = !condition.backwards;
    return firstMatch(QStringLiteral("coalesce(%1, false)").arg(condition.text), bound,
                      forward ? 0 : std::numeric_limits<qint64>::max(), forward, error);
}

} // namespace quelmar::db
