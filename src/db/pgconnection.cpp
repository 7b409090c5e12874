#include "db/pgconnection.h"

#include <QDateTime>
#include <QTimeZone>
#include <QUrl>
#include <QUrlQuery>

#include <libpq-fe.h>

#include <vector>

namespace quelmar::db {

namespace {

// Type numbers of the server's built-in types (pg_type.oid); citext and other added types read as text.
constexpr Oid BoolOid = 16;
constexpr Oid Int8Oid = 20;
constexpr Oid Int2Oid = 21;
constexpr Oid Int4Oid = 23;
constexpr Oid Float4Oid = 700;
constexpr Oid Float8Oid = 701;
constexpr Oid NumericOid = 1700;
constexpr Oid DateOid = 1082;
constexpr Oid TimestampOid = 1114;
constexpr Oid TimestampTzOid = 1184;

QVariant readValue(const PGresult* result, int row, int column)
{
    if (PQgetisnull(result, row, column))
        return {};
    const char* text = PQgetvalue(result, row, column);
    const int length = PQgetlength(result, row, column);
    switch (PQftype(result, column)) {
    case BoolOid:
        return QVariant::fromValue(qlonglong(text[0] == 't' ? 1 : 0));
    case Int2Oid:
    case Int4Oid:
    case Int8Oid:
        return QVariant::fromValue(QByteArray::fromRawData(text, length).toLongLong());
    case Float4Oid:
    case Float8Oid:
    case NumericOid:
        return QByteArray::fromRawData(text, length).toDouble();
    case TimestampOid:
    case TimestampTzOid: {
        // "2024-03-01 00:00:00" is the date alone, as the SQLite side keeps it.
        QString value = QString::fromUtf8(text, length).left(19);
        if (value.endsWith(QLatin1String(" 00:00:00")))
            value.chop(9);
        return value;
    }
    case DateOid:
    default:
        return QString::fromUtf8(text, length);
    }
}

QByteArray parameterText(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool() ? QByteArrayLiteral("1") : QByteArrayLiteral("0");
    case QMetaType::Double:
    case QMetaType::Float:
        return QByteArray::number(value.toDouble(), 'g', 17);
    case QMetaType::QDate:
        return value.toDate().toString(Qt::ISODate).toUtf8();
    case QMetaType::QDateTime:
        return value.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toUtf8();
    default:
        return value.toString().toUtf8();
    }
}

// A connection failure as one of the engine's numbers: libpq reports these without an SQLSTATE.
DbError connectionError(const QString& message, const QString& uri)
{
    const QString shown = PgConnection::withoutPassword(uri);
    if (message.contains(QLatin1String("password authentication failed")) ||
        message.contains(QLatin1String("no password supplied")) ||
        message.contains(QLatin1String("no pg_hba.conf entry")) ||
        (message.contains(QLatin1String("role \"")) && message.contains(QLatin1String("does not exist"))))
        return DbError::make(
            jeterror::InvalidPassword,
            jetDescription(jeterror::InvalidPassword) + QStringLiteral(" (%1: %2)").arg(shown, message), {});
    if (message.contains(QLatin1String("database \"")) && message.contains(QLatin1String("does not exist")))
        return DbError::make(
            jeterror::FileNotFound,
            jetDescription(jeterror::FileNotFound, {shown}) + QStringLiteral(" (%1)").arg(message), {});
    return DbError::make(
        jeterror::DiskError,
        jetDescription(jeterror::DiskError) + QStringLiteral(" (%1: %2)").arg(shown, message), {});
}

void ignoreNotice(void*, const char*) {}

} // namespace

bool PgConnection::isUri(const QString& text)
{
    return text.startsWith(QLatin1String("postgresql://"), Qt::CaseInsensitive) ||
           text.startsWith(QLatin1String("postgres://"), Qt::CaseInsensitive);
}

QString PgConnection::withoutPassword(const QString& uri)
{
    QUrl url(uri);
    if (!url.isValid())
        return QStringLiteral("postgresql://…");
    url.setPassword(QString());
    QUrlQuery query(url);
    query.removeAllQueryItems(QStringLiteral("password"));
    url.setQuery(query);
    return url.toString();
}

QString PgConnection::serverUri(const QString& uri)
{
    // The office names its database X + ".mdb"; on a server X is the database.
    QUrl url(uri);
    QString path = url.path();
    if (path.endsWith(QLatin1String(".mdb"), Qt::CaseInsensitive)) {
        path.chop(4);
        url.setPath(path);
        return url.toString();
    }
    return uri;
}

