#pragma once

#include "db/dberror.h"

#include <QString>
#include <QVariant>

struct sqlite3;
struct sqlite3_stmt;

namespace quelmar::db {

// A prepared SQLite statement owned for its lifetime, with values bound by position and read back as
// QVariant (integers as qlonglong, reals as double, text as QString, Null invalid).
class SqliteStatement
{
public:
    SqliteStatement() = default;
    SqliteStatement(sqlite3* handle, const QString& sql);
    ~SqliteStatement();
    SqliteStatement(SqliteStatement&& other) noexcept;
    SqliteStatement& operator=(SqliteStatement&& other) noexcept;
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    bool isValid() const { return m_statement != nullptr; }
    const DbError& error() const { return m_error; }
    QString sql() const { return m_sql; }

    bool bind(const QVariantList& values);
    bool bind(int position, const QVariant& value); // 1-based
    // True while there is a row; on the end or on an error false, with error() telling which.
    bool step();
    void reset();

    int columnCount() const;
    QVariant value(int column) const;
    qint64 int64(int column) const;
    bool isNull(int column) const;
    QString columnName(int column) const;
    QString originTable(int column) const;
    QString originColumn(int column) const;
    QString declaredType(int column) const;
    int storageType(int column) const; // SQLITE_INTEGER, SQLITE_FLOAT, SQLITE_TEXT, SQLITE_BLOB, SQLITE_NULL

    sqlite3_stmt* handle() const { return m_statement; }

private:
    void setError(int code);

    sqlite3* m_handle = nullptr;
    sqlite3_stmt* m_statement = nullptr;
    QString m_sql;
    DbError m_error;
};

// Runs a statement without rows (DDL, BEGIN, COMMIT): its error, or none.
DbError runSql(sqlite3* handle, const QString& sql, const QVariantList& values = {});

} // namespace quelmar::db
