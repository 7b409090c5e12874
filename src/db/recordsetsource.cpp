#include "db/recordsetsource.h"

#include "db/catalogue.h"
#include "db/database.h"
#include "db/jetvalue.h"

#include <algorithm>
#include <limits>

#include <sqlite3.h>

namespace quelmar::db {

namespace {

// The exact number of rows of a statement in SQLite's dialect; 0 with the error when it cannot be counted.
qint64 countRows(Database& database, const QString& sql, DbError& error)
{
    SqliteStatement statement(database.handle(), QStringLiteral("SELECT count(*) FROM (%1)").arg(sql));
    if (!statement.step()) {
        error = statement.error();
        return 0;
    }
    return statement.int64(0);
}

DbError notUpdatable()
{
    return DbError::make(jeterror::ReadOnly);
}

// The engine type of a result column that is not a field of a table, from what it holds.
int typeOfValue(int storageType)
{
    switch (storageType) {
    case SQLITE_INTEGER:
        return jettype::Long;
    case SQLITE_FLOAT:
        return jettype::Double;
    default:
        return jettype::Text;
    }
}

} // namespace

QList<FieldInfo> describeColumns(Database& database, const SqliteStatement& statement, bool hasRow)
{
    QList<FieldInfo> fields;
    for (int i = 0; i < statement.columnCount(); ++i) {
        FieldInfo info;
        info.name = statement.columnName(i);
        info.sourceTable = statement.originTable(i);
        info.sourceField = statement.originColumn(i);
        if (!info.sourceTable.isEmpty())
            info.def = database.field(info.sourceTable, info.sourceField);
        if (info.def.name.isEmpty()) {
            info.def.name = info.name;
            info.def.type = jetvalue::typeFromDeclared(statement.declaredType(i), &info.def.size);
            if (statement.declaredType(i).isEmpty())
                info.def.type = hasRow ? typeOfValue(statement.storageType(i)) : jettype::Text;
        }
        fields.append(info);
    }
    return fields;
}

QVariant readValue(const SqliteStatement& statement, int column, int jetType)
{
    // The usual stored forms are read straight from the statement; any other goes the general way.
    sqlite3_stmt* handle = statement.handle();
    const int storage = sqlite3_column_type(handle, column);
    if (storage == SQLITE_NULL)
        return {};
    switch (jetType) {
    case jettype::Boolean:
        if (storage == SQLITE_INTEGER)
            return sqlite3_column_int64(handle, column) != 0;
        break;
    case jettype::Byte:
    case jettype::Integer:
    case jettype::Long:
        if (storage == SQLITE_INTEGER)
            return qlonglong(sqlite3_column_int64(handle, column));
        break;
    case jettype::Currency:
    case jettype::Single:
    case jettype::Double:
        if (storage == SQLITE_FLOAT || storage == SQLITE_INTEGER)
            return sqlite3_column_double(handle, column);
        break;
    case jettype::Date:
        if (storage == SQLITE_TEXT && sqlite3_column_bytes(handle, column) == 10) {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(handle, column));
            const QDate date = jetvalue::isoDate(QLatin1StringView(text, 10));
            if (date.isValid())
                return date;
        }
        break;
    default:
        if (storage == SQLITE_TEXT)
            return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(handle, column)),
                                     sqlite3_column_bytes(handle, column));
        break;
    }
    return jetvalue::fromStorage(statement.value(column), jetType);
}

QVariantList readRow(const SqliteStatement& statement, const QList<FieldInfo>& fields, int firstColumn)
{
    QVariantList values;
    values.reserve(fields.size());
    for (int i = 0; i < fields.size(); ++i)
        values.append(readValue(statement, firstColumn + i, fields.at(i).type()));
    return values;
}

// ---------------------------------------------------------------------------------------------------------------

bool Recordset::Source::rows(qint64 first, qint64 count, QList<QVariantList>& rows, DbError& error)
{
    bool gone = false;
    for (qint64 position = first; position < first + count && hasRow(position, error); ++position) {
        QVariantList values;
        if (!row(position, values, error, false)) {
            if (error.number != jeterror::RecordDeleted)
                return false;
            error = {};
            gone = true;
            values = QVariantList(m_fields.size());
        }
        rows.append(values);
    }
    if (!error.ok())
        return false;
    if (gone)
        error = DbError::make(jeterror::RecordDeleted);
    return true;
}

