// Measures the database layer on an office of a large company: 100,000 subscribers and about 2,000,000
// payments (made once and kept in the cache folder). QUELMAR_BENCH_SUBSCRIBERS and QUELMAR_BENCH_PAYMENTS
// size a smaller office, QUELMAR_BENCH_DIR chooses where it is kept.

#include "largeoffice.h"

#include "db/database.h"
#include "db/recordset.h"
#include "db/sqlitestatement.h"

#include <benchmark/benchmark.h>

using namespace quelmar;

namespace {

using bench::openLargeDatabase;

std::unique_ptr<db::Recordset> openRows(benchmark::State& state, db::Database& database, const QString& sql,
                                        db::RecordsetType type = db::RecordsetType::Dynaset)
{
    db::DbError error;
    auto rows = database.openRecordset(sql, type, error);
    if (!rows)
        state.SkipWithError(qPrintable(error.description));
    return rows;
}

const QString allPayments = QStringLiteral("SELECT * FROM Pagos");

// The database's own work, for comparison: count the payments and read the first 100 rows.
void BM_SqliteCountAndFirstPage(benchmark::State& state)
{
    auto database = openLargeDatabase(state);
    for (auto _ : state) {
        db::SqliteStatement count(database->handle(), QStringLiteral("SELECT count(*) FROM \"Pagos\""));
        count.step();
        benchmark::DoNotOptimize(count.int64(0));
        db::SqliteStatement page(database->handle(), QStringLiteral("SELECT * FROM \"Pagos\" LIMIT 100"));
        while (page.step())
            benchmark::DoNotOptimize(page.value(0));
    }
}
BENCHMARK(BM_SqliteCountAndFirstPage)->Unit(benchmark::kMillisecond);

void BM_OpenDynasetAndCountAllPayments(benchmark::State& state)
{
    for (auto _ : state) {
        auto database = openLargeDatabase(state);
        auto rows = openRows(state, *database, allPayments);
        benchmark::DoNotOptimize(rows->recordCount());
    }
}
BENCHMARK(BM_OpenDynasetAndCountAllPayments)->Unit(benchmark::kMillisecond);

void BM_FirstHundredPaymentRows(benchmark::State& state)
{
    auto database = openLargeDatabase(state);
    for (auto _ : state) {
        auto rows = openRows(state, *database, allPayments);
        benchmark::DoNotOptimize(rows->recordCount());
        for (int i = 0; i < 100 && !rows->eof(); ++i) {
            for (int f = 0; f < rows->fieldCount(); ++f)
                benchmark::DoNotOptimize(rows->value(f));
            rows->moveNext();
        }
    }
}
BENCHMARK(BM_FirstHundredPaymentRows)->Unit(benchmark::kMillisecond);

// A panel over every subscriber: open with the exact count, then go to the last record.
void BM_SubscriberPanelToLastRecord(benchmark::State& state)
{
    auto database = openLargeDatabase(state);
    for (auto _ : state) {
        auto rows =
            openRows(state, *database,
                     QStringLiteral("SELECT Suscriptores.Nombre, Suscriptores.Contrato, Suscriptores.Clase, "
                                    "Unidades, Suscriptores.Situación, Suscriptores.Instalación, Poste, "
                                    "Suscriptores.Vencimiento, Suscriptores.Calle, Suscriptores.Colonia, "
                                    "Suscriptores.Teléfono, Suscriptores.Observaciones FROM Suscriptores"));
        benchmark::DoNotOptimize(rows->recordCount());
        rows->moveLast();
        benchmark::DoNotOptimize(rows->value(0));
    }
}
BENCHMARK(BM_SubscriberPanelToLastRecord)->Unit(benchmark::kMillisecond);

void BM_DistrictStatisticsCrosstab(benchmark::State& state)
{
    auto database = openLargeDatabase(state);
    for (auto _ : state) {
        auto rows = openRows(
            state, *database,
            QStringLiteral("TRANSFORM Count(*) AS Suma SELECT Suscriptores.Colonia, Count(*) AS Total "
                           "FROM Suscriptores GROUP BY Suscriptores.Colonia PIVOT Suscriptores.Clase"),
            db::RecordsetType::Snapshot);
        for (rows->moveFirst(); !rows->eof(); rows->moveNext())
            benchmark::DoNotOptimize(rows->value(1));
    }
}
BENCHMARK(BM_DistrictStatisticsCrosstab)->Unit(benchmark::kMillisecond);

void BM_FindNamesContaining(benchmark::State& state)
{
    auto database = openLargeDatabase(state);
    for (auto _ : state) {
        auto rows = openRows(state, *database, QStringLiteral("SELECT Nombre, Clave FROM Suscriptores"));
        // The last match is the worst case: every key up to it is read.
        benchmark::DoNotOptimize(rows->findLast(QStringLiteral("Nombre like '*ana*'")));
    }
}
BENCHMARK(BM_FindNamesContaining)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
