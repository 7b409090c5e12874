#include "db/keyedsource.h"

#include "db/catalogue.h"
#include "db/database.h"
#include "db/jetvalue.h"
#include "db/validationrule.h"

#include <QRegularExpression>

#include <algorithm>
#include <atomic>
#include <limits>

#include <sqlite3.h>

namespace quelmar::db {

using catalogue::quoteName;
using keysetsql::OrderTerm;

namespace {

constexpr qint64 NullKey = std::numeric_limits<qint64>::min();
constexpr qint64 Unbounded = std::numeric_limits<qint64>::max();
// How long values read with a window are trusted before the database is asked whether anyone wrote.
constexpr qint64 VersionCheckMs = 2;

DbError notUpdatable()
{
    return DbError::make(jeterror::ReadOnly);
}

bool sameValue(const QVariant& a, const QVariant& b)
{
    if (!a.isValid() || !b.isValid())
        return a.isValid() == b.isValid();
    return a == b;
}

QVariant keyValue(qint64 key)
{
    return key == NullKey ? QVariant() : QVariant(key);
}

QList<bool> nullsOf(const QVariantList& values)
{
    QList<bool> nulls;
    nulls.reserve(values.size());
    for (const QVariant& value : values)
        nulls.append(!value.isValid());
    return nulls;
}

// "\"T\".\"c\" COLLATE NOCASE" or "\"c\"": the table reference (empty when none) and the column.
bool plainColumn(const QString& expression, QString& reference, QString& column)
{
    static const QRegularExpression pattern(
        QStringLiteral(R"re(^(?:"((?:[^"]|"")+)"\.)?"((?:[^"]|"")+)"(?:\s+COLLATE\s+NOCASE)?$)re"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = pattern.match(expression.trimmed());
    if (!match.hasMatch())
        return false;
    reference = match.captured(1).replace(QStringLiteral("\"\""), QStringLiteral("\""));
    column = match.captured(2).replace(QStringLiteral("\"\""), QStringLiteral("\""));
    return true;
}

} // namespace

// ---------------------------------------------------------------------------------------------------------------
// Opening

KeyedSource::KeyedSource(Database& database, const jetsql::SelectParts& select)
    : m_database(database), m_databaseLifetime(database.lifetime()), m_select(select), m_from(select.from)
{}

KeyedSource::~KeyedSource()
{
    m_statements.clear();
    m_rowStatement = SqliteStatement();
    // Closing the database took its temporary tables with it.
    if (!m_keyTable.isEmpty() && !m_databaseLifetime.expired())
        runSql(m_database.handle(),
               QStringLiteral("DROP TABLE IF EXISTS temp.%1").arg(quoteName(m_keyTable)));
}

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
    if (error.ok())
        error = source->chooseStrategy();
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
        for (const QString& name : {table + QLatin1Char('.') + index, index}) {
            SqliteStatement columns(database.handle(),
                                    QStringLiteral("SELECT name FROM pragma_index_info(?) ORDER BY seqno"));
            columns.bind({name});
            while (columns.step())
                indexFields.append(columns.value(0).toString());
            if (!indexFields.isEmpty())
                break;
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
    if (error.ok())
        error = source->keepKeys();
    if (!error.ok())
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

DbError KeyedSource::prepare(bool writable)
{
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

// The order's terms, then the rowids, each knowing whether it can be Null.
void KeyedSource::describeKeys()
{
    const bool outerJoin = keysetsql::hasOuterJoin(m_select.from);
    for (OrderTerm& term : m_order) {
        QString reference;
        QString column;
        if (!plainColumn(term.expression, reference, column))
            continue;
        int slot = reference.isEmpty() && m_stride == 1 ? 0 : -1;
        for (int s = 0; s < m_stride && slot < 0; ++s) {
            if (m_slotReferences.at(s).compare(reference, Qt::CaseInsensitive) == 0)
                slot = s;
        }
        if (slot < 0)
            continue;
        int notNull = 0;
        int primaryKey = 0;
        if (sqlite3_table_column_metadata(
                m_database.handle(), nullptr, m_slotTables.at(slot).toUtf8().constData(),
                column.toUtf8().constData(), nullptr, nullptr, &notNull, &primaryKey, nullptr) == SQLITE_OK)
            term.notNull = notNull != 0 || primaryKey != 0;
    }
    for (int slot = 0; slot < m_stride; ++slot) {
        OrderTerm key;
        key.expression = quoteName(m_slotReferences.at(slot)) + QStringLiteral(".rowid");
        key.notNull = slot == 0 || !outerJoin;
        m_order.append(key);
    }
}

bool KeyedSource::planSorts(const QString& sql, DbError& error)
{
    SqliteStatement plan(m_database.handle(), QStringLiteral("EXPLAIN QUERY PLAN ") + sql);
    if (!plan.isValid()) {
        error = plan.error();
        return true;
    }
    bool sorts = false;
    while (plan.step())
        sorts = sorts || plan.value(3).toString().contains(QLatin1String("TEMP B-TREE FOR ORDER BY"));
    return sorts;
}

DbError KeyedSource::chooseStrategy()
{
    bool ok = false;
    m_order = keysetsql::splitOrderBy(m_select.orderBy, &ok);
    if (!ok || m_select.top >= 0)
        return keepKeys();
    describeKeys();
    if (!keysetsql::hasLeadingRange(m_order))
        return keepKeys();
    const QList<bool> noNulls(m_order.size(), false);
    const auto sorts = [&](DbError& error) {
        return planSorts(windowSql(false, nullptr, false), error) ||
               planSorts(windowSql(false, &noNulls, false), error);
    };
    DbError error;
    if (!sorts(error))
        return {};
    if (!error.ok())
        return keepKeys(); // a statement the conditions cannot be added to: its keys are kept
    // A join without an order the database can follow: the written order of its tables may give one.
    if (m_stride > 1) {
        const QString written = keysetsql::writtenJoinOrder(m_select.from);
        if (written != m_select.from) {
            m_from = written;
            if (!sorts(error) && error.ok()) {
                const qint64 rows = naturalCount(error);
                if (!error.ok())
                    return error;
                if (rows > SortedRowsKept)
                    return {};
            }
            m_from = m_select.from;
        }
    }
    return keepKeys();
}

DbError KeyedSource::keepKeys()
{
    static std::atomic<int> tables{0};
    m_strategy = Strategy::KeptKeys;
    m_statements.clear();
    QStringList columns;
    for (int slot = 0; slot < m_stride; ++slot)
        columns.append(QStringLiteral("k%1").arg(slot));
    if (m_keyTable.isEmpty()) {
        m_keyTable = QStringLiteral("quelmar_keys_%1").arg(++tables);
        const DbError error =
            runSql(m_database.handle(), QStringLiteral("CREATE TEMP TABLE %1 (%2)")
                                            .arg(quoteName(m_keyTable), columns.join(QStringLiteral(", "))));
        if (!error.ok())
            return error;
    } else {
        runSql(m_database.handle(), QStringLiteral("DELETE FROM temp.%1").arg(quoteName(m_keyTable)));
    }
    QString sql =
        QStringLiteral("INSERT INTO temp.%1 (%2) SELECT %3 FROM %4")
            .arg(quoteName(m_keyTable), columns.join(QStringLiteral(", ")), keySelect(), m_select.from);
    if (!m_select.where.isEmpty())
        sql += QStringLiteral(" WHERE ") + m_select.where;
    sql += QStringLiteral(" ORDER BY ") +
           (m_select.orderBy.isEmpty() ? keySelect() : m_select.orderBy + QStringLiteral(", ") + keySelect());
    if (m_select.top >= 0)
        sql += QStringLiteral(" LIMIT %1").arg(m_select.top);
    const DbError error = runSql(m_database.handle(), sql);
    if (!error.ok())
        return error;
    m_keptRows = sqlite3_changes64(m_database.handle());
    m_removed.clear();
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

// ---------------------------------------------------------------------------------------------------------------
// Windows

QString KeyedSource::excludeAdded() const
{
    if (m_added.empty())
        return {};
    QStringList keys;
    for (qint64 key : m_added)
        keys.append(QString::number(key));
    return QStringLiteral("%1.rowid NOT IN (%2)")
        .arg(quoteName(m_slotReferences.first()), keys.join(QStringLiteral(", ")));
}

QString KeyedSource::windowSql(bool backward, const QList<bool>* nullBound, bool inclusive) const
{
    if (m_strategy == Strategy::KeptKeys) {
        QStringList columns;
        for (int slot = 0; slot < m_stride; ++slot)
            columns.append(QStringLiteral("k%1").arg(slot));
        return QStringLiteral("SELECT rowid, %1 FROM temp.%2 WHERE rowid >= ?1 ORDER BY rowid LIMIT ?2")
            .arg(columns.join(QStringLiteral(", ")), quoteName(m_keyTable));
    }
    const QList<OrderTerm> terms = backward ? keysetsql::reversed(m_order) : m_order;
    QStringList columns{m_select.selectList()};
    for (const OrderTerm& term : m_order)
        columns.append(term.expression);
    QStringList conditions;
    if (!m_select.where.isEmpty())
        conditions.append(QStringLiteral("(%1)").arg(m_select.where));
    if (nullBound)
        conditions.append(keysetsql::afterCondition(terms, *nullBound, 1, inclusive));
    if (const QString added = excludeAdded(); !added.isEmpty())
        conditions.append(added);
    const int limit = nullBound ? int(m_order.size()) + 1 : 1;
    QString sql = QStringLiteral("SELECT %1 FROM %2").arg(columns.join(QStringLiteral(", ")), m_from);
    if (!conditions.isEmpty())
        sql += QStringLiteral(" WHERE ") + conditions.join(QStringLiteral(" AND "));
    return sql + QStringLiteral(" ORDER BY %1 LIMIT ?%2 OFFSET ?%3")
                     .arg(keysetsql::orderByText(terms))
                     .arg(limit)
                     .arg(limit + 1);
}

SqliteStatement* KeyedSource::windowStatement(bool backward, const QList<bool>* nullBound, bool inclusive,
                                              DbError& error)
{
    const QString sql = windowSql(backward, nullBound, inclusive);
    auto it = m_statements.find(sql);
    if (it == m_statements.end()) {
        SqliteStatement statement(m_database.handle(), sql);
        if (!statement.isValid()) {
            error = statement.error();
            return nullptr;
        }
        it = m_statements.emplace(sql, std::move(statement)).first;
    }
    return &it->second;
}

qint64 KeyedSource::dataVersion()
{
    if (!m_versionStatement.isValid())
        m_versionStatement = SqliteStatement(m_database.handle(), QStringLiteral("PRAGMA data_version"));
    if (m_versionStatement.step())
        m_version = m_versionStatement.int64(0);
    m_versionStatement.reset();
    m_versionAge.start();
    return m_version;
}

// Values read with a window show the database as it is while nobody has written since (a snapshot too, so
// that a row deleted meanwhile is noticed as it always was): this connection's own writes are counted by
// SQLite, and others' are told by the database's version, asked at most every few milliseconds (so that
// reading a window's rows one after another asks once).
bool KeyedSource::valuesServe(const Window& window)
{
    if (sqlite3_total_changes64(m_database.handle()) != window.changes)
        return false;
    if (!m_versionAge.isValid() || m_versionAge.elapsed() > VersionCheckMs)
        dataVersion();
    return m_version == window.version;
}

qint64 KeyedSource::forwardWindowRows(const Window* before, qint64 position)
{
    if (before && before->end() == position)
        m_followingRows = std::min(m_followingRows * 2, LongestWindowRows);
    else
        m_followingRows = WindowRows;
    return m_followingRows;
}

KeyedSource::Window* KeyedSource::keep(Window window)
{
    window.used = ++m_useTick;
    const qint64 start = window.start;
    Window* kept = &m_windows.insert_or_assign(start, std::move(window)).first->second;
    while (m_windows.size() > MaxWindows) {
        auto oldest = m_windows.begin();
        for (auto it = m_windows.begin(); it != m_windows.end(); ++it) {
            if (it->second.used < oldest->second.used)
                oldest = it;
        }
        // A window let go leaves its first row behind as a place to read from again.
        if (m_strategy == Strategy::Keyset && !oldest->second.values.empty())
            m_anchors[oldest->first] = oldest->second.first;
        m_windows.erase(oldest);
    }
    if (m_anchors.size() > MaxAnchors) {
        bool drop = false;
        for (auto it = m_anchors.begin(); it != m_anchors.end();) {
            it = drop ? m_anchors.erase(it) : std::next(it);
            drop = !drop;
        }
    }
    return kept;
}

KeyedSource::Window* KeyedSource::windowAt(qint64 position, DbError& error)
{
    if (position < 0)
        return nullptr;
    auto it = m_windows.upper_bound(position);
    if (it != m_windows.begin()) {
        Window& window = std::prev(it)->second;
        if (position < window.end()) {
            window.used = ++m_useTick;
            return &window;
        }
    }
    return m_strategy == Strategy::Keyset ? readKeyset(position, error) : readKeptKeys(position, error);
}

// Reads the window that holds the position from the nearest row whose place is known: forward from one before
// it (or from the first row), or backward from one after it (or from the last row).
KeyedSource::Window* KeyedSource::readKeyset(qint64 position, DbError& error)
{
    if (m_naturalEnd >= 0 && position >= m_naturalEnd)
        return nullptr;
    const auto next = m_windows.upper_bound(position);
    const Window* before = next == m_windows.begin() ? nullptr : &std::prev(next)->second;
    const Window* after = next == m_windows.end() ? nullptr : &next->second;
    const qint64 gapStart = before ? before->end() : 0;
    qint64 gapEnd = after ? after->start : Unbounded;
    if (m_naturalEnd >= 0)
        gapEnd = std::min(gapEnd, m_naturalEnd);

    // Forward: the first row the statement gives, and what it starts from.
    qint64 forwardFrom = 0;
    const QVariantList* forwardBound = nullptr;
    bool forwardInclusive = false;
    if (before) {
        forwardFrom = before->end();
        forwardBound = &before->last;
    }
    if (auto anchor = m_anchors.upper_bound(position); anchor != m_anchors.begin()) {
        --anchor;
        if (anchor->first >= forwardFrom) {
            forwardFrom = anchor->first;
            forwardBound = &anchor->second;
            forwardInclusive = true;
        }
    }
    // Backward: from the window after, an anchor after, or the last row.
    qint64 backwardFrom = -1;
    const QVariantList* backwardBound = nullptr;
    bool backwardInclusive = false;
    const bool backwardSeeks = keysetsql::hasLeadingRange(keysetsql::reversed(m_order));
    if (after && backwardSeeks) {
        backwardFrom = after->start - 1;
        backwardBound = &after->first;
    }
    if (auto anchor = m_anchors.lower_bound(position); anchor != m_anchors.end() && backwardSeeks &&
                                                       anchor->first < gapEnd &&
                                                       (backwardFrom < 0 || anchor->first < backwardFrom)) {
        backwardFrom = anchor->first;
        backwardBound = &anchor->second;
        backwardInclusive = true;
    }
    const qint64 knownCount = m_naturalEnd >= 0 ? m_naturalEnd : m_naturalCount;
    if (!after && knownCount > position && (backwardFrom < 0 || knownCount - 1 < backwardFrom)) {
        backwardFrom = knownCount - 1;
        backwardBound = nullptr;
        backwardInclusive = false;
    }
    const bool backward = backwardFrom >= position && backwardFrom - position < position - forwardFrom;

    const QVariantList* bound = backward ? backwardBound : forwardBound;
    const QList<bool> nulls = bound ? nullsOf(*bound) : QList<bool>();
    SqliteStatement* statement = windowStatement(backward, bound ? &nulls : nullptr,
                                                 backward ? backwardInclusive : forwardInclusive, error);
    if (!statement)
        return nullptr;
    const qint64 offset = backward ? backwardFrom - position : position - forwardFrom;
    const qint64 limit = backward ? std::min(WindowRows, position - gapStart + 1)
                                  : std::min(forwardWindowRows(before, position), gapEnd - position);

    Window window;
    window.version = dataVersion();
    window.changes = sqlite3_total_changes64(m_database.handle());
    statement->reset();
    int parameter = 1;
    if (bound) {
        for (const QVariant& value : *bound)
            statement->bind(parameter++, value);
    }
    statement->bind(parameter, limit);
    statement->bind(parameter + 1, offset);
    const int items = int(m_fields.size());
    const int terms = int(m_order.size());
    window.values.reserve(std::size_t(limit));
    window.keys.reserve(std::size_t(limit * m_stride));
    // The order's values are kept for the first and the last row only; the rowids of every row.
    const int ordered = terms - m_stride;
    QVariantList firstRead;
    QVariantList lastRead(ordered);
    while (statement->step()) {
        window.values.push_back(readRow(*statement, m_fields));
        for (int term = 0; term < ordered; ++term)
            lastRead[term] = statement->value(items + term);
        for (int slot = 0; slot < m_stride; ++slot) {
            const int column = items + ordered + slot;
            window.keys.push_back(statement->isNull(column) ? NullKey : statement->int64(column));
        }
        if (window.values.size() == 1)
            firstRead = lastRead;
    }
    error = statement->error();
    statement->reset();
    if (!error.ok())
        return nullptr;
    const qint64 rows = qint64(window.values.size());
    if (!backward && rows < limit && (rows > 0 || offset == 0) && gapEnd == Unbounded) {
        m_naturalEnd = position + rows; // the last row of the statement was read
        m_naturalCount = m_naturalEnd;
    }
    if (rows == 0)
        return nullptr;
    const auto withKeys = [&](QVariantList values, qint64 row) {
        values.detach();
        for (int slot = 0; slot < m_stride; ++slot)
            values.append(keyValue(window.keys[std::size_t(row * m_stride + slot)]));
        return values;
    };
    window.first = withKeys(firstRead, 0);
    window.last = withKeys(lastRead, rows - 1);
    if (backward) {
        std::reverse(window.values.begin(), window.values.end());
        std::swap(window.first, window.last);
        std::vector<qint64> keys;
        keys.reserve(window.keys.size());
        for (qint64 row = rows - 1; row >= 0; --row)
            keys.insert(keys.end(), window.keys.begin() + row * m_stride,
                        window.keys.begin() + (row + 1) * m_stride);
        window.keys = std::move(keys);
        window.start = position - rows + 1;
    } else {
        window.start = position;
    }
    Window* kept = keep(std::move(window));
    return position >= kept->start && position < kept->end() ? kept : nullptr;
}

qint64 KeyedSource::physicalPosition(qint64 position) const
{
    qint64 physical = position;
    for (qint64 removed : m_removed) {
        if (removed > physical)
            break;
        ++physical;
    }
    return physical;
}

// Kept keys: the window's rowids by their numbers, and each row by its rowids.
KeyedSource::Window* KeyedSource::readKeptKeys(qint64 position, DbError& error)
{
    const qint64 rows = m_keptRows - qint64(m_removed.size());
    if (position >= rows)
        return nullptr;
    const auto next = m_windows.upper_bound(position);
    const qint64 gapEnd = next == m_windows.end() ? rows : next->second.start;
    const qint64 limit = std::min(WindowRows, gapEnd - position);
    SqliteStatement* statement = windowStatement(false, nullptr, false, error);
    if (!statement)
        return nullptr;
    Window window;
    window.start = position;
    window.version = dataVersion();
    window.changes = sqlite3_total_changes64(m_database.handle());
    statement->reset();
    statement->bind(1, physicalPosition(position) + 1);
    statement->bind(2, limit + qint64(m_removed.size()));
    while (qint64(window.values.size()) < limit && statement->step()) {
        const qint64 physical = statement->int64(0) - 1;
        if (std::binary_search(m_removed.begin(), m_removed.end(), physical))
            continue;
        for (int slot = 0; slot < m_stride; ++slot)
            window.keys.push_back(statement->isNull(slot + 1) ? NullKey : statement->int64(slot + 1));
        window.values.emplace_back();
    }
    error = statement->error();
    statement->reset();
    if (!error.ok() || window.values.empty())
        return nullptr;
    for (std::size_t row = 0; row < window.values.size(); ++row) {
        DbError missing;
        if (!rowByKeys(&window.keys[row * std::size_t(m_stride)], window.values[row], missing) &&
            missing.number != jeterror::RecordDeleted) {
            error = missing;
            return nullptr;
        }
    }
    Window* kept = keep(std::move(window));
    return kept;
}

bool KeyedSource::rowByKeys(const qint64* keys, QVariantList& values, DbError& error)
{
    m_rowStatement.reset();
    for (int slot = 0; slot < m_stride; ++slot)
        m_rowStatement.bind(slot + 1, keyValue(keys[slot]));
    const bool found = m_rowStatement.step();
    if (found)
        values = readRow(m_rowStatement, m_fields);
    else
        error = m_rowStatement.error().ok() ? DbError::make(jeterror::RecordDeleted) : m_rowStatement.error();
    m_rowStatement.reset();
    return found;
}

void KeyedSource::forgetWindows()
{
    m_windows.clear();
    m_anchors.clear();
}

// ---------------------------------------------------------------------------------------------------------------
// Reading

qint64 KeyedSource::naturalCount(DbError& error)
{
    if (m_strategy == Strategy::KeptKeys)
        return m_keptRows - qint64(m_removed.size());
    if (m_naturalEnd >= 0)
        return m_naturalEnd;
    if (m_naturalCount < 0) {
        // All the rows (a plain count of a table is quick), less those added here that the statement selects.
        const auto countOf = [&](QString condition) -> qint64 {
            if (!m_select.where.isEmpty())
                condition = condition.isEmpty()
                                ? m_select.where
                                : QStringLiteral("(%1) AND %2").arg(m_select.where, condition);
            QString sql = QStringLiteral("SELECT count(*) FROM %1").arg(m_select.from);
            if (!condition.isEmpty())
                sql += QStringLiteral(" WHERE ") + condition;
            SqliteStatement statement(m_database.handle(), sql);
            if (!statement.step()) {
                error = statement.error();
                return 0;
            }
            return statement.int64(0);
        };
        qint64 rows = countOf({});
        if (error.ok() && !m_added.empty()) {
            QString added = excludeAdded();
            rows -= countOf(added.replace(QLatin1String(" NOT IN "), QLatin1String(" IN ")));
        }
        if (!error.ok())
            return 0;
        m_naturalCount = rows;
    }
    return m_naturalCount;
}

qint64 KeyedSource::count(DbError& error)
{
    return naturalCount(error) + qint64(m_added.size());
}

const qint64* KeyedSource::keysAt(qint64 position, DbError& error)
{
    if (Window* window = windowAt(position, error))
        return &window->keys[std::size_t((position - window->start) * m_stride)];
    if (!error.ok() || m_added.empty())
        return nullptr;
    const qint64 added = position - naturalCount(error);
    if (!error.ok() || added < 0 || added >= qint64(m_added.size()))
        return nullptr;
    return &m_added[std::size_t(added)];
}

bool KeyedSource::hasRow(qint64 position, DbError& error)
{
    return keysAt(position, error) != nullptr;
}

bool KeyedSource::row(qint64 position, QVariantList& values, DbError& error, bool fresh)
{
    if (Window* window = windowAt(position, error)) {
        const std::size_t row = std::size_t(position - window->start);
        if (!fresh && !window->values[row].isEmpty() && valuesServe(*window)) {
            values = window->values[row];
            return true;
        }
        const std::vector<qint64> keys(window->keys.begin() + qint64(row) * m_stride,
                                       window->keys.begin() + qint64(row + 1) * m_stride);
        return rowByKeys(keys.data(), values, error);
    }
    const qint64* keys = keysAt(position, error);
    return keys && rowByKeys(keys, values, error);
}

bool KeyedSource::rows(qint64 first, qint64 count, QList<QVariantList>& rows, DbError& error)
{
    const qint64 end = first + count;
    qint64 position = first;
    bool gone = false;
    while (position < end) {
        Window* window = windowAt(position, error);
        if (!window) { // past the rows of the statement: the rows added here, if any
            if (!error.ok() || !Source::rows(position, end - position, rows, error))
                return false;
            break;
        }
        // Reading a row again by its key stays inside this window, so the window stays kept meanwhile.
        const bool serve = valuesServe(*window);
        for (const qint64 last = std::min(end, window->end()); position < last; ++position) {
            const QVariantList& kept = window->values[std::size_t(position - window->start)];
            if (serve && !kept.isEmpty()) {
                rows.append(kept);
                continue;
            }
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
    }
    if (gone && error.ok())
        error = DbError::make(jeterror::RecordDeleted);
    return true;
}

bool KeyedSource::addedRow(int addedIndex, QVariantList& values, DbError& error)
{
    if (m_strategy == Strategy::KeptKeys)
        return addedIndex >= 0 && addedIndex < int(m_addedPositions.size()) &&
               row(m_addedPositions[std::size_t(addedIndex)], values, error, true);
    return addedIndex >= 0 && addedIndex < int(m_added.size()) &&
           rowByKeys(&m_added[std::size_t(addedIndex)], values, error);
}

qint64 KeyedSource::positionOfAdded(int addedIndex, DbError& error)
{
    if (m_strategy == Strategy::KeptKeys)
        return addedIndex >= 0 && addedIndex < int(m_addedPositions.size())
                   ? m_addedPositions[std::size_t(addedIndex)]
                   : -1;
    if (addedIndex < 0 || addedIndex >= int(m_added.size()))
        return -1;
    return naturalCount(error) + addedIndex;
}

// ---------------------------------------------------------------------------------------------------------------
// Finding

qint64 KeyedSource::find(const QString& criterionSql, qint64 from, bool forward, DbError& error)
{
    return m_strategy == Strategy::Keyset ? findKeyset(criterionSql, from, forward, error)
                                          : findKeptKeys(criterionSql, from, forward, error);
}

// The first match after the row at `from` (or the last before it) by the statement's order, and its place by
// counting the rows between the two.
qint64 KeyedSource::findKeyset(const QString& criterionSql, qint64 from, bool forward, DbError& error)
{
    const auto matchesAdded = [&](std::size_t index) {
        SqliteStatement match(m_database.handle(),
                              QStringLiteral("SELECT 1 FROM %1 WHERE (%2) AND %3.rowid = ?")
                                  .arg(m_select.from, criterionSql, quoteName(m_slotReferences.first())));
        match.bind({m_added[index]});
        const bool found = match.step();
        if (!match.error().ok())
            error = match.error();
        return found;
    };
    const qint64 natural = naturalCount(error);
    if (!error.ok())
        return -1;
    // Rows added here come after the others.
    if (!forward) {
        for (qint64 i = qint64(m_added.size()) - 1; i >= 0 && error.ok(); --i) {
            if (natural + i <= from && matchesAdded(std::size_t(i)))
                return natural + i;
        }
        from = std::min(from, natural - 1);
    }
    if (from < 0 || !error.ok())
        return -1;
    if (from < natural || forward) {
        // The row at `from` bounds the search, unless the search starts at an end.
        const bool fromEnd = forward ? from == 0 : from == natural - 1;
        QVariantList bound;
        if (!fromEnd && from < natural) {
            Window* window = windowAt(from, error);
            if (!window)
                return -1;
            if (from == window->start) {
                bound = window->first;
            } else {
                // Only the ends of a window keep the order's values: read the row's from the database.
                const qint64 row = from - window->start;
                QStringList keys;
                for (int slot = 0; slot < m_stride; ++slot)
                    keys.append(QStringLiteral("%1.rowid IS ?%2")
                                    .arg(quoteName(m_slotReferences.at(slot)))
                                    .arg(slot + 1));
                QStringList terms;
                for (const OrderTerm& term : std::as_const(m_order))
                    terms.append(term.expression);
                SqliteStatement values(m_database.handle(),
                                       QStringLiteral("SELECT %1 FROM %2 WHERE %3")
                                           .arg(terms.join(QStringLiteral(", ")), m_select.from,
                                                keys.join(QStringLiteral(" AND "))));
                for (int slot = 0; slot < m_stride; ++slot)
                    values.bind(slot + 1, keyValue(window->keys[std::size_t(row * m_stride + slot)]));
                if (!values.step()) {
                    error = values.error().ok() ? DbError::make(jeterror::RecordDeleted) : values.error();
                    return -1;
                }
                for (int term = 0; term < int(m_order.size()); ++term)
                    bound.append(values.value(term));
            }
        }
        if (from < natural) {
            const QList<OrderTerm> order = forward ? m_order : keysetsql::reversed(m_order);
            QStringList terms;
            for (const OrderTerm& term : std::as_const(m_order))
                terms.append(term.expression);
            QStringList conditions{QStringLiteral("(%1)").arg(criterionSql)};
            if (!m_select.where.isEmpty())
                conditions.append(QStringLiteral("(%1)").arg(m_select.where));
            if (!bound.isEmpty())
                conditions.append(keysetsql::afterCondition(order, nullsOf(bound), 1, true));
            if (const QString added = excludeAdded(); !added.isEmpty())
                conditions.append(added);
            SqliteStatement match(m_database.handle(),
                                  QStringLiteral("SELECT %1 FROM %2 WHERE %3 ORDER BY %4 LIMIT 1")
                                      .arg(terms.join(QStringLiteral(", ")), m_from,
                                           conditions.join(QStringLiteral(" AND ")),
                                           keysetsql::orderByText(order)));
            match.bind(bound);
            if (match.step()) {
                QVariantList found;
                for (int term = 0; term < int(m_order.size()); ++term)
                    found.append(match.value(term));
                // The rows between the start and the match, by the order read the other way.
                const QList<OrderTerm> back = keysetsql::reversed(order);
                QStringList between;
                if (!m_select.where.isEmpty())
                    between.append(QStringLiteral("(%1)").arg(m_select.where));
                if (!bound.isEmpty())
                    between.append(keysetsql::afterCondition(order, nullsOf(bound), 1, true));
                between.append(keysetsql::afterCondition(back, nullsOf(found), int(bound.size()) + 1, false));
                if (const QString added = excludeAdded(); !added.isEmpty())
                    between.append(added);
                SqliteStatement count(m_database.handle(),
                                      QStringLiteral("SELECT count(*) FROM %1 WHERE %2")
                                          .arg(m_select.from, between.join(QStringLiteral(" AND "))));
                count.bind(bound + found);
                if (!count.step()) {
                    error = count.error();
                    return -1;
                }
                const qint64 start = bound.isEmpty() ? (forward ? 0 : natural - 1) : from;
                return forward ? start + count.int64(0) : start - count.int64(0);
            }
            if (!match.error().ok()) {
                error = match.error();
                return -1;
            }
        }
    }
    if (forward) {
        for (std::size_t i = 0; i < m_added.size() && error.ok(); ++i) {
            if (natural + qint64(i) >= from && matchesAdded(i))
                return natural + qint64(i);
        }
    }
    return -1;
}

qint64 KeyedSource::findKeptKeys(const QString& criterionSql, qint64 from, bool forward, DbError& error)
{
    const qint64 rows = m_keptRows - qint64(m_removed.size());
    if (rows == 0 || (forward && from >= rows))
        return -1;
    from = std::min(from, rows - 1);
    QStringList conditions;
    for (int slot = 0; slot < m_stride; ++slot)
        conditions.append(
            QStringLiteral("%1.rowid IS k.k%2").arg(quoteName(m_slotReferences.at(slot))).arg(slot));
    if (!m_select.where.isEmpty())
        conditions.append(QStringLiteral("(%1)").arg(m_select.where));
    conditions.append(QStringLiteral("(%1)").arg(criterionSql));
    conditions.append(forward ? QStringLiteral("k.rowid >= ?1") : QStringLiteral("k.rowid <= ?1"));
    SqliteStatement match(
        m_database.handle(),
        QStringLiteral("SELECT k.rowid FROM temp.%1 AS k, %2 WHERE %3 ORDER BY k.rowid %4 LIMIT 1")
            .arg(quoteName(m_keyTable), m_select.from, conditions.join(QStringLiteral(" AND ")),
                 forward ? QStringLiteral("ASC") : QStringLiteral("DESC")));
    match.bind({physicalPosition(from) + 1});
    if (!match.step()) {
        error = match.error();
        return -1;
    }
    const qint64 physical = match.int64(0) - 1;
    return physical -
           qint64(std::lower_bound(m_removed.begin(), m_removed.end(), physical) - m_removed.begin());
}

DbError KeyedSource::requery()
{
    m_statements.clear();
    forgetWindows();
    m_naturalCount = -1;
    m_naturalEnd = -1;
    m_added.clear();
    m_addedPositions.clear();
    if (m_strategy == Strategy::KeptKeys)
        return keepKeys();
    return {};
}

// ---------------------------------------------------------------------------------------------------------------
// Writing

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

    DbError error;
    const qint64* at = keysAt(position, error);
    if (!at)
        return error.ok() ? DbError::make(jeterror::NoCurrentRecord) : error;
    const std::vector<qint64> keys(at, at + m_stride);
    // Someone else may have changed or deleted the row since it was read.
    QVariantList current;
    if (!rowByKeys(keys.data(), current, error))
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
        bound.append(keys[std::size_t(slot)]);
        error = m_database.executeNative(
            QStringLiteral("UPDATE %1 SET %2 WHERE rowid = ?")
                .arg(quoteName(m_slotTables.at(slot)), assignments.join(QStringLiteral(", "))),
            bound);
        if (!error.ok())
            return error;
    }
    return transaction.commit();
}

DbError KeyedSource::insert(const QVariantList& values, const QList<bool>& dirty, int& addedIndex)
{
    if (!m_writable)
        return notUpdatable();
    if (m_stride != 1)
        return DbError::make(jeterror::OperationNotSupported,
                             QStringLiteral("Cannot add records to a statement that joins tables."));
    DbError error;
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
    const qint64 rowid = sqlite3_last_insert_rowid(m_database.handle());
    if (m_strategy == Strategy::KeptKeys) {
        error =
            runSql(m_database.handle(),
                   QStringLiteral("INSERT INTO temp.%1 (k0) VALUES (?)").arg(quoteName(m_keyTable)), {rowid});
        if (!error.ok())
            return error;
        m_addedPositions.push_back(m_keptRows - qint64(m_removed.size()));
        ++m_keptRows;
        addedIndex = int(m_addedPositions.size()) - 1;
        return {};
    }
    // The statements leave the rows added here to the end.
    m_added.push_back(rowid);
    m_statements.clear();
    addedIndex = int(m_added.size()) - 1;
    return {};
}

void KeyedSource::shiftAfter(qint64 position)
{
    std::map<qint64, Window> windows;
    for (auto& [start, window] : m_windows) {
        if (start > position)
            window.start = start - 1;
        windows.emplace(window.start, std::move(window));
    }
    m_windows = std::move(windows);
    std::map<qint64, QVariantList> anchors;
    for (auto& [at, values] : m_anchors)
        anchors.emplace(at > position ? at - 1 : at, std::move(values));
    m_anchors = std::move(anchors);
    for (qint64& added : m_addedPositions) {
        if (added > position)
            --added;
    }
}

DbError KeyedSource::remove(qint64 position)
{
    if (!m_writable)
        return notUpdatable();
    DbError error;
    const qint64* at = keysAt(position, error);
    if (!at)
        return error.ok() ? DbError::make(jeterror::NoCurrentRecord) : error;
    // From a join, the row of the last table goes (the detail of a master-detail pair).
    const int slot = m_stride - 1;
    const qint64 key = at[slot];
    qint64 changed = 0;
    error = m_database.executeNative(
        QStringLiteral("DELETE FROM %1 WHERE rowid = ?").arg(quoteName(m_slotTables.at(slot))), {key},
        &changed);
    if (!error.ok())
        return error;
    if (changed == 0)
        return DbError::make(jeterror::RecordDeleted);

    // The rows after it move up one place.
    auto it = m_windows.upper_bound(position);
    if (it != m_windows.begin() && position < std::prev(it)->second.end()) {
        Window& window = std::prev(it)->second;
        const qint64 row = position - window.start;
        window.values.erase(window.values.begin() + row);
        window.keys.erase(window.keys.begin() + row * m_stride, window.keys.begin() + (row + 1) * m_stride);
        if (window.values.empty())
            m_windows.erase(std::prev(it));
        if (m_naturalCount > 0)
            --m_naturalCount;
        if (m_naturalEnd > 0)
            --m_naturalEnd;
        if (m_strategy == Strategy::KeptKeys) {
            const qint64 physical = physicalPosition(position);
            m_removed.insert(std::upper_bound(m_removed.begin(), m_removed.end(), physical), physical);
            std::erase(m_addedPositions, position);
        }
    } else if (m_strategy == Strategy::Keyset) {
        std::erase(m_added, key);
        m_statements.clear();
    }
    shiftAfter(position);
    return {};
}

qint64 KeyedSource::seek(const QString& comparison, const QVariantList& keys, DbError& error)
{
    if (m_indexFields.isEmpty()) {
        error = DbError::make(jeterror::OperationNotSupported);
        return -1;
    }
    QStringList quoted;
    for (const QString& f : std::as_const(m_indexFields))
        quoted.append(quoteName(f));
    const keysetsql::SeekCondition condition = keysetsql::seekCondition(quoted, comparison, keys.size());
    if (condition.text.isEmpty()) {
        error = DbError::make(jeterror::InvalidOperation);
        return -1;
    }
    QVariantList bound;
    for (qsizetype i = 0; i < condition.used; ++i) {
        const FieldDef def = m_database.field(m_slotTables.first(), m_indexFields.at(i));
        bound.append(jetvalue::toStorage(keys.at(i), def.type, error));
        if (!error.ok())
            return -1;
    }
    const bool descending = condition.backwards;
    QStringList order;
    for (const QString& f : std::as_const(quoted))
        order.append(f + QStringLiteral(" COLLATE NOCASE") +
                     (descending ? QStringLiteral(" DESC") : QString()));
    order.append(descending ? QStringLiteral("rowid DESC") : QStringLiteral("rowid"));
    const QString sql =
        QStringLiteral("SELECT rowid FROM %1 WHERE %2 ORDER BY %3 LIMIT 1")
            .arg(quoteName(m_slotTables.first()), condition.text, order.join(QStringLiteral(", ")));
    SqliteStatement statement(m_database.handle(), sql);
    statement.bind(bound);
    if (!statement.step()) {
        error = statement.error();
        return -1;
    }
    SqliteStatement kept(
        m_database.handle(),
        QStringLiteral("SELECT rowid - 1 FROM temp.%1 WHERE k0 = ?").arg(quoteName(m_keyTable)));
    kept.bind({statement.int64(0)});
    if (!kept.step()) {
        error = kept.error();
        return -1;
    }
    const qint64 physical = kept.int64(0);
    return physical -
           qint64(std::lower_bound(m_removed.begin(), m_removed.end(), physical) - m_removed.begin());
}

} // namespace quelmar::db
