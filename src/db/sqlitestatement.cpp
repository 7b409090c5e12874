#include "db/sqlitestatement.h"

#include <QDate>
#include <QDateTime>
#include <QDir>

#include <sqlite3.h>

#include <utility>

namespace quelmar::db {

SqliteStatement::SqliteStatement(sqlite3* handle, const QString& sql) : m_handle(handle), m_sql(sql)
{
    const int code = sqlite3_prepare16_v3(handle, sql.utf16(), static_cast<int>(sql.size() * sizeof(QChar)),
                                          SQLITE_PREPARE_PERSISTENT, &m_statement, nullptr);
    if (code != SQLITE_OK) {
        setError(sqlite3_extended_errcode(handle));
        sqlite3_finalize(m_statement);
        m_statement = nullptr;
    }
}

SqliteStatement::~SqliteStatement()
{
    sqlite3_finalize(m_statement);
}

SqliteStatement::SqliteStatement(SqliteStatement&& other) noexcept
    : m_handle(other.m_handle), m_statement(std::exchange(other.m_statement, nullptr)),
      m_sql(std::move(other.m_sql)), m_error(std::move(other.m_error))
{}

SqliteStatement& SqliteStatement::operator=(SqliteStatement&& other) noexcept
{
    if (this != &other) {
        sqlite3_finalize(m_statement);
        m_handle = other.m_handle;
        m_statement = std::exchange(other.m_statement, nullptr);
        m_sql = std::move(other.m_sql);
        m_error = std::move(other.m_error);
    }
    return *this;
}

void SqliteStatement::setError(int code)
{
    // The file of the main database, for a failure of the file itself.
    const char* file = sqlite3_db_filename(m_handle, "main");
    m_error = fromSqlite(code, QString::fromUtf8(sqlite3_errmsg(m_handle)), m_sql,
                         file ? QDir::toNativeSeparators(QString::fromUtf8(file)) : QString());
}

bool SqliteStatement::bind(const QVariantList& values)
{
    for (int i = 0; i < values.size(); ++i) {
        if (!bind(i + 1, values.at(i)))
            return false;
    }
    return true;
}

bool SqliteStatement::bind(int position, const QVariant& value)
{
    if (!m_statement)
        return false;
    int code = SQLITE_OK;
    if (!value.isValid() || value.isNull()) {
        code = sqlite3_bind_null(m_statement, position);
    } else {
        switch (value.typeId()) {
        case QMetaType::Bool:
            code = sqlite3_bind_int64(m_statement, position, value.toBool() ? 1 : 0);
            break;
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Long:
        case QMetaType::Short:
            code = sqlite3_bind_int64(m_statement, position, value.toLongLong());
            break;
        case QMetaType::Double:
        case QMetaType::Float:
            code = sqlite3_bind_double(m_statement, position, value.toDouble());
            break;
        case QMetaType::QDate: {
            const QString text = value.toDate().toString(Qt::ISODate);
            code = sqlite3_bind_text16(m_statement, position, text.utf16(), static_cast<int>(text.size() * 2),
                                       SQLITE_TRANSIENT);
            break;
        }
        case QMetaType::QDateTime: {
            const QString text = value.toDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
            code = sqlite3_bind_text16(m_statement, position, text.utf16(), static_cast<int>(text.size() * 2),
                                       SQLITE_TRANSIENT);
            break;
        }
        case QMetaType::QByteArray: {
            const QByteArray bytes = value.toByteArray();
            code = sqlite3_bind_blob(m_statement, position, bytes.constData(), static_cast<int>(bytes.size()),
                                     SQLITE_TRANSIENT);
            break;
        }
        default: {
            const QString text = value.toString();
            code = sqlite3_bind_text16(m_statement, position, text.utf16(), static_cast<int>(text.size() * 2),
                                       SQLITE_TRANSIENT);
            break;
        }
        }
    }
    if (code != SQLITE_OK) {
        setError(code);
        return false;
    }
    return true;
}

bool SqliteStatement::step()
{
    if (!m_statement)
        return false;
    const int code = sqlite3_step(m_statement);
    if (code == SQLITE_ROW)
        return true;
    if (code == SQLITE_DONE) {
        m_error = {};
        return false;
    }
    setError(sqlite3_extended_errcode(m_handle));
    sqlite3_reset(m_statement);
    return false;
}

void SqliteStatement::reset()
{
    if (m_statement) {
        sqlite3_reset(m_statement);
        sqlite3_clear_bindings(m_statement);
    }
}

int SqliteStatement::columnCount() const
{
    return m_statement ? sqlite3_column_count(m_statement) : 0;
}

QVariant SqliteStatement::value(int column) const
{
    switch (sqlite3_column_type(m_statement, column)) {
    case SQLITE_INTEGER:
        return QVariant::fromValue(static_cast<qlonglong>(sqlite3_column_int64(m_statement, column)));
    case SQLITE_FLOAT:
        return sqlite3_column_double(m_statement, column);
    case SQLITE_TEXT: {
        // The file keeps text as UTF-8: decoded once, without SQLite's own UTF-16 copy in between.
        const auto* data = reinterpret_cast<const char*>(sqlite3_column_text(m_statement, column));
        return QString::fromUtf8(data, sqlite3_column_bytes(m_statement, column));
    }
    case SQLITE_BLOB:
        return QByteArray(static_cast<const char*>(sqlite3_column_blob(m_statement, column)),
                          sqlite3_column_bytes(m_statement, column));
    default:
        return {};
    }
}

qint64 SqliteStatement::int64(int column) const
{
    return sqlite3_column_int64(m_statement, column);
}

bool SqliteStatement::isNull(int column) const
{
    return sqlite3_column_type(m_statement, column) == SQLITE_NULL;
}

QString SqliteStatement::columnName(int column) const
{
    return QString::fromUtf8(sqlite3_column_name(m_statement, column));
}

QString SqliteStatement::originTable(int column) const
{
    return QString::fromUtf8(sqlite3_column_table_name(m_statement, column));
}

QString SqliteStatement::originColumn(int column) const
{
    return QString::fromUtf8(sqlite3_column_origin_name(m_statement, column));
}

QString SqliteStatement::declaredType(int column) const
{
    return QString::fromUtf8(sqlite3_column_decltype(m_statement, column));
}

int SqliteStatement::storageType(int column) const
{
    return sqlite3_column_type(m_statement, column);
}

DbError runSql(sqlite3* handle, const QString& sql, const QVariantList& values)
{
    SqliteStatement statement(handle, sql);
    if (!statement.isValid())
        return statement.error();
    if (!statement.bind(values))
        return statement.error();
    while (statement.step()) {
    }
    return statement.error();
}

} // namespace quelmar::db
