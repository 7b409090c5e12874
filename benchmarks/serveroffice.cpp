#include "serveroffice.h"

#include "largeoffice.h"

#include "db/database.h"
#include "db/databasecopy.h"
#include "db/pgconnection.h"

#include <QUrl>

#include <cstdio>

namespace quelmar::bench {

namespace {

const QByteArray EndMark = QByteArrayLiteral("quelmar-psql-end");

QString officeName(int subscribers)
{
    return QStringLiteral("quelmar_bench_%1_3y").arg(subscribers);
}

QString uriOf(const QString& database)
{
    QUrl url(serverUri());
    url.setPath(QLatin1Char('/') + database);
    return url.toString();
}

// Makes the office's database on the server when it is not there yet: copied under another name and renamed
// when whole, so that a copy cut short is never taken for a finished one.
bool makeServerOffice(int subscribers, QString& failure)
{
    db::DbError error;
    auto admin = db::PgConnection::open(serverUri(), error);
    if (!admin) {
        failure = error.description;
        return false;
    }
    db::PgRows found;
    error = admin->execute(QStringLiteral("SELECT 1 FROM pg_database WHERE datname = ?"),
                           {officeName(subscribers)}, &found);
    if (error.ok() && !found.rows.isEmpty())
        return true;
    const QString part = officeName(subscribers) + QStringLiteral("_part");
    admin->execute(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(part));
    std::fprintf(stderr, "Copying the office of %d subscribers to the server ...\n", subscribers);
    error = db::copyDatabase(officeDatabase(subscribers), uriOf(part));
    if (error.ok())
        error = admin->execute(
            QStringLiteral("ALTER DATABASE %1 RENAME TO %2").arg(part, officeName(subscribers)));
    if (!error.ok()) {
        failure = error.description;
        return false;
    }
    return true;
}

} // namespace

QString serverUri()
{
    const QString uri = qEnvironmentVariable("QUELMAR_BENCH_PG_URI");
    return uri.isEmpty() ? qEnvironmentVariable("QUELMAR_TEST_PG_URI") : uri;
}

QString serverOfficeUri(int subscribers)
{
    return uriOf(officeName(subscribers));
}

std::unique_ptr<db::Database> openServerOffice(benchmark::State& state, int subscribers)
{
    if (serverUri().isEmpty()) {
        state.SkipWithError("skipped: no database server (set QUELMAR_BENCH_PG_URI or QUELMAR_TEST_PG_URI)");
        return nullptr;
    }
    QString failure;
    if (!makeServerOffice(subscribers, failure)) {
        state.SkipWithError(qPrintable(failure));
        return nullptr;
    }
    db::DbError error;
    auto database = db::Database::open(serverOfficeUri(subscribers), {}, error);
    if (!database)
        state.SkipWithError(qPrintable(error.description));
    return database;
}

Psql::Psql(const QString& uri)
{
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.start(QStringLiteral("psql"),
                    {QStringLiteral("-X"), QStringLiteral("-q"), QStringLiteral("-A"), QStringLiteral("-t"),
                     QStringLiteral("-v"), QStringLiteral("ON_ERROR_STOP=0"),
                     db::PgConnection::serverUri(uri)});
    m_ready = m_process.waitForStarted() && run({QStringLiteral("SELECT 1;")});
}

Psql::~Psql()
{
    m_process.closeWriteChannel();
    if (!m_process.waitForFinished(5000))
        m_process.kill();
    m_process.waitForFinished();
}

bool Psql::run(const QStringList& statements)
{
    QByteArray input;
    for (const QString& statement : statements)
        input += statement.toUtf8() + '\n';
    input += "\\echo " + EndMark + '\n';
    m_process.write(input);
    QByteArray output;
    while (!output.contains(EndMark + '\n')) {
        if (m_process.state() != QProcess::Running && m_process.bytesAvailable() == 0) {
            m_failure = QString::fromUtf8(output);
            return false;
        }
        m_process.waitForReadyRead(100);
        output += m_process.readAll();
    }
    if (output.contains("ERROR:")) {
        m_failure = QString::fromUtf8(output);
        return false;
    }
    benchmark::DoNotOptimize(output.size());
    return true;
}

ServerPaired::~ServerPaired()
{
    if (m_psql <= 0 || m_state.iterations() == 0)
        return;
    const double iterations = double(m_state.iterations());
    m_state.counters["ours_ms"] = m_ours * 1000 / iterations;
    m_state.counters["psql_ms"] = m_psql * 1000 / iterations;
    m_state.counters["ratio"] = m_ours / m_psql;
}

} // namespace quelmar::bench
