#include "pgtestserver.h"

#include "db/pgschema.h"

#include <QCoreApplication>

#include <atomic>

namespace quelmar::db::testing {

QString testServerUri()
{
    return qEnvironmentVariable("QUELMAR_TEST_PG_URI");
}

ScratchPgDatabase::ScratchPgDatabase()
{
    static std::atomic<int> serial{0};
    m_name = QStringLiteral("quelmar_test_%1_%2").arg(QCoreApplication::applicationPid()).arg(++serial);
    DbError error;
    auto admin = PgConnection::open(testServerUri(), error);
    if (!admin) {
        m_failure = error.description;
        return;
    }
    admin->execute(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(m_name));
    error =
        admin->execute(QStringLiteral("CREATE DATABASE %1 TEMPLATE template0 ENCODING 'UTF8'").arg(m_name));
    if (!error.ok()) {
        m_failure = error.description;
        return;
    }
    auto connection = PgConnection::open(testServerUri(), error, m_name);
    if (connection)
        error = connection->executeAll(pgschema::functionsSql());
    if (!error.ok()) {
        m_failure = error.description;
        return;
    }
    m_connection = std::move(connection);
}

ScratchPgDatabase::~ScratchPgDatabase()
{
    m_connection.reset();
    DbError error;
    if (auto admin = PgConnection::open(testServerUri(), error))
        admin->execute(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(m_name));
}

} // namespace quelmar::db::testing
