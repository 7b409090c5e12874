#pragma once

#include "db/pgconnection.h"

#include <QString>

#include <memory>

namespace quelmar::db::testing {

// The test server's URI (QUELMAR_TEST_PG_URI, set by scripts/test.sh from scripts/pg-test-cluster.sh); empty
// when the tests run without a server.
QString testServerUri();

// A database of its own on the test server, made for one test and dropped after it, with the functions the
// translated statements call.
class ScratchPgDatabase
{
public:
    ScratchPgDatabase();
    ~ScratchPgDatabase();
    ScratchPgDatabase(const ScratchPgDatabase&) = delete;
    ScratchPgDatabase& operator=(const ScratchPgDatabase&) = delete;

    // False (with a reason) when it could not be made.
    bool isReady() const { return m_connection != nullptr; }
    QString failure() const { return m_failure; }

    PgConnection& connection() { return *m_connection; }
    QString name() const { return m_name; }

private:
    QString m_name;
    QString m_failure;
    std::unique_ptr<PgConnection> m_connection;
};

} // namespace quelmar::db::testing
