#pragma once

#include "db/jetsql.h"
#include "db/recordset.h"
#include "db/sqlitestatement.h"

#include <QList>
#include <QVariant>

#include <deque>
#include <map>
#include <vector>

namespace quelmar::db {

class Database;

// Where a recordset's rows come from. Positions are 0-based; a source never holds more than what the user
// has moved over: keys as far as the user went, and rows one at a time or in a bounded cache.
class Recordset::Source
{
public:
    virtual ~Source() = default;

    const QList<FieldInfo>& fields() const { return m_fields; }
    virtual bool isUpdatable() const { return false; }

    // Exact number of rows, from the database.
    virtual qint64 count(DbError& error) = 0;
    // True when the row at the position exists (reading keys or rows up to it as needed).
    virtual bool hasRow(qint64 position, DbError& error) = 0;
    // The row's values as the program sees them; false with error 3167 when the row was deleted meanwhile.
    virtual bool row(qint64 position, QVariantList& values, DbError& error) = 0;
    // The first match at or after `from` (forward) or the last at or before it (backward); -1 when none.
    virtual qint64 find(const QString& criterionSql, qint64 from, bool forward, DbError& error) = 0;
    virtual DbError requery() = 0;

    virtual DbError update(qint64 position, const QVariantList& original, const QVariantList& values,
                           const QList<bool>& dirty);
    virtual DbError insert(const QVariantList& values, const QList<bool>& dirty, qint64& newPosition);
    virtual DbError remove(qint64 position);
    virtual QString indexName() const { return {}; }
    virtual qint64 seek(const QString& comparison, const QVariantList& keys, DbError& error);

protected:
    QList<FieldInfo> m_fields;
};

// Rows of a plain SELECT over tables, found by the rowids of the tables they join. Keys are read in chunks
// as the position advances; each row is read by its key when it is needed, so it shows what the database
// holds now. Writes go to the origin columns of the fields.
class KeyedSource final : public Recordset::Source
{
public:
    // Null when the statement cannot be keyed (the caller then steps through it read-only).
    static std::unique_ptr<KeyedSource> create(Database& database, const jetsql::SelectParts& select,
                                               bool writable, DbError& error);
    // A whole table in the order of one of its indexes (all keys read at once: tables opened this way are
    // small).
    static std::unique_ptr<KeyedSource> createTable(Database& database, const QString& table,
                                                    const QString& index, DbError& error);

    bool isUpdatable() const override { return m_writable; }
    qint64 count(DbError& error) override;
    bool hasRow(qint64 position, DbError& error) override;
    bool row(qint64 position, QVariantList& values, DbError& error) override;
    qint64 find(const QString& criterionSql, qint64 from, bool forward, DbError& error) override;
    DbError requery() override;
    DbError update(qint64 position, const QVariantList& original, const QVariantList& values,
                   const QList<bool>& dirty) override;
    DbError insert(const QVariantList& values, const QList<bool>& dirty, qint64& newPosition) override;
    DbError remove(qint64 position) override;
    QString indexName() const override { return m_indexName; }
    qint64 seek(const QString& comparison, const QVariantList& keys, DbError& error) override;

private:
    KeyedSource(Database& database, const jetsql::SelectParts& select);
    DbError prepare(bool writable);
    qint64 keyCount() const { return static_cast<qint64>(m_keys.size()) / m_stride; }
    bool ensureKeys(qint64 upTo, DbError& error); // upTo < 0: all
    bool sameKey(qint64 position, const SqliteStatement& statement) const;
    QString keySelect() const;
    QString orderWithKeys() const;
    int slotOf(const QString& table) const;
    DbError checkField(const FieldInfo& field, const QVariant& stored);
    qint64 positionOfRowid(qint64 rowid, DbError& error);

    Database& m_database;
    jetsql::SelectParts m_select;
    QStringList m_slotTables;     // real table per key slot
    QStringList m_slotReferences; // name used in the statement per key slot
    int m_stride = 1;
    bool m_writable = false;
    std::vector<qint64> m_keys;
    bool m_keysComplete = false;
    SqliteStatement m_keyCursor;
    SqliteStatement m_rowStatement;
    qint64 m_count = -1;
    QString m_indexName;
    QStringList m_indexFields;
};

// Rows of any other statement (totals, DISTINCT, crosstabs, unions, stored queries): read-only, stepped
// through in order, kept in a bounded cache of chunks.
class SteppedSource final : public Recordset::Source
{
public:
    static std::unique_ptr<SteppedSource> create(Database& database, const QString& sql, DbError& error);

    qint64 count(DbError& error) override;
    bool hasRow(qint64 position, DbError& error) override;
    bool row(qint64 position, QVariantList& values, DbError& error) override;
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

} // namespace quelmar::db
