#pragma once

#include "db/recordset.h"
#include "db/sqlitestatement.h"

#include <QList>
#include <QVariant>

#include <deque>
#include <map>
#include <memory>
#include <vector>

namespace quelmar::db {

class Database;

// Where a recordset's rows come from. Positions are 0-based; a source never holds more than a bounded part of
// the result: a few windows of rows near where the user is, never a list as long as the table.
class Recordset::Source
{
public:
    virtual ~Source() = default;

    const QList<FieldInfo>& fields() const { return m_fields; }
    virtual bool isUpdatable() const { return false; }

    // Exact number of rows, from the database.
    virtual qint64 count(DbError& error) = 0;
    // True when the row at the position exists (reading rows up to it as needed).
    virtual bool hasRow(qint64 position, DbError& error) = 0;
    // The row's values as the program sees them; false with error 3167 when the row was deleted meanwhile.
    // `fresh` reads it from the database now; otherwise values read a moment ago with its neighbours may
    // serve.
    virtual bool row(qint64 position, QVariantList& values, DbError& error, bool fresh) = 0;
    // Up to `count` rows from `first` on, appended to `rows` (fewer at the end); a row deleted meanwhile as
    // Nulls, told by error 3167 with true. False on any other error.
    virtual bool rows(qint64 first, qint64 count, QList<QVariantList>& rows, DbError& error);
    // The first match at or after `from` (forward) or the last at or before it (backward); -1 when none.
    virtual qint64 find(const QString& criterionSql, qint64 from, bool forward, DbError& error) = 0;
    virtual DbError requery() = 0;

    virtual DbError update(qint64 position, const QVariantList& original, const QVariantList& values,
                           const QList<bool>& dirty);
    // Writes a new row, which the recordset shows after all the others. Its place is told by
    // positionOfAdded(addedIndex), which may have to count the rows first: adding never reads the table.
    virtual DbError insert(const QVariantList& values, const QList<bool>& dirty, int& addedIndex);
    virtual qint64 positionOfAdded(int addedIndex, DbError& error);
    virtual bool addedRow(int addedIndex, QVariantList& values, DbError& error);
    virtual DbError remove(qint64 position);
    virtual QString indexName() const { return {}; }
    virtual qint64 seek(const QString& comparison, const QVariantList& keys, DbError& error);

protected:
    QList<FieldInfo> m_fields;
};

// Column descriptions of a prepared statement, completed from the catalogue.
QList<FieldInfo> describeColumns(Database& database, const SqliteStatement& statement, bool hasRow);
// A row of a statement as the program sees it, from `firstColumn` on.
QVariantList readRow(const SqliteStatement& statement, const QList<FieldInfo>& fields, int firstColumn = 0);

// Rows of any other statement (totals, DISTINCT, crosstabs, unions, stored queries): read-only, stepped
// through in order, kept in a bounded cache of chunks.
class SteppedSource final : public Recordset::Source
{
public:
    static std::unique_ptr<SteppedSource> create(Database& database, const QString& sql, DbError& error);

    qint64 count(DbError& error) override;
    bool hasRow(qint64 position, DbError& error) override;
    bool row(qint64 position, QVariantList& values, DbError& error, bool fresh) override;
    qint64 find(const QString& criterionSql, qint64 from, bool forward, DbError& error) override;
    DbError requery() override;

private:
    SteppedSource(Database& database, const QString& sql);
    const std::vector<QVariantList>* chunk(qint64 index, DbError& error);

    static constexpr qint64 ChunkRows = 256;
    static constexpr std::size_t MaxChunks = 64;

    Database& m_database;
    QString m_sql;
    SqliteStatement m_cursor;
    qint64 m_cursorRow = 0; // index of the row the cursor gives next
    bool m_cursorDone = false;
    std::map<qint64, std::vector<QVariantList>> m_chunks;
    std::deque<qint64> m_chunkOrder; // least recently read first
    qint64 m_count = -1;
};

// Rows of a statement read once, front to back (exports, printing, totals): one statement stepped, nothing
// kept but the current row. Going back starts the statement again.
class ForwardSource final : public Recordset::Source
{
public:
    static std::unique_ptr<ForwardSource> create(Database& database, const QString& sql, DbError& error);

    qint64 count(DbError& error) override;
    bool hasRow(qint64 position, DbError& error) override;
    bool row(qint64 position, QVariantList& values, DbError& error, bool fresh) override;
    qint64 find(const QString& criterionSql, qint64 from, bool forward, DbError& error) override;
    DbError requery() override;

    // The statement on its current row, for readers that take the values as the file keeps them.
    const SqliteStatement& statement() const { return m_cursor; }

private:
    ForwardSource(Database& database, const QString& sql);

    Database& m_database;
    QString m_sql;
    SqliteStatement m_cursor;
    qint64 m_cursorRow = -1; // the position of the row the cursor stands on; -1 before the first
    bool m_cursorDone = false;
    qint64 m_count = -1;
};

// The position of the first row at or after `from` (or the last at or before it) of a statement's rows that
// meets a condition, by numbering the rows in their order; -1 when none.
qint64 findByRowNumber(Database& database, const QString& sql, const QString& criterionSql, qint64 from,
                       bool forward, DbError& error);

} // namespace quelmar::db
