#include "db/textrows.h"

#include "db/database.h"
#include "db/jetvalue.h"
#include "db/recordsetsource.h"

#include <QDateTime>
#include <QRegularExpression>

#include <charconv>
#include <cmath>
#include <string_view>

#include <sqlite3.h>

namespace quelmar::db {

namespace {

// Whole numbers below 10^15 in full, others with 15 significant digits.
QString numberText(double number)
{
    if (std::isfinite(number) && number == std::trunc(number) && std::abs(number) < 1e15)
        return QString::number(qint64(number));
    return QString::number(number, 'g', 15);
}

void appendNumber(double number, QByteArray& out)
{
    if (number == 0) { // and not "-0"
        out.append('0');
        return;
    }
    char digits[32];
    const auto written =
        std::to_chars(digits, digits + sizeof digits, number, std::chars_format::general, 15);
    out.append(digits, written.ptr - digits);
}

// Text with its line breaks and tabs as single spaces ("\r\n" is one break).
void appendFlatText(const char* text, int size, QByteArray& out)
{
    int from = 0;
    for (int i = 0; i < size; ++i) {
        const char c = text[i];
        if (c != '\r' && c != '\n' && c != '\t')
            continue;
        out.append(text + from, i - from);
        out.append(' ');
        if (c == '\r' && i + 1 < size && text[i + 1] == '\n')
            ++i;
        from = i + 1;
    }
    out.append(text + from, size - from);
}

bool isDigits(const char* text, int from, int to)
{
    for (int i = from; i < to; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
    }
    return true;
}

// "yyyy-mm-dd" at the start of the text.
bool startsWithIsoDate(const char* text, int size)
{
    return size >= 10 && isDigits(text, 0, 4) && text[4] == '-' && isDigits(text, 5, 7) && text[7] == '-' &&
           isDigits(text, 8, 10);
}

// "yyyy-mm-dd hh:mm:ss".
bool isIsoMoment(const char* text, int size)
{
    return size == 19 && startsWithIsoDate(text, size) && text[10] == ' ' && isDigits(text, 11, 13) &&
           text[13] == ':' && isDigits(text, 14, 16) && text[16] == ':' && isDigits(text, 17, 19);
}

} // namespace

QString exportText(const QVariant& value)
{
    if (!value.isValid() || value.isNull())
        return {};
    switch (value.typeId()) {
    case QMetaType::QDate:
        return value.toDate().toString(Qt::ISODate);
    case QMetaType::QDateTime:
        return value.toDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    case QMetaType::Double:
    case QMetaType::Float:
        return numberText(value.toDouble());
    case QMetaType::QByteArray:
        return QString::fromLatin1(value.toByteArray().toHex());
    default:
        break;
    }
    QString text = value.toString();
    static const QRegularExpression breaks(QStringLiteral("\r\n|[\r\n\t]"));
    text.replace(breaks, QStringLiteral(" "));
    return text;
}

std::unique_ptr<TextRows> TextRows::open(Database& database, const QString& source, DbError& error)
{
    if (database.isServer()) {
        std::unique_ptr<TextRows> rows(new TextRows);
        rows->m_rows = database.openRecordset(source, RecordsetType::ForwardOnly, error);
        if (!rows->m_rows)
            return nullptr;
        for (int i = 0; i < rows->m_rows->fieldCount(); ++i)
            rows->m_fields << rows->m_rows->field(i);
        return rows;
    }
    const QString sql = database.forwardSql(source, error);
    if (!error.ok())
        return nullptr;
    std::unique_ptr<TextRows> rows(new TextRows);
    rows->m_statement = SqliteStatement(database.handle(), sql);
    if (!rows->m_statement.isValid()) {
        error = rows->m_statement.error();
        error.statement = source;
        return nullptr;
    }
    // The first row tells the types of columns that are not fields of a table.
    rows->m_hasRow = rows->m_statement.step();
    if (!rows->m_statement.error().ok()) {
        error = rows->m_statement.error();
        return nullptr;
    }
    rows->m_fields = describeColumns(database, rows->m_statement, rows->m_hasRow);
    return rows;
}

bool TextRows::next()
{
    if (m_rows) {
        if (m_firstStepped)
            m_rows->moveNext();
        m_firstStepped = true;
        m_rowsError = m_rows->lastError();
        return !m_rows->eof() && m_rowsError.ok();
    }
    if (!m_firstStepped) {
        m_firstStepped = true;
        return m_hasRow;
    }
    if (!m_hasRow)
        return false;
    m_hasRow = m_statement.step();
    return m_hasRow;
}

void TextRows::appendGeneral(int column, QByteArray& out) const
{
    if (m_rows) {
        out.append(exportText(m_rows->value(column)).toUtf8());
        return;
    }
    out.append(
        exportText(jetvalue::fromStorage(m_statement.value(column), m_fields.at(column).type())).toUtf8());
}

void TextRows::appendText(int column, QByteArray& out) const
{
    if (m_rows) {
        appendGeneral(column, out);
        return;
    }
    sqlite3_stmt* statement = m_statement.handle();
    const int storage = sqlite3_column_type(statement, column);
    if (storage == SQLITE_NULL)
        return;
    const int type = m_fields.at(column).type();
    switch (type) {
    case jettype::Boolean:
        if (storage == SQLITE_INTEGER) {
            out.append(sqlite3_column_int64(statement, column) != 0 ? '1' : '0');
            return;
        }
        break;
    case jettype::Byte:
    case jettype::Integer:
    case jettype::Long:
        if (storage == SQLITE_INTEGER) {
            char digits[24];
            const auto written =
                std::to_chars(digits, digits + sizeof digits, sqlite3_column_int64(statement, column));
            out.append(digits, written.ptr - digits);
            return;
        }
        break;
    case jettype::Currency:
    case jettype::Single:
    case jettype::Double:
        if (storage == SQLITE_FLOAT || storage == SQLITE_INTEGER) {
            appendNumber(sqlite3_column_double(statement, column), out);
            return;
        }
        break;
    case jettype::Date:
        if (storage == SQLITE_TEXT) {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
            const int size = sqlite3_column_bytes(statement, column);
            if (size == 10 && jetvalue::isoDate(QLatin1StringView(text, 10)).isValid()) {
                out.append(text, size);
                return;
            }
            if (isIsoMoment(text, size) && jetvalue::isoDate(QLatin1StringView(text, 10)).isValid()) {
                // A moment at midnight is a date.
                out.append(text, std::string_view(text + 10, 9) == " 00:00:00" ? 10 : size);
                return;
            }
        }
        break;
    default:
        if (storage == SQLITE_TEXT) {
            appendFlatText(reinterpret_cast<const char*>(sqlite3_column_text(statement, column)),
                           sqlite3_column_bytes(statement, column), out);
            return;
        }
        break;
    }
    appendGeneral(column, out);
}

} // namespace quelmar::db
