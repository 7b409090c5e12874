#pragma once

#include "db/jetsql.h"
#include "db/pgconnection.h"
#include "db/recordset.h"
#include "db/recordsetsource.h"

#include <map>
#include <memory>

namespace quelmar::db {

// Rows of a statement on a database server, read a window of rows at a time as they are needed, the count
// asked of the server. A statement in a fixed order (a table's key breaking ties) reads each window by its
// place in that order. A read-only statement without one fixed order reads its first window alone, as a
// count and a first screen cost no more than that; the first window past it puts the rows in a cursor the
// server keeps, in one order for as long as the recordset lives, which starts with the first window's rows.
// Rows written in a transaction are read whole when the recordset opens (and again on requery). When the
// statement reads one table that has a primary key, the rows are written back by that key: edit, add and
// delete work as on a dynaset.
class ServerSource final : public Recordset::Source
{
public:
    // select: the statement's parts when it is a SELECT (the names it gives its columns, its one table);
    // serverSql: what runs on the server; ordered: its rows come in one order, whatever part of them is read;
    // columnNames: the names of the result's columns as the statement spells them, when select does not give
    // them (a crosstab).
    static std::unique_ptr<ServerSource> create(Database& database, const QString& serverSql,
                                                const jetsql::SelectParts* select, bool updatable,
                                                bool ordered, DbError& error, int hiddenColumns = 0,
                                                const QStringList& columnNames = {});

    // Adds to the SELECT of one table what finds each row again for writing when the statement does not show
    // it: the table's key fields, or the row's place for a table without a key. The items added come last
    // and are not shown (give their number to create as hiddenColumns); returns how many were added.
    static int addRowKey(Database& database, jetsql::SelectParts& parts);

    // A table in the order of one of its indexes (its key breaking ties), for Seek.
    static std::unique_ptr<Recordset> openTable(Database& database, const QString& table,
                                                const QString& index, DbError& error);

    bool isUpdatable() const override { return !m_table.isEmpty(); }
    QString indexName() const override { return m_indexName; }
    qint64 seek(const QString& comparison, const QVariantList& keys, DbError& error) override;
    qint64 count(DbError& error) override;
    bool hasRow(qint64 position, DbError& error) override;
    bool row(qint64 position, QVariantList& values, DbError& error, bool fresh) override;
    qint64 find(const QString& criterionSql, qint64 from, bool forward, DbError& error) override;
    DbError requery() override;

    DbError update(qint64 position, const QVariantList& original, const QVariantList& values,
                   const QList<bool>& dirty) override;
    DbError insert(const QVariantList& values, const QList<bool>& dirty, int& addedIndex) override;
    qint64 positionOfAdded(int addedIndex, DbError& error) override;
    bool addedRow(int addedIndex, QVariantList& values, DbError& error) override;
    DbError remove(qint64 position) override;

    ~ServerSource() override;
    ServerSource(const ServerSource&) = delete;
    ServerSource& operator=(const ServerSource&) = delete;

private:
    ServerSource(Database& database, QString serverSql);
    // The first window of rows without one fixed order; given, when asked, receives it as the server gave it.
    DbError readFirstWindow(PgRows* given = nullptr);
    DbError declareCursor();
    DbError read();
    // The place, in the rows' order, of the first row that meets the condition from `from` on (forward) or
    // of the last up to `from`; -1 when none does.
    qint64 firstMatch(const QString& condition, const QVariantList& values, qint64 from, bool forward,
                      DbError& error);
    qint64 rowCount(DbError& error);
    // The row at a position as the server gave it; null past the end or on an error.
    QVariantList* storedRow(qint64 position, DbError& error);
    void forgetRows();

    static constexpr qint64 WindowRows = 500;
    static constexpr std::size_t MaxWindows = 32;
    // The WHERE that finds a row by its key values.
    QString keyCondition(const QVariantList& row, QVariantList& values) const;

    Database& m_database;
    QString m_sql;
    QList<QVariantList> m_rows; // as the server gave them, when read whole
    bool m_windowed = false;
    bool m_unordered = false;          // read-only rows without one fixed order: see above
    QList<QVariantList> m_firstWindow; // unordered: the first window as it was given
    QStringList m_firstHashes;         // unordered: what tells each of its rows from the others (md5)
    QString m_cursor;                  // unordered: the server's cursor of the later windows; empty: none
    qint64 m_cursorSkipped = 0;        // unordered: the rows of the first window that the cursor leaves out
    int m_cursorExtra = 0;             // unordered: columns the cursor gives after the result's own
    qint64 m_count = -1;
    std::map<qint64, QList<QVariantList>> m_windows; // windowed: rows by window number
    QList<QVariantList> m_added;
    QString m_table;          // the one table written, empty when read-only
    QList<int> m_keyIndex;    // columns of the row's key, in the result
    QStringList m_keyColumns; // the key's columns in the table (ctid: the row's place)
    int m_columnCount = 0;    // the result's columns, the hidden ones included
    QList<int> m_columnOf;    // for each result column: its column in the table, -1 for an expression
    QString m_indexName;
    QStringList m_indexFields; // the fields of the index a table recordset follows
};

} // namespace quelmar::db