DbError Recordset::Source::update(qint64, const QVariantList&, const QVariantList&, const QList<bool>&)
{
    return notUpdatable();
}

DbError Recordset::Source::insert(const QVariantList&, const QList<bool>&, int&)
{
    return notUpdatable();
}

qint64 Recordset::Source::positionOfAdded(int, DbError&)
{
    return -1;
}

bool Recordset::Source::addedRow(int, QVariantList&, DbError&)
{
    return false;
}

DbError Recordset::Source::remove(qint64)
{
    return notUpdatable();
}

qint64 Recordset::Source::seek(const QString&, const QVariantList&, DbError& error)
{
    error = DbError::make(jeterror::OperationNotSupported);
    return -1;
}

// ---------------------------------------------------------------------------------------------------------------

SteppedSource::SteppedSource(Database& database, const QString& sql) : m_database(database), m_sql(sql) {}

std::unique_ptr<SteppedSource> SteppedSource::create(Database& database, const QString& sql, DbError& error)
{
    std::unique_ptr<SteppedSource> source(new SteppedSource(database, sql));
    source->m_cursor = SqliteStatement(database.handle(), sql);
    if (!source->m_cursor.isValid()) {
        error = source->m_cursor.error();
        return nullptr;
    }
    // The first row tells the types of columns that are not fields of a table.
    std::vector<QVariantList> first;
    const bool hasRow = source->m_cursor.step();
    if (!hasRow && !source->m_cursor.error().ok()) {
        error = source->m_cursor.error();
        return nullptr;
    }
    source->m_fields = describeColumns(database, source->m_cursor, hasRow);
    if (hasRow) {
        first.push_back(readRow(source->m_cursor, source->m_fields));
        source->m_cursorRow = 1;
    } else {
        source->m_cursorDone = true;
        source->m_count = 0;
    }
    // Keep reading the first chunk so that small results are complete at once.
    while (!source->m_cursorDone && source->m_cursorRow < ChunkRows) {
        if (!source->m_cursor.step()) {
            source->m_cursorDone = true;
            error = source->m_cursor.error();
            if (!error.ok())
                return nullptr;
            break;
        }
        first.push_back(readRow(source->m_cursor, source->m_fields));
        ++source->m_cursorRow;
    }
    if (source->m_cursorDone)
        source->m_count = static_cast<qint64>(first.size());
    source->m_chunks.emplace(0, std::move(first));
    source->m_chunkOrder.push_back(0);
    return source;
}

const std::vector<QVariantList>* SteppedSource::chunk(qint64 index, DbError& error)
{
    if (const auto it = m_chunks.find(index); it != m_chunks.end()) {
        m_chunkOrder.erase(std::find(m_chunkOrder.begin(), m_chunkOrder.end(), index));
        m_chunkOrder.push_back(index);
        return &it->second;
    }
    const qint64 start = index * ChunkRows;
    if (m_cursorRow > start || (m_cursorDone && m_cursorRow <= start)) {
        // The chunk was dropped from the cache (or lies beyond the end): step again from the beginning.
        if (m_cursorDone && m_count >= 0 && start >= m_count)
            return nullptr;
        m_cursor.reset();
        m_cursorRow = 0;
        m_cursorDone = false;
    }
    std::vector<QVariantList> rows;
    while (m_cursorRow < start + ChunkRows) {
        if (!m_cursor.step()) {
            m_cursorDone = true;
            m_count = m_cursorRow;
            error = m_cursor.error();
            break;
        }
        if (m_cursorRow >= start)
            rows.push_back(readRow(m_cursor, m_fields));
        ++m_cursorRow;
    }
    if (!error.ok() || rows.empty())
        return nullptr;
    if (m_chunks.size() >= MaxChunks) {
        m_chunks.erase(m_chunkOrder.front());
        m_chunkOrder.pop_front();
    }
    m_chunkOrder.push_back(index);
    return &m_chunks.emplace(index, std::move(rows)).first->second;
}

qint64 SteppedSource::count(DbError& error)
{
    if (m_count < 0)
        m_count = countRows(m_database, m_sql, error);
    return m_count;
}

