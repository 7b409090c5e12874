// Measures `quelmar-admin query DATABASE 'SELECT * FROM Pagos'` on the large office
// (benchmarks/largeoffice.h) beside SQLite writing the same rows as tab-separated text itself, in the same
// iteration (see paired.h); grownKB is how much the process's memory grew during the export.

#include "largeoffice.h"
#include "paired.h"

#include "app/admincommands.h"

#include <benchmark/benchmark.h>

#include <QTextStream>

#include <sqlite3.h>

using namespace quelmar;

namespace {

using bench::DiscardingDevice;
using bench::MemoryPeak;
using bench::Paired;

// What SQLite itself does for the same export: the column names, then every row's values as text, separated
// by tabs, written in large blocks.
void sqliteExport(const QString& path, const char* sql, QIODevice& out)
{
    sqlite3* handle = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &handle, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(handle, sql, -1, &statement, nullptr);
    const int columns = sqlite3_column_count(statement);
    QByteArray block;
    block.reserve(1 << 16);
    for (int column = 0; column < columns; ++column) {
        block.append(sqlite3_column_name(statement, column));
        block.append(column + 1 < columns ? '\t' : '\n');
    }
    while (sqlite3_step(statement) == SQLITE_ROW) {
        for (int column = 0; column < columns; ++column) {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
            block.append(text, sqlite3_column_bytes(statement, column));
            block.append(column + 1 < columns ? '\t' : '\n');
        }
        if (block.size() >= (1 << 16) - 1024) {
            out.write(block);
            block.clear();
        }
    }
    out.write(block);
    sqlite3_finalize(statement);
    sqlite3_close_v2(handle);
}

void BM_ExportAllPayments(benchmark::State& state)
{
    const QString path = bench::largeDatabase();
    Paired paired(state);
    for (auto _ : state) {
        MemoryPeak peak;
        DiscardingDevice device(&peak);
        paired.ours([&] {
            QTextStream out(&device);
            QString errors;
            QTextStream err(&errors);
            if (app::query({path, QStringLiteral("SELECT * FROM Pagos")}, out, err) != 0)
                state.SkipWithError(qPrintable(errors));
        });
        peak.sample();
        state.counters["grownKB"] = static_cast<double>(peak.grownKilobytes());
        state.counters["MB"] = static_cast<double>(device.written()) / 1e6;
        paired.sqlite([&] {
            DiscardingDevice discarded;
            sqliteExport(path, "SELECT * FROM \"Pagos\"", discarded);
        });
    }
}
BENCHMARK(BM_ExportAllPayments)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
