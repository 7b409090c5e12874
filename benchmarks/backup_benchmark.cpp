// Measures the backup and compaction of the database of a large company's office (100,000 subscribers and
// about 2,000,000 payments, made once and kept in the cache folder) against SQLite's own command doing the
// same compaction, `sqlite3 DB "VACUUM INTO 'copy'"`, on the same file in the same run.
// QUELMAR_BENCH_SUBSCRIBERS sizes a smaller office, QUELMAR_BENCH_DIR chooses where it is kept.

#include "largeoffice.h"

#include "maintenance/databasefiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace quelmar;

namespace {

// A working copy of the large database in a folder of its own, so that the cached one is never changed.
struct WorkingCopy
{
    QTemporaryDir folder{QFileInfo(bench::largeDatabase()).absolutePath() + QStringLiteral("/work-XXXXXX")};
    QString base() const { return folder.filePath(QStringLiteral("Quelmar")); }

    bool refresh() const
    {
        for (const char* suffix : {".mdb", ".tmp", ".bak", ".cmp", ".copia"})
            QFile::remove(base() + QLatin1String(suffix));
        return QFile::copy(bench::largeDatabase(), base() + QStringLiteral(".mdb"));
    }
};

// SQLite's own compaction, for comparison: the sqlite3 command's VACUUM INTO a new file.
void BM_SqliteVacuumInto(benchmark::State& state)
{
    const QString sqlite = QStandardPaths::findExecutable(QStringLiteral("sqlite3"));
    if (sqlite.isEmpty()) {
        state.SkipWithError("the sqlite3 command is not installed");
        return;
    }
    WorkingCopy copy;
    for (auto _ : state) {
        state.PauseTiming();
        if (!copy.refresh()) {
            state.SkipWithError("the database cannot be copied");
            return;
        }
        state.ResumeTiming();
        QProcess command;
        command.start(sqlite, {copy.base() + QStringLiteral(".mdb"),
                               QStringLiteral("VACUUM INTO '%1.copia'").arg(copy.base())});
        if (!command.waitForFinished(-1) || command.exitCode() != 0) {
            state.SkipWithError("sqlite3 failed");
            return;
        }
    }
}
BENCHMARK(BM_SqliteVacuumInto)->Unit(benchmark::kMillisecond)->UseRealTime();

// The office's backup: X.mdb renamed to X.tmp, compacted into a new X.mdb that is checked, X.tmp kept as
// X.bak.
void BM_BackupAndCompaction(benchmark::State& state)
{
    WorkingCopy copy;
    for (auto _ : state) {
        state.PauseTiming();
        if (!copy.refresh()) {
            state.SkipWithError("the database cannot be copied");
            return;
        }
        state.ResumeTiming();
        const db::DbError error = maintenance::backUpDatabase(maintenance::DatabaseFiles::of(copy.base()));
        if (!error.ok()) {
            state.SkipWithError(qPrintable(error.description));
            return;
        }
    }
}
BENCHMARK(BM_BackupAndCompaction)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