std::unique_ptr<PgConnection> PgConnection::open(const QString& uri, DbError& error,
                                                 const QString& databaseName)
{
    error = {};
    const QByteArray dsn = serverUri(uri).toUtf8();
    const QByteArray database = databaseName.toUtf8();
    std::vector<const char*> keywords{"dbname", "client_encoding", "application_name"};
    std::vector<const char*> values{dsn.constData(), "UTF8", "quelmar"};
    if (!databaseName.isEmpty()) {
        keywords.push_back("dbname");
        values.push_back(database.constData());
    }
    keywords.push_back(nullptr);
    values.push_back(nullptr);
    // expand_dbname: the first dbname is the URI; a later dbname overrides the database it names.
    PGconn* connection = PQconnectdbParams(keywords.data(), values.data(), 1);
    if (connection == nullptr) {
        error = connectionError(QStringLiteral("out of memory"), uri);
        return {};
    }
    if (PQstatus(connection) != CONNECTION_OK) {
        error = connectionError(QString::fromUtf8(PQerrorMessage(connection)).trimmed(), uri);
        PQfinish(connection);
        return {};
    }
    PQsetNoticeProcessor(connection, ignoreNotice, nullptr);
    std::unique_ptr<PgConnection> result(new PgConnection);
    result->m_connection = connection;
    // Dates as ISO text, "now" in this computer's time zone (as SQLite's 'localtime'), and a lock that
    // another workstation holds is waited for a short while only: then the program's own retry policy takes
    // over.
    error = result->executeAll(
        {QStringLiteral("SET DateStyle = 'ISO, YMD'"), QStringLiteral("SET lock_timeout = '2s'")});
    const QByteArray zone = QTimeZone::systemTimeZoneId();
    if (error.ok() && !zone.isEmpty())
        result->execute(QStringLiteral("SET TimeZone = '%1'")
                            .arg(QString::fromLatin1(zone).replace(QLatin1Char('\''), QString())));
    if (!error.ok())
        return {};
    return result;
}

PgConnection::~PgConnection()
{
    if (m_connection != nullptr)
        PQfinish(m_connection);
}

bool PgConnection::isConnected() const
{
    return m_connection != nullptr && PQstatus(m_connection) == CONNECTION_OK;
}

DbError PgConnection::execute(const QString& sql, const QVariantList& values, PgRows* rows,
                              qint64* rowsAffected)
{
    const QByteArray text = (values.isEmpty() ? sql : numberedPlaceholders(sql)).toUtf8();
    std::vector<QByteArray> texts;
    std::vector<const char*> pointers;
    texts.reserve(values.size());
    for (const QVariant& value : values) {
        if (!value.isValid() || value.isNull()) {
            pointers.push_back(nullptr);
            continue;
        }
        texts.push_back(parameterText(value));
        pointers.push_back(texts.back().constData());
    }
    PGresult* result = PQexecParams(m_connection, text.constData(), int(pointers.size()), nullptr,
                                    pointers.data(), nullptr, nullptr, 0);
    const ExecStatusType status = result ? PQresultStatus(result) : PGRES_FATAL_ERROR;
    DbError error;
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK && status != PGRES_EMPTY_QUERY) {
        m_lastMessage =
            QString::fromUtf8(result ? PQresultErrorMessage(result) : PQerrorMessage(m_connection)).trimmed();
        const char* state = result ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
        const char* constraint = result ? PQresultErrorField(result, PG_DIAG_CONSTRAINT_NAME) : nullptr;
        const char* column = result ? PQresultErrorField(result, PG_DIAG_COLUMN_NAME) : nullptr;
        m_lastConstraint = QString::fromUtf8(constraint ? constraint : "");
        // No SQLSTATE: the connection itself failed.
        const QString sqlState = state ? QString::fromLatin1(state) : QStringLiteral("08006");
        error = fromPostgres(sqlState, m_lastMessage, sql,
                             QString::fromUtf8(constraint ? constraint : (column ? column : "")));
    } else {
        if (rowsAffected != nullptr)
            *rowsAffected = QByteArray(PQcmdTuples(result)).toLongLong();
        if (rows != nullptr && status == PGRES_TUPLES_OK) {
            const int columns = PQnfields(result);
            const int count = PQntuples(result);
            *rows = PgRows{};
            for (int c = 0; c < columns; ++c) {
                rows->columns << QString::fromUtf8(PQfname(result, c));
                rows->sourceTables << PQftable(result, c);
                rows->sourceColumns << PQftablecol(result, c);
            }
            rows->rows.reserve(count);
            for (int r = 0; r < count; ++r) {
                QVariantList row;
                row.reserve(columns);
                for (int c = 0; c < columns; ++c)
                    row << readValue(result, r, c);
                rows->rows << row;
            }
        }
    }
    PQclear(result);
    return error;
}

DbError PgConnection::executeAll(const QStringList& statements)
{
    for (const QString& statement : statements) {
        const DbError error = execute(statement);
        if (!error.ok())
            return error;
    }
    return {};
}

QString numberedPlaceholders(const QString& sql)
{
    QString result;
    result.reserve(sql.size() + 8);
    QChar quote;
    int number = 0;
    for (const QChar c : sql) {
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
            result += c;
            continue;
        }
        if (c == u'\'' || c == u'"') {
            quote = c;
            result += c;
        } else if (c == u'?') {
            result += QLatin1Char('$') + QString::number(++number);
        } else {
            result += c;
        }
    }
    return result;
}

} // namespace quelmar::db
