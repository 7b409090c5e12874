#pragma once

#include <benchmark/benchmark.h>

#include <QElapsedTimer>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <memory>

namespace quelmar::db {
class Database;
}

// The benchmark offices (largeoffice.h) on a PostgreSQL server, and psql beside the program on the same
// data. The server is named by QUELMAR_BENCH_PG_URI (else QUELMAR_TEST_PG_URI, as scripts/test.sh sets it);
// without one the server's cases are skipped. Each office is copied to the server once, by the database
// layer, into a database of its own ("quelmar_bench_N_3y") that later runs find ready.
namespace quelmar::bench {

QString serverUri();

// The office of that size on the server, opened; nullptr (and the benchmark skipped) without a server or
// when it cannot be made.
std::unique_ptr<db::Database> openServerOffice(benchmark::State& state, int subscribers);
// The URI of that office's database on the server (made by openServerOffice).
QString serverOfficeUri(int subscribers);

// One psql of its own on a database, fed statements on its standard input: the server's own pace for the
// same statements, without the program in between (the start of psql and its connection are not counted).
class Psql
{
public:
    explicit Psql(const QString& uri);
    ~Psql();
    Psql(const Psql&) = delete;
    Psql& operator=(const Psql&) = delete;

    bool isReady() const { return m_ready; }
    // Runs the statements (each ended by ';') and reads everything psql prints for them; false on an error
    // (what psql said is in failure()).
    bool run(const QStringList& statements);
    QString failure() const { return m_failure; }

private:
    QProcess m_process;
    bool m_ready = false;
    QString m_failure;
};

// Times the program's work and psql's for the same result in the same iteration, by the clock (the server
// does most of the work, outside either process): the counters give ours_ms, psql_ms and the ratio of the
// two (the program's time over psql's; 1.0 is psql's pace).
class ServerPaired
{
public:
    explicit ServerPaired(benchmark::State& state) : m_state(state) {}
    ServerPaired(const ServerPaired&) = delete;
    ServerPaired& operator=(const ServerPaired&) = delete;
    ~ServerPaired();

    template <typename Work> void ours(Work&& work)
    {
        QElapsedTimer clock;
        clock.start();
        work();
        m_ours += double(clock.nsecsElapsed()) * 1e-9;
    }

    // psql's work: not in the benchmark's time.
    template <typename Work> void psql(Work&& work)
    {
        m_state.PauseTiming();
        QElapsedTimer clock;
        clock.start();
        work();
        m_psql += double(clock.nsecsElapsed()) * 1e-9;
        m_state.ResumeTiming();
    }

private:
    benchmark::State& m_state;
    double m_ours = 0;
    double m_psql = 0;
};

} // namespace quelmar::bench