bool SteppedSource::hasRow(qint64 position, DbError& error)
{
    if (position < 0)
        return false;
    const std::vector<QVariantList>* rows = chunk(position / ChunkRows, error);
    return rows && position % ChunkRows < static_cast<qint64>(rows->size());
}

bool SteppedSource::row(qint64 position, QVariantList& values, DbError& error, bool)
{
    if (!hasRow(position, error))
        return false;
    values = m_chunks.at(position / ChunkRows).at(static_cast<std::size_t>(position % ChunkRows));
    return true;
}

qint64 findByRowNumber(Database& database, const QString& sql, const QString& criterionSql, qint64 from,
                       bool forward, DbError& error)
{
    const QString search =
        QStringLiteral(
            "SELECT \"__position\" FROM (SELECT row_number() OVER () - 1 AS \"__position\", * FROM (%1)) "
            "WHERE (%2) AND \"__position\" %3 ? ORDER BY \"__position\" %4 LIMIT 1")
            .arg(sql, criterionSql, forward ? QStringLiteral(">=") : QStringLiteral("<="),
                 forward ? QString() : QStringLiteral("DESC"));
    SqliteStatement statement(database.handle(), search);
    statement.bind({from});
    if (!statement.step()) {
        error = statement.error();
        return -1;
    }
    return statement.int64(0);
}

qint64 SteppedSource::find(const QString& criterionSql, qint64 from, bool forward, DbError& error)
{
    return findByRowNumber(m_database, m_sql, criterionSql, from, forward, error);
}

DbError SteppedSource::requery()
{
    m_chunks.clear();
    m_chunkOrder.clear();
    m_cursor.reset();
    m_cursorRow = 0;
    m_cursorDone = false;
    m_count = -1;
    return {};
}

// ---------------------------------------------------------------------------------------------------------------

ForwardSource::ForwardSource(Database& database, const QString& sql) : m_database(database), m_sql(sql) {}

std::unique_ptr<ForwardSource> ForwardSource::create(Database& database, const QString& sql, DbError& error)
{
    std::unique_ptr<ForwardSource> source(new ForwardSource(database, sql));
    source->m_cursor = SqliteStatement(database.handle(), sql);
    if (!source->m_cursor.isValid()) {
        error = source->m_cursor.error();
        return nullptr;
    }
    // The first row tells the types of columns that are not fields of a table.
    const bool hasRow = source->m_cursor.step();
    if (!hasRow && !source->m_cursor.error().ok()) {
        error = source->m_cursor.error();
        return nullptr;
    }
    source->m_fields = describeColumns(database, source->m_cursor, hasRow);
    source->m_cursorRow = 0;
    source->m_cursorDone = !hasRow;
    if (!hasRow)
        source->m_count = 0;
    return source;
}

qint64 ForwardSource::count(DbError& error)
{
    if (m_count < 0)
        m_count = countRows(m_database, m_sql, error);
    return m_count;
}

bool ForwardSource::hasRow(qint64 position, DbError& error)
{
    if (position < 0)
        return false;
    if (position < m_cursorRow) {
        // Back: the statement starts again.
        m_cursor.reset();
        m_cursorRow = -1;
        m_cursorDone = false;
    }
    while (!m_cursorDone && m_cursorRow < position) {
        if (m_cursor.step()) {
            ++m_cursorRow;
            continue;
        }
        m_cursorDone = true;
        error = m_cursor.error();
        if (error.ok())
            m_count = m_cursorRow + 1;
        m_cursor.reset(); // done: the statement lets go of the database
    }
    return !m_cursorDone && m_cursorRow == position;
}

bool ForwardSource::row(qint64 position, QVariantList& values, DbError& error, bool)
{
    if (!hasRow(position, error))
        return false;
    values = readRow(m_cursor, m_fields);
    return true;
}

qint64 ForwardSource::find(const QString& criterionSql, qint64 from, bool forward, DbError& error)
{
    return findByRowNumber(m_database, m_sql, criterionSql, from, forward, error);
}

DbError ForwardSource::requery()
{
    m_cursor.reset();
    m_cursorRow = -1;
    m_cursorDone = false;
    m_count = -1;
    return {};
}

} // namespace quelmar::db
