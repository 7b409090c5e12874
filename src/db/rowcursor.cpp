#include "db/rowcursor.h"

#include "db/database.h"
#include "db/jetvalue.h"
#include "db/recordsetsource.h"
#include "db/sqlitestatement.h"

#include <cmath>
#include <cstdio>

#include <sqlite3.h>

namespace quelmar::db {

namespace {

void appendNumber(double number, QByteArray& out)
{
    if (std::isfinite(number) && number == std::trunc(number) && std::fabs(number) < 1e15) {
        out.append(QByteArray::number(static_cast<qint64>(number)));
        return;
    }
    out.append(QByteArray::number(number, 'g', 15));
}

// "YYYY-MM-DD[ HH:MM:SS]" as "DD/MM/YYYY[ HH:MM:SS]"; other texts as they are.
void appendDate(const char* text, int length, QByteArray& out)
{
    const bool iso = length >= 10 && text[4] == '-' && text[7] == '-';
    if (!iso) {
        out.append(text, length);
        return;
    }
    out.append(text + 8, 2).append('/').append(text + 5, 2).append('/').append(text, 4);
    if (length > 10)
        out.append(text + 10, length - 10);
}

} // namespace

RowCursor::RowCursor(Database& database, std::unique_ptr<SqliteStatement> statement)
    : m_database(database), m_statement(std::move(statement))
{}

RowCursor::~RowCursor() = default;

std::unique_ptr<RowCursor> RowCursor::open(Database& database, const QString& source, DbError& error)
{
    error = {};
    if (database.isServer()) {
        std::unique_ptr<RowCursor> cursor(new RowCursor(database, nullptr));
        cursor->m_rows = database.openRecordset(source, RecordsetType::ForwardOnly, error);
        if (!cursor->m_rows)
            return nullptr;
        for (int i = 0; i < cursor->m_rows->fieldCount(); ++i) {
            cursor->m_fields.append(cursor->m_rows->field(i));
            cursor->m_types.append(cursor->m_rows->field(i).type());
        }
        return cursor;
    }
    const QString sql = database.forwardSql(source, error);
    if (!error.ok())
        return nullptr;
    auto statement = std::make_unique<SqliteStatement>(database.handle(), sql);
    if (!statement->isValid()) {
        error = statement->error();
        error.statement = source;
        return nullptr;
    }
    std::unique_ptr<RowCursor> cursor(new RowCursor(database, std::move(statement)));
    SqliteStatement& rows = *cursor->m_statement;
    // The first row tells the types of columns that are not fields of a table.
    const bool hasRow = rows.step();
    if (!hasRow && !rows.error().ok()) {
        error = rows.error();
        error.statement = source;
        return nullptr;
    }
    cursor->m_firstPending = hasRow;
    cursor->m_done = !hasRow;
    cursor->m_fields = describeColumns(database, rows, hasRow);
    for (const FieldInfo& field : std::as_const(cursor->m_fields))
        cursor->m_types.append(field.type());
    return cursor;
}

bool RowCursor::next()
{
    if (m_rows) {
        if (m_started)
            m_rows->moveNext();
        m_started = true;
        m_rowsError = m_rows->lastError();
        return !m_rows->eof() && m_rowsError.ok();
    }
    if (m_firstPending) {
        m_firstPending = false;
        m_started = true;
        return true;
    }
    if (m_done)
        return false;
    m_started = true;
    if (!m_statement->step()) {
        m_done = true;
        return false;
    }
    return true;
}

const DbError& RowCursor::error() const
{
    if (m_rows)
        return m_rowsError;
    return m_statement->error();
}

QVariant RowCursor::value(int column) const
{
    if (!m_started || column < 0 || column >= m_types.size())
        return {};
    if (m_rows)
        return m_rows->value(column);
    return jetvalue::fromStorage(m_statement->value(column), m_types.at(column));
}

void RowCursor::appendText(int column, QByteArray& out) const
{
    if (!m_started || column < 0 || column >= m_types.size())
        return;
    if (m_rows) {
        const QVariant value = m_rows->value(column);
        switch (value.typeId()) {
        case QMetaType::UnknownType:
            return;
        case QMetaType::Bool:
            out.append(value.toBool() ? "Verdadero" : "Falso");
            return;
        case QMetaType::Double:
            appendNumber(value.toDouble(), out);
            return;
        case QMetaType::QDate:
            out.append(value.toDate().toString(QStringLiteral("dd/MM/yyyy")).toUtf8());
            return;
        case QMetaType::QDateTime:
            out.append(value.toDateTime().toString(QStringLiteral("dd/MM/yyyy hh:mm:ss")).toUtf8());
            return;
        default:
            out.append(value.toString().toUtf8());
            return;
        }
    }
    sqlite3_stmt* statement = m_statement->handle();
    const int storage = sqlite3_column_type(statement, column);
    const int type = m_types.at(column);
    switch (storage) {
    case SQLITE_NULL:
        return;
    case SQLITE_INTEGER:
        if (type == jettype::Boolean) {
            out.append(sqlite3_column_int64(statement, column) != 0 ? "Verdadero" : "Falso");
            return;
        }
        out.append(QByteArray::number(sqlite3_column_int64(statement, column)));
        return;
    case SQLITE_FLOAT:
        appendNumber(sqlite3_column_double(statement, column), out);
        return;
    default: {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
        const int length = sqlite3_column_bytes(statement, column);
        if (!text)
            return;
        if (type == jettype::Date)
            appendDate(text, length, out);
        else
            out.append(text, length);
        return;
    }
    }
}

} // namespace quelmar::db
