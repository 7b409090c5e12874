#pragma once

#include "db/jetsql.h"
#include "db/keysetsql.h"
#include "db/recordsetsource.h"

#include <QElapsedTimer>

#include <map>
#include <unordered_set>

namespace quelmar::db {

// Rows of a plain SELECT over tables, found by the rowids of the tables they join, in the statement's order
// with the rowids last (so that the order is total). Rows are read a window at a time and only a few windows
// are kept, each with the rowids and values of its rows; writes go by rowid to the origin columns of the
// fields.
//
// Two ways to find a window:
// - Keyset: one statement with a limit that starts right after (or before) a row whose place is known, a row
//   of a kept window or one of a few remembered rows ("anchors"), or at either end. The rows of the
//   statement follow from the database's index, so no window costs more than its rows (and the rows it skips
//   when the user jumps).
// - Kept keys: when the database can only give the order by sorting every row (or the order cannot be
//   written as a condition), the rowids are sorted once into a temporary table of the connection, numbered
//   by position.
//
// A dynaset shows what the database holds now: values read with a window serve until this connection or
// another one writes; after that each row is read again by its rowid. Rows added through the recordset come
// after all the others, as they do in the engine's dynasets, and adding never reads the table.
class KeyedSource final : public Recordset::Source
{
public:
    // Null when the statement cannot be keyed (the caller then steps through it read-only).
    static std::unique_ptr<KeyedSource> create(Database& database, const jetsql::SelectParts& select,
                                               bool writable, DbError& error);
    // A whole table in the order of one of its indexes.
    static std::unique_ptr<KeyedSource> createTable(Database& database, const QString& table,
                                                    const QString& index, DbError& error);
    ~KeyedSource() override;

    bool isUpdatable() const override { return m_writable; }
    qint64 count(DbError& error) override;
    bool hasRow(qint64 position, DbError& error) override;
    bool row(qint64 position, QVariantList& values, DbError& error, bool fresh) override;
    bool rows(qint64 first, qint64 count, QList<QVariantList>& rows, DbError& error) override;
    qint64 find(const QString& criterionSql, qint64 from, bool forward, DbError& error) override;
    DbError requery() override;
    DbError update(qint64 position, const QVariantList& original, const QVariantList& values,
                   const QList<bool>& dirty) override;
    DbError insert(const QVariantList& values, const QList<bool>& dirty, int& addedIndex) override;
    qint64 positionOfAdded(int addedIndex, DbError& error) override;
    bool addedRow(int addedIndex, QVariantList& values, DbError& error) override;
    DbError remove(qint64 position) override;
    QString indexName() const override { return m_indexName; }
    qint64 seek(const QString& comparison, const QVariantList& keys, DbError& error) override;

    // Rows per window, and how many windows and anchors are kept at most.
    static constexpr qint64 WindowRows = 256;
    // A window that goes on forward from the one before it is twice as long, up to this many rows: reading
    // through (scrolling, walking to the end) takes few statements, a jump still reads a short window.
    static constexpr qint64 LongestWindowRows = 4096;
    static constexpr std::size_t MaxWindows = 8;
    static constexpr std::size_t MaxAnchors = 256;
    // A statement whose order the database can only give by sorting is read with its keys kept when it has at
    // most this many rows, even when a join order exists that needs no sort: sorting so few rows for every
    // window is cheaper than walking the join for them.
    static constexpr qint64 SortedRowsKept = 20000;

    bool keepsKeys() const { return m_strategy == Strategy::KeptKeys; }

private:
    enum class Strategy
    {
        Keyset,
        KeptKeys
    };

    struct Window
    {
        qint64 start = 0;
        std::vector<qint64> keys;         // m_stride rowids per row
        std::vector<QVariantList> values; // the program's values per row
        QVariantList first;               // the order's values of the first row and of the last row (keyset)
        QVariantList last;
        qint64 changes = 0; // this connection's changes and the database's version when the rows were read
        qint64 version = 0;
        quint64 used = 0;

        qint64 end() const { return start + qint64(values.size()); }
    };

    KeyedSource(Database& database, const jetsql::SelectParts& select);
    DbError prepare(bool writable);
    void describeKeys();
    DbError chooseStrategy();
    DbError keepKeys();
    bool planSorts(const QString& sql, DbError& error);

    // The window holding the position, reading it when needed; nullptr when the position is past the natural
    // rows (or on an error).
    Window* windowAt(qint64 position, DbError& error);
    Window* readKeyset(qint64 position, DbError& error);
    Window* readKeptKeys(qint64 position, DbError& error);
    Window* keep(Window window);
    // The rows of a window read forward from `position`: longer when it follows on from the window before it.
    qint64 forwardWindowRows(const Window* before, qint64 position);
    bool valuesServe(const Window& window);
    qint64 dataVersion();
    bool rowByKeys(const qint64* keys, QVariantList& values, DbError& error);
    const qint64* keysAt(qint64 position, DbError& error);

    QString windowSql(bool backward, const QList<bool>* nullBound, bool inclusive) const;
    SqliteStatement* windowStatement(bool backward, const QList<bool>* nullBound, bool inclusive,
                                     DbError& error);
    QString excludeAdded() const;
    qint64 naturalCount(DbError& error);
    void forgetWindows();
    void shiftAfter(qint64 position);
    qint64 physicalPosition(qint64 position) const;

    qint64 findKeyset(const QString& criterionSql, qint64 from, bool forward, DbError& error);
    qint64 findKeptKeys(const QString& criterionSql, qint64 from, bool forward, DbError& error);

    int slotOf(const QString& table) const;
    DbError checkField(const FieldInfo& field, const QVariant& stored);
    QString keySelect() const;

    Database& m_database;
    std::weak_ptr<const int> m_databaseLifetime; // expired once the database is closed
    jetsql::SelectParts m_select;
    QString m_from; // the FROM clause windows are read with (the written join order when that avoids a sort)
    QStringList m_slotTables;     // real table per key slot
    QStringList m_slotReferences; // name used in the statement per key slot
    int m_stride = 1;
    bool m_writable = false;
    Strategy m_strategy = Strategy::Keyset;
    QList<keysetsql::OrderTerm> m_order; // the statement's terms, then the rowids
    SqliteStatement m_rowStatement;

    std::map<qint64, Window> m_windows;       // by first position
    std::map<qint64, QVariantList> m_anchors; // the order's values of a row, by its position
    quint64 m_useTick = 0;
    qint64 m_followingRows = WindowRows; // the length of the next window that follows on from another
    qint64 m_naturalCount = -1;  // rows of the statement itself, without those added here; -1 until known
    qint64 m_naturalEnd = -1;    // the same, found by reading to the end
    std::vector<qint64> m_added; // rowids of the rows added here (keyset)
    std::vector<qint64> m_addedPositions;
    std::map<QString, SqliteStatement> m_statements; // window statements by their text

    QString m_keyTable;            // the temporary table of kept keys
    qint64 m_keptRows = 0;         // rows in it (positions 0 … m_keptRows - 1 before removals)
    std::vector<qint64> m_removed; // kept positions whose rows were deleted here, ascending

    SqliteStatement m_versionStatement;
    qint64 m_version = 0;
    QElapsedTimer m_versionAge;

    QString m_indexName;
    QStringList m_indexFields;
};

} // namespace quelmar::db
