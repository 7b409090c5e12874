#pragma once

#include "db/dberror.h"
#include "db/recordset.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QVariant>

#include <memory>

namespace quelmar::db {

class Database;
class SqliteStatement;

// The rows of a statement read once, front to back, one at a time: for work that goes through a whole result
// (printing, export) and must not keep what it has passed. Crosstabs, totals and plain selects alike.
class RowCursor
{
public:
    // Opens the statement (the system's SQL, a table name or "&" + a stored query). Null with the error when
    // it cannot be run. The cursor stands before the first row: next() moves onto it.
    static std::unique_ptr<RowCursor> open(Database& database, const QString& source, DbError& error);
    ~RowCursor();
    RowCursor(const RowCursor&) = delete;
    RowCursor& operator=(const RowCursor&) = delete;

    const QList<FieldInfo>& fields() const { return m_fields; }
    int fieldCount() const { return static_cast<int>(m_fields.size()); }

    // Moves to the next row; false at the end or on an error (error() tells which).
    bool next();
    const DbError& error() const;

    // The current row's value as a recordset gives it (dates as QDate, yes/no as bool, Null invalid).
    QVariant value(int column) const;
    // Appends the value as the text of an exported file: numbers as written plainly ("12.5", "100"), dates
    // day first ("05/01/2026", with " hh:mm:ss" when they carry a time), yes/no "Verdadero"/"Falso", Null as
    // nothing. UTF-8.
    void appendText(int column, QByteArray& out) const;

private:
    RowCursor(Database& database, std::unique_ptr<SqliteStatement> statement);

    Database& m_database;
    std::unique_ptr<SqliteStatement> m_statement;
    QList<FieldInfo> m_fields;
    QList<int> m_types; // the engine type of each column
    bool m_started = false;
    bool m_firstPending = false; // the first row was read to learn the columns and not yet handed out
    bool m_done = false;
    // On a server: the rows of a forward-only recordset.
    std::unique_ptr<Recordset> m_rows;
    DbError m_rowsError;
};

} // namespace quelmar::db
