#pragma once

#include "db/dberror.h"
#include "db/recordset.h"
#include "db/sqlitestatement.h"

#include <QByteArray>
#include <QList>
#include <QVariant>

#include <memory>

namespace quelmar::db {

class Database;

// A value as text files of rows (exports, the query command) write it: Null empty, dates in ISO form
// ("2024-01-05", or "2024-01-05 10:30:00" with a time), yes/no as 1 or 0, numbers with up to 15 significant
// digits and no useless ".0", line breaks and tabs inside texts as single spaces.
QString exportText(const QVariant& value);

// The rows of a statement stepped once from the first to the last, each value handed as the UTF-8 bytes of
// its exportText(), read straight from the database without making a program value of it where the stored
// form allows. For exports of any length: nothing is kept but the current row.
class TextRows
{
public:
    // Opens a table, a stored query (by name or "&name") or a SELECT / TRANSFORM of the system's SQL, as
    // Database::openRecordset does.
    static std::unique_ptr<TextRows> open(Database& database, const QString& source, DbError& error);

    const QList<FieldInfo>& fields() const { return m_fields; }
    // Steps to the next row (the first one on the first call); false at the end or on an error.
    bool next();
    // The current row's value of the column as text, appended to `out`.
    void appendText(int column, QByteArray& out) const;
    // The error that ended the rows early (none at a normal end).
    const DbError& error() const { return m_rows ? m_rowsError : m_statement.error(); }

private:
    TextRows() = default;
    void appendGeneral(int column, QByteArray& out) const;

    SqliteStatement m_statement;
    // On a server: the rows of a forward-only recordset.
    std::unique_ptr<Recordset> m_rows;
    DbError m_rowsError;
    QList<FieldInfo> m_fields;
    bool m_firstStepped = false;
    bool m_hasRow = false;
};

} // namespace quelmar::db
