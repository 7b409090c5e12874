#include "db/recordsetsource.h"

#include "db/catalogue.h"
#include "db/database.h"
#include "db/jetvalue.h"
#include "db/validationrule.h"

#include <algorithm>
#include <limits>

#include <sqlite3.h>

namespace quelmar::db {

using catalogue::quoteName;

namespace {

constexpr qint64 KeyChunk = 512;

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

// Column descriptions of a prepared statement, completed from the catalogue.
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

QVariantList readRow(const SqliteStatement& statement, const QList<FieldInfo>& fields, int firstColumn = 0)
{
    QVariantList values;
    values.reserve(fields.size());
    for (int i = 0; i < fields.size(); ++i)
        values.append(jetvalue::fromStorage(statement.value(firstColumn + i), fields.at(i).type()));
    return values;
}

bool sameValue(const QVariant& a, const QVariant& b)
{
    if (!a.isValid() || !b.isValid())
        return a.isValid() == b.isValid();
    return a == b;
}

} // namespace

// ---------------------------------------------------------------------------------------------------------------

DbError Recordset::Source::update(qint64, const QVariantList&, const QVariantList&, const QList<bool>&)
{
    return notUpdatable();
}

DbError Recordset::Source::insert(const QVariantList&, const QList<bool>&, qint64&)
{
    return notUpdatable();
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

KeyedSource::KeyedSource(Database& database, const jetsql::SelectParts& select)
    : m_database(database), m_select(select)
{}

std::unique_ptr<KeyedSource> KeyedSource::create(Database& database, const jetsql::SelectParts& select,
                                                 bool writable, DbError& error)
{
    if (select.distinct || select.hasAggregates || select.hasUnion || !select.groupBy.isEmpty() ||
        select.tables.isEmpty())
        return nullptr;
    std::unique_ptr<KeyedSource> source(new KeyedSource(database, select));
    for (const jetsql::TableReference& table : select.tables) {
        if (table.isSubquery || !database.hasTable(table.name))
            return nullptr; // a view or a subquery has no keys of its own
        source->m_slotTables.append(table.name);
        source->m_slotReferences.append(table.reference.isEmpty() ? table.name : table.reference);
    }
    source->m_stride = static_cast<int>(source->m_slotTables.size());
    error = source->prepare(writable && !database.isReadOnly());
    if (!error.ok())
        return nullptr;
    return source;
}

std::unique_ptr<KeyedSource> KeyedSource::createTable(Database& database, const QString& table,
                                                      const QString& index, DbError& error)
{
    if (!database.hasTable(table)) {
        error = DbError::make(jeterror::TableNotFound, jetDescription(jeterror::TableNotFound, {table}));
        return nullptr;
    }
    QStringList indexFields;
    if (!index.isEmpty()) {
        // Our indexes are named "Table.Index" in the database.
        SqliteStatement columns(database.handle(),
                                QStringLiteral("SELECT name FROM pragma_index_info(?) ORDER BY seqno"));
        columns.bind({table + QLatin1Char('.') + index});
        while (columns.step())
            indexFields.append(columns.value(0).toString());
        if (indexFields.isEmpty()) {
            columns = SqliteStatement(database.handle(),
                                      QStringLiteral("SELECT name FROM pragma_index_info(?) ORDER BY seqno"));
            columns.bind({index});
            while (columns.step())
                indexFields.append(columns.value(0).toString());
        }
        if (indexFields.isEmpty()) {
            error = DbError::make(jeterror::ItemNotFound);
            return nullptr;
        }
    }
    jetsql::SelectParts select;
    select.from = quoteName(table);
    select.tables.append({table, table, false});
    jetsql::SelectItem all;
    all.expression = QStringLiteral("*");
    all.isStar = true;
    select.items.append(all);
    QStringList order;
    for (const QString& f : std::as_const(indexFields))
        order.append(quoteName(table) + QLatin1Char('.') + quoteName(f) + QStringLiteral(" COLLATE NOCASE"));
    select.orderBy = order.join(QStringLiteral(", "));

    std::unique_ptr<KeyedSource> source(new KeyedSource(database, select));
    source->m_slotTables = {table};
    source->m_slotReferences = {table};
    source->m_indexName = index;
    source->m_indexFields = indexFields;
    error = source->prepare(!database.isReadOnly());
    if (!error.ok())
        return nullptr;
    if (!source->ensureKeys(-1, error))
        return nullptr;
    return source;
}

QString KeyedSource::keySelect() const
{
    QStringList keys;
    for (const QString& reference : m_slotReferences)
        keys.append(quoteName(reference) + QStringLiteral(".rowid"));
    return keys.join(QStringLiteral(", "));
}

QString KeyedSource::orderWithKeys() const
{
    return m_select.orderBy.isEmpty() ? keySelect() : m_select.orderBy + QStringLiteral(", ") + keySelect();
}

DbError KeyedSource::prepare(bool writable)
{
    QString keySql = QStringLiteral("SELECT %1 FROM %2").arg(keySelect(), m_select.from);
    if (!m_select.where.isEmpty())
        keySql += QStringLiteral(" WHERE ") + m_select.where;
    keySql += QStringLiteral(" ORDER BY ") + orderWithKeys();
    if (m_select.top >= 0)
        keySql += QStringLiteral(" LIMIT %1").arg(m_select.top);
    m_keyCursor = SqliteStatement(m_database.handle(), keySql);
    if (!m_keyCursor.isValid())
        return m_keyCursor.error();

    QStringList byKey;
    for (int slot = 0; slot < m_stride; ++slot)
        byKey.append(
            QStringLiteral("%1.rowid IS ?%2").arg(quoteName(m_slotReferences.at(slot))).arg(slot + 1));
    const QString rowSql =
        QStringLiteral("SELECT %1 FROM %2 WHERE %3")
            .arg(m_select.selectList(), m_select.from, byKey.join(QStringLiteral(" AND ")));
    m_rowStatement = SqliteStatement(m_database.handle(), rowSql);
    if (!m_rowStatement.isValid())
        return m_rowStatement.error();

    m_fields = describeColumns(m_database, m_rowStatement, false);
    m_writable = false;
    for (FieldInfo& field : m_fields) {
        field.writable = writable && !field.sourceTable.isEmpty() && slotOf(field.sourceTable) >= 0;
        m_writable = m_writable || field.writable;
    }
    return {};
}

int KeyedSource::slotOf(const QString& table) const
{
    for (int slot = 0; slot < m_stride; ++slot) {
        if (m_slotTables.at(slot).compare(table, Qt::CaseInsensitive) == 0)
            return slot;
    }
    return -1;
}

bool KeyedSource::ensureKeys(qint64 upTo, DbError& error)
{
    while (!m_keysComplete && (upTo < 0 || keyCount() <= upTo)) {
        const qint64 target =
            upTo < 0 ? std::numeric_limits<qint64>::max() : std::max(upTo + 1, keyCount() + KeyChunk);
        while (keyCount() < target) {
            if (!m_keyCursor.step()) {
                m_keysComplete = true;
                if (!m_keyCursor.error().ok()) {
                    error = m_keyCursor.error();
                    return false;
                }
                m_keyCursor.reset();
                break;
            }
            for (int slot = 0; slot < m_stride; ++slot)
                m_keys.push_back(m_keyCursor.isNull(slot) ? std::numeric_limits<qint64>::min()
                                                          : m_keyCursor.int64(slot));
        }
    }
    return true;
}

qint64 KeyedSource::count(DbError& error)
{
    if (m_keysComplete)
        return keyCount();
    if (m_count < 0) {
        QString sql = QStringLiteral("SELECT count(*) FROM %1").arg(m_select.from);
        if (!m_select.where.isEmpty())
            sql += QStringLiteral(" WHERE ") + m_select.where;
        SqliteStatement statement(m_database.handle(), sql);
        if (!statement.step()) {
            error = statement.error();
            return 0;
        }
        m_count = statement.int64(0);
        if (m_select.top >= 0)
            m_count = std::min<qint64>(m_count, m_select.top);
    }
    return m_count;
}

bool KeyedSource::hasRow(qint64 position, DbError& error)
{
    if (position < 0)
        return false;
    if (!ensureKeys(position, error))
        return false;
    return position < keyCount();
}

bool KeyedSource::row(qint64 position, QVariantList& values, DbError& error)
{
    if (!hasRow(position, error))
        return false;
    m_rowStatement.reset();
    for (int slot = 0; slot < m_stride; ++slot) {
        const qint64 key = m_keys[static_cast<std::size_t>(position * m_stride + slot)];
        m_rowStatement.bind(slot + 1, key == std::numeric_limits<qint64>::min() ? QVariant() : QVariant(key));
    }
    const bool found = m_rowStatement.step();
    if (found)
        values = readRow(m_rowStatement, m_fields);
    else
        error = m_rowStatement.error().ok() ? DbError::make(jeterror::RecordDeleted) : m_rowStatement.error();
    m_rowStatement.reset();
    return found;
}

bool KeyedSource::sameKey(qint64 position, const SqliteStatement& statement) const
{
    for (int slot = 0; slot < m_stride; ++slot) {
        const qint64 key =
            statement.isNull(slot) ? std::numeric_limits<qint64>::min() : statement.int64(slot);
        if (m_keys[static_cast<std::size_t>(position * m_stride + slot)] != key)
            return false;
    }
    return true;
}

qint64 KeyedSource::find(const QString& criterionSql, qint64 from, bool forward, DbError& error)
{
    QString sql = QStringLiteral("SELECT %1 FROM %2 WHERE ").arg(keySelect(), m_select.from);
    if (!m_select.where.isEmpty())
        sql += QStringLiteral("(%1) AND ").arg(m_select.where);
    sql += QStringLiteral("(%1) ORDER BY %2").arg(criterionSql, orderWithKeys());
    SqliteStatement matches(m_database.handle(), sql);
    if (!matches.isValid()) {
        error = matches.error();
        return -1;
    }
    // Matches come in the order of the keys: walk both together.
    qint64 next = 0;
    qint64 best = -1;
    while (matches.step()) {
        qint64 position = next;
        while (hasRow(position, error) && !sameKey(position, matches))
            ++position;
        if (!error.ok())
            return -1;
        if (position >= keyCount())
            continue; // a row added or removed since the keys were read
        next = position + 1;
        if (forward && position >= from)
            return position;
        if (!forward) {
            if (position > from)
                break;
            best = position;
        }
    }
    if (!matches.error().ok())
        error = matches.error();
    return best;
}

DbError KeyedSource::requery()
{
    m_keys.clear();
    m_keysComplete = false;
    m_count = -1;
    m_keyCursor.reset();
    if (!m_indexName.isEmpty()) {
        DbError error;
        ensureKeys(-1, error);
        return error;
    }
    return {};
}

DbError KeyedSource::checkField(const FieldInfo& field, const QVariant& stored)
{
    const QString qualified = field.sourceTable + QLatin1Char('.') + field.sourceField;
    const FieldDef& def = field.def;
    const bool isNull = !stored.isValid() || stored.isNull();
    if (isNull && (def.required && !def.autoNumber))
        return DbError::make(jeterror::RequiredFieldNull,
                             jetDescription(jeterror::RequiredFieldNull, {qualified}));
    if (!isNull && stored.typeId() == QMetaType::QString) {
        const QString text = stored.toString();
        if (text.isEmpty() && !def.allowZeroLength)
            return DbError::make(jeterror::ZeroLengthString,
                                 jetDescription(jeterror::ZeroLengthString, {qualified}));
        if (def.type == jettype::Text && def.size > 0 && text.size() > def.size)
            return DbError::make(3163,
                                 QStringLiteral("The field is too small to accept the amount of data you "
                                                "attempted to add.  Try inserting or pasting less data."));
    }
    if (def.validationRule.trimmed().isEmpty())
        return {};
    const QString condition = validationrule::condition(def.validationRule, QStringLiteral("?1"));
    if (condition.isEmpty())
        return {};
    SqliteStatement check(m_database.handle(), QStringLiteral("SELECT %1 IS NOT 0").arg(condition));
    check.bind({stored});
    if (check.step() && check.int64(0) == 0) {
        const QString text = def.validationText.isEmpty() ? jetDescription(jeterror::ValidationRuleViolated,
                                                                           {def.validationRule, qualified})
                                                          : def.validationText;
        return DbError::make(jeterror::ValidationRuleViolated, text);
    }
    return {};
}

DbError KeyedSource::update(qint64 position, const QVariantList& original, const QVariantList& values,
                            const QList<bool>& dirty)
{
    if (!m_writable)
        return notUpdatable();
    Transaction transaction(m_database);
    if (!transaction.error().ok())
        return transaction.error();

    // Someone else may have changed or deleted the row since it was read.
    QVariantList current;
    DbError error;
    if (!row(position, current, error))
        return error;
    for (int i = 0; i < current.size() && i < original.size(); ++i) {
        if (!sameValue(current.at(i), original.at(i)))
            return DbError::make(jeterror::ConcurrentChange);
    }

    for (int slot = 0; slot < m_stride; ++slot) {
        QStringList assignments;
        QVariantList bound;
        for (int i = 0; i < m_fields.size(); ++i) {
            const FieldInfo& field = m_fields.at(i);
            if (!dirty.value(i) || !field.writable || slotOf(field.sourceTable) != slot)
                continue;
            const QVariant stored = jetvalue::toStorage(values.at(i), field.type(), error);
            if (!error.ok())
                return error;
            error = checkField(field, stored);
            if (!error.ok())
                return error;
            assignments.append(quoteName(field.sourceField) + QStringLiteral(" = ?"));
            bound.append(stored);
        }
        if (assignments.isEmpty())
            continue;
        bound.append(m_keys[static_cast<std::size_t>(position * m_stride + slot)]);
        error = m_database.executeNative(
            QStringLiteral("UPDATE %1 SET %2 WHERE rowid = ?")
                .arg(quoteName(m_slotTables.at(slot)), assignments.join(QStringLiteral(", "))),
            bound);
        if (!error.ok())
            return error;
    }
    return transaction.commit();
}

DbError KeyedSource::insert(const QVariantList& values, const QList<bool>& dirty, qint64& newPosition)
{
    if (!m_writable)
        return notUpdatable();
    if (m_stride != 1)
        return DbError::make(jeterror::OperationNotSupported,
                             QStringLiteral("Cannot add records to a statement that joins tables."));
    DbError error;
    if (!ensureKeys(-1, error))
        return error;

    QStringList columns;
    QStringList marks;
    QVariantList bound;
    QStringList given;
    for (int i = 0; i < m_fields.size(); ++i) {
        const FieldInfo& field = m_fields.at(i);
        if (!field.writable)
            continue;
        given.append(field.sourceField);
        const QVariant stored = jetvalue::toStorage(values.at(i), field.type(), error);
        if (!error.ok())
            return error;
        error = checkField(field, stored);
        if (!error.ok())
            return error;
        if (!dirty.value(i) || !stored.isValid() || columns.contains(field.sourceField, Qt::CaseInsensitive))
            continue;
        columns.append(quoteName(field.sourceField));
        marks.append(QStringLiteral("?"));
        bound.append(stored);
    }
    // The fields the statement leaves out take their default values from the catalogue, as a new record of
    // the table would.
    for (const auto& [name, value] : m_database.defaultsOfOtherFields(m_slotTables.first(), given)) {
        columns.append(quoteName(name));
        marks.append(QStringLiteral("?"));
        bound.append(value);
    }
    const QString table = quoteName(m_slotTables.first());
    const QString sql = columns.isEmpty() ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(table)
                                          : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                                .arg(table, columns.join(QStringLiteral(", ")),
                                                     marks.join(QStringLiteral(", ")));
    error = m_database.executeNative(sql, bound);
    if (!error.ok())
        return error;
    m_keys.push_back(sqlite3_last_insert_rowid(m_database.handle()));
    m_count = -1;
    newPosition = keyCount() - 1;
    return {};
}

DbError KeyedSource::remove(qint64 position)
{
    if (!m_writable)
        return notUpdatable();
    DbError error;
    if (!hasRow(position, error))
        return error.ok() ? DbError::make(jeterror::NoCurrentRecord) : error;
    // From a join, the row of the last table goes (the detail of a master-detail pair).
    const int slot = m_stride - 1;
    const qint64 key = m_keys[static_cast<std::size_t>(position * m_stride + slot)];
    qint64 changed = 0;
    error = m_database.executeNative(
        QStringLiteral("DELETE FROM %1 WHERE rowid = ?").arg(quoteName(m_slotTables.at(slot))), {key},
        &changed);
    if (!error.ok())
        return error;
    if (changed == 0)
        return DbError::make(jeterror::RecordDeleted);
    const auto first = m_keys.begin() + static_cast<std::ptrdiff_t>(position * m_stride);
    m_keys.erase(first, first + m_stride);
    if (m_count > 0)
        --m_count;
    return {};
}

qint64 KeyedSource::positionOfRowid(qint64 rowid, DbError& error)
{
    if (!ensureKeys(-1, error))
        return -1;
    const auto it = std::find(m_keys.begin(), m_keys.end(), rowid);
    return it == m_keys.end() ? -1 : static_cast<qint64>(it - m_keys.begin());
}

qint64 KeyedSource::seek(const QString& comparison, const QVariantList& keys, DbError& error)
{
    if (m_indexFields.isEmpty()) {
        error = DbError::make(jeterror::OperationNotSupported);
        return -1;
    }
    const QString op = comparison.trimmed();
    static const QStringList operators = {QStringLiteral("="), QStringLiteral(">="), QStringLiteral(">"),
                                          QStringLiteral("<="), QStringLiteral("<")};
    const qsizetype used = std::min<qsizetype>(keys.size(), m_indexFields.size());
    if (!operators.contains(op) || used == 0) {
        error = DbError::make(jeterror::InvalidOperation);
        return -1;
    }
    QStringList columns;
    QStringList marks;
    QVariantList bound;
    for (qsizetype i = 0; i < used; ++i) {
        columns.append(quoteName(m_indexFields.at(i)));
        marks.append(QStringLiteral("?"));
        const FieldDef def = m_database.field(m_slotTables.first(), m_indexFields.at(i));
        bound.append(jetvalue::toStorage(keys.at(i), def.type, error));
        if (!error.ok())
            return -1;
    }
    const bool descending = op.startsWith(QLatin1Char('<'));
    QStringList order;
    for (const QString& f : std::as_const(m_indexFields))
        order.append(quoteName(f) + QStringLiteral(" COLLATE NOCASE") +
                     (descending ? QStringLiteral(" DESC") : QString()));
    order.append(descending ? QStringLiteral("rowid DESC") : QStringLiteral("rowid"));
    const QString sql = QStringLiteral("SELECT rowid FROM %1 WHERE (%2) %3 (%4) ORDER BY %5 LIMIT 1")
                            .arg(quoteName(m_slotTables.first()), columns.join(QStringLiteral(", ")), op,
                                 marks.join(QStringLiteral(", ")), order.join(QStringLiteral(", ")));
    SqliteStatement statement(m_database.handle(), sql);
    statement.bind(bound);
    if (!statement.step()) {
        error = statement.error();
        return -1;
    }
    return positionOfRowid(statement.int64(0), error);
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
    if (m_count < 0) {
        SqliteStatement statement(m_database.handle(),
                                  QStringLiteral("SELECT count(*) FROM (%1)").arg(m_sql));
        if (!statement.step()) {
            error = statement.error();
            return 0;
        }
        m_count = statement.int64(0);
    }
    return m_count;
}

bool SteppedSource::hasRow(qint64 position, DbError& error)
{
    if (position < 0)
        return false;
    const std::vector<QVariantList>* rows = chunk(position / ChunkRows, error);
    return rows && position % ChunkRows < static_cast<qint64>(rows->size());
}

bool SteppedSource::row(qint64 position, QVariantList& values, DbError& error)
{
    if (!hasRow(position, error))
        return false;
    values = m_chunks.at(position / ChunkRows).at(static_cast<std::size_t>(position % ChunkRows));
    return true;
}

qint64 SteppedSource::find(const QString& criterionSql, qint64 from, bool forward, DbError& error)
{
    const QString sql =
        QStringLiteral(
            "SELECT \"__position\" FROM (SELECT row_number() OVER () - 1 AS \"__position\", * FROM (%1)) "
            "WHERE (%2) AND \"__position\" %3 ? ORDER BY \"__position\" %4 LIMIT 1")
            .arg(m_sql, criterionSql, forward ? QStringLiteral(">=") : QStringLiteral("<="),
                 forward ? QString() : QStringLiteral("DESC"));
    SqliteStatement statement(m_database.handle(), sql);
    statement.bind({from});
    if (!statement.step()) {
        error = statement.error();
        return -1;
    }
    return statement.int64(0);
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

} // namespace quelmar::db
