// Measures the report grid on the office of a large company: how soon a grid over every payment shows its
// exact count and its first screen of rows, against the database's own count and first page of the same
// statement, and what scrolling through every row to the end holds in memory.

#include "largeoffice.h"

#include "db/database.h"
#include "db/jetsql.h"
#include "db/recordset.h"
#include "db/sqlitestatement.h"
#include "engine/gridmodel.h"
#include "engine/gridrules.h"
#include "query/wizardsql.h"
#include "session/fieldtable.h"

#include <benchmark/benchmark.h>

#include <sys/resource.h>

using namespace quelmar;

namespace {

constexpr int ScreenRows = 40;

// All payments, and the daily payments report's join over every day.
const QString allPayments = QStringLiteral("SELECT * FROM Pagos");
const QString paymentsReport = QStringLiteral(
    "SELECT Suscriptores.Nombre,Suscriptores.Contrato, Suscriptores.Vencimiento, Suscriptores.Situación, "
    "Pagos.Fecha, Pagos.Concepto, Pagos.Cantidad, Pagos.Ticket,Pagos.Observaciones FROM Suscriptores INNER "
    "JOIN "
    "Pagos ON Suscriptores.Clave = Pagos.Suscriptor");

// The report as the selection wizard leaves it: narrowed to the payments of one street, by amount descending.
const QString narrowedReport =
    query::wizard::rewrite(paymentsReport, QStringLiteral(" Suscriptores.Calle like '*Morelos*'"),
                           QStringLiteral("Pagos.Cantidad Desc"));

const QString& statementOf(const benchmark::State& state)
{
    switch (state.range(0)) {
    case 0:
        return allPayments;
    case 1:
        return paymentsReport;
    default:
        return narrowedReport;
    }
}

using bench::openLargeDatabase;

// The database itself: the exact count and the first screen of rows of the statement, in SQLite's own SQL.
void BM_SqliteCountAndFirstScreen(benchmark::State& state)
{
    auto database = openLargeDatabase(state);
    if (!database)
        return;
    const QString sql = db::jetsql::translate(statementOf(state)).sql;
    for (auto _ : state) {
        db::SqliteStatement count(database->handle(), QStringLiteral("SELECT count(*) FROM (%1)").arg(sql));
        count.step();
        benchmark::DoNotOptimize(count.int64(0));
        db::SqliteStatement page(database->handle(), QStringLiteral("%1 LIMIT %2").arg(sql).arg(ScreenRows));
        while (page.step()) {
            for (int column = 0; column < page.columnCount(); ++column)
                benchmark::DoNotOptimize(page.value(column));
        }
    }
}
BENCHMARK(BM_SqliteCountAndFirstScreen)
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->ArgNames({"statement"})
    ->Unit(benchmark::kMillisecond);

// A presentation grid over the same statement: opened read-only, its caption's exact count and the cells of
// its first screen as the grid shows them (formatted).
void BM_GridCountAndFirstScreen(benchmark::State& state)
{
    auto database = openLargeDatabase(state);
    if (!database)
        return;
    for (auto _ : state) {
        db::DbError error;
        auto rows = database->openRecordset(statementOf(state), db::RecordsetType::Snapshot, error);
        if (!rows) {
            state.SkipWithError(qPrintable(error.description));
            return;
        }
        const QList<engine::FieldRow> fields = engine::buildFieldTable(*rows, {});
        QStringList formats;
        for (const engine::FieldRow& field : fields)
            formats.append(engine::gridColumnFormat(field.type, field.format, true));
        engine::GridModel model;
        model.setSource(rows.get(), fields, formats);
        benchmark::DoNotOptimize(
            engine::gridCaption(QStringLiteral("Pagos"), static_cast<int>(model.recordCount())));
        for (int row = 0; row < ScreenRows; ++row) {
            for (int column = 0; column < model.columnCount(); ++column)
                benchmark::DoNotOptimize(model.data(model.index(row, column)));
        }
    }
}
BENCHMARK(BM_GridCountAndFirstScreen)
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->ArgNames({"statement"})
    ->Unit(benchmark::kMillisecond);

// The wizard's refresh of a grid already showing the report: the narrowed statement opened, put in place of
// the grid's rows (its columns kept), the caption's exact count and the first screen, against
// BM_SqliteCountAndFirstScreen/statement:2.
void BM_WizardRefreshCountAndFirstScreen(benchmark::State& state)
{
    auto database = openLargeDatabase(state);
    if (!database)
        return;
    db::DbError error;
    auto shown = database->openRecordset(paymentsReport, db::RecordsetType::Snapshot, error);
    if (!shown) {
        state.SkipWithError(qPrintable(error.description));
        return;
    }
    const QList<engine::FieldRow> fields = engine::buildFieldTable(*shown, {});
    QStringList formats;
    for (const engine::FieldRow& field : fields)
        formats.append(engine::gridColumnFormat(field.type, field.format, true));
    engine::GridModel model;
    model.setSource(shown.get(), fields, formats);
    for (auto _ : state) {
        auto rows = database->openRecordset(narrowedReport, db::RecordsetType::Snapshot, error);
        if (!rows) {
            state.SkipWithError(qPrintable(error.description));
            return;
        }
        model.replaceRows(rows.get());
        benchmark::DoNotOptimize(
            engine::gridCaption(QStringLiteral("Pagos"), static_cast<int>(model.recordCount())));
        for (int row = 0; row < ScreenRows && row < model.rowCount(); ++row) {
            for (int column = 0; column < model.columnCount(); ++column)
                benchmark::DoNotOptimize(model.data(model.index(row, column)));
        }
        state.counters["rows"] = static_cast<double>(model.recordCount());
        model.replaceRows(shown.get());
    }
}
BENCHMARK(BM_WizardRefreshCountAndFirstScreen)->Unit(benchmark::kMillisecond);

long maxResidentKilobytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Scrolling a grid over every payment from the first screen to the last: the growth of the process's memory
// while every row is read once.
void BM_GridScrollToTheEnd(benchmark::State& state)
{
    auto database = openLargeDatabase(state);
    if (!database)
        return;
    for (auto _ : state) {
        db::DbError error;
        auto rows = database->openRecordset(allPayments, db::RecordsetType::Snapshot, error);
        if (!rows) {
            state.SkipWithError(qPrintable(error.description));
            return;
        }
        const QList<engine::FieldRow> fields = engine::buildFieldTable(*rows, {});
        engine::GridModel model;
        model.setSource(rows.get(), fields, {});
        const long before = maxResidentKilobytes();
        for (int row = 0; row < model.rowCount(); row += ScreenRows / 2)
            benchmark::DoNotOptimize(model.data(model.index(row, 1)));
        state.counters["rows"] = static_cast<double>(model.rowCount());
        state.counters["grownKB"] = static_cast<double>(maxResidentKilobytes() - before);
    }
}
BENCHMARK(BM_GridScrollToTheEnd)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
