// Measures the report grids on the large office (benchmarks/largeoffice.h): how soon a grid shows its exact
// count and its first screen of rows, and what scrolling through every row costs in time and memory, each
// beside SQLite doing the same work on the same file in the same iteration (see paired.h). The BM_Server
// cases open the same grids on the office copied to a PostgreSQL server, beside psql running the same
// translated statements (count and first page) on it (see serveroffice.h).

#include "largeoffice.h"
#include "paired.h"
#include "serveroffice.h"

#include "db/database.h"
#include "db/jetsql.h"
#include "db/recordset.h"
#include "db/sqlitestatement.h"
#include "engine/gridmodel.h"
#include "engine/gridrules.h"
#include "query/wizardsql.h"
#include "session/fieldtable.h"

#include <benchmark/benchmark.h>

#include <QDate>

using namespace quelmar;

namespace {

using bench::Paired;

constexpr int ScreenRows = 40;

const QString allPayments = QStringLiteral("SELECT * FROM Pagos");

// The daily payments report's join over every day.
const QString paymentsReport = QStringLiteral(
    "SELECT Suscriptores.Nombre,Suscriptores.Contrato, Suscriptores.Vencimiento, Suscriptores.Situación, "
    "Pagos.Fecha, Pagos.Concepto, Pagos.Cantidad, Pagos.Ticket,Pagos.Observaciones FROM Suscriptores INNER "
    "JOIN Pagos ON Suscriptores.Clave = Pagos.Suscriptor");

// The report as the selection wizard leaves it: narrowed to the payments of one street, by amount descending.
const QString narrowedReport =
    query::wizard::rewrite(paymentsReport, QStringLiteral(" Suscriptores.Calle like '*Morelos*'"),
                           QStringLiteral("Pagos.Cantidad Desc"));

// The alphabetical list of subscribers.
const QString subscriberList = QStringLiteral(
    "SELECT Suscriptores.Nombre, Suscriptores.Contrato, Suscriptores.Clase, Suscriptores.Situación, "
    "Suscriptores.Instalación, Suscriptores.Vencimiento, Suscriptores.Calle, Suscriptores.Colonia, "
    "Suscriptores.Teléfono, Suscriptores.Observaciones FROM Suscriptores ORDER BY Suscriptores.Nombre");

// "Pagos del período" for one whole year.
QString paymentsOfYear(int year)
{
    return QStringLiteral(
               "SELECT DISTINCTROW Suscriptores.Nombre,Suscriptores.Contrato, Suscriptores.Situación, "
               "Pagos.Fecha, Pagos.Concepto, Pagos.Cantidad,Pagos.Ticket,Pagos.Observaciones FROM "
               "Suscriptores "
               "INNER JOIN Pagos ON Suscriptores.Clave = Pagos.Suscriptor WHERE Pagos.Fecha >= %1 AND "
               "Pagos.Fecha <= %2")
        .arg(db::jetsql::literal(QDate(year, 1, 1)), db::jetsql::literal(QDate(year, 12, 31)));
}

// The payments of a period, for the last whole year of the office's history.
QString paymentsOfTheYear(db::Database& database)
{
    db::SqliteStatement last(database.handle(), QStringLiteral("SELECT max(Fecha) FROM Pagos"));
    last.step();
    const int year = QDate::fromString(last.value(0).toString(), Qt::ISODate).year() - 1;
    return paymentsOfYear(year);
}

// A presentation grid as the engine shows one: a read-only recordset, the field table, the columns' formats.
struct Grid
{
    std::unique_ptr<db::Recordset> rows;
    engine::GridModel model;

    bool open(benchmark::State& state, db::Database& database, const QString& statement, bool formatted)
    {
        db::DbError error;
        rows = database.openRecordset(statement, db::RecordsetType::Snapshot, error);
        if (!rows) {
            state.SkipWithError(qPrintable(error.description));
            return false;
        }
        const QList<engine::FieldRow> fields = engine::buildFieldTable(*rows, {});
        QStringList formats;
        if (formatted) {
            for (const engine::FieldRow& field : fields)
                formats.append(engine::gridColumnFormat(field.type, field.format, true));
        }
        model.setSource(rows.get(), fields, formats);
        return true;
    }

    // The caption's count and the cells of the first screen, as the grid shows them.
    void showFirstScreen()
    {
        benchmark::DoNotOptimize(
            engine::gridCaption(QStringLiteral("Pagos"), static_cast<int>(model.recordCount())));
        for (int row = 0; row < ScreenRows; ++row) {
            for (int column = 0; column < model.columnCount(); ++column)
                benchmark::DoNotOptimize(model.data(model.index(row, column)));
        }
    }
};

// SQLite's own count and first screen of the same statement.
void sqliteCountAndFirstScreen(db::Database& database, const QString& jetSql)
{
    const QString sql = db::jetsql::translate(jetSql).sql;
    db::SqliteStatement count(database.handle(), QStringLiteral("SELECT count(*) FROM (%1)").arg(sql));
    count.step();
    benchmark::DoNotOptimize(count.int64(0));
    db::SqliteStatement page(database.handle(), QStringLiteral("%1 LIMIT %2").arg(sql).arg(ScreenRows));
    while (page.step()) {
        for (int column = 0; column < page.columnCount(); ++column)
            benchmark::DoNotOptimize(page.value(column));
    }
}

void gridOpen(benchmark::State& state, const QString& statement)
{
    auto database = bench::openLargeDatabase(state);
    if (!database)
        return;
    Paired paired(state);
    for (auto _ : state) {
        paired.ours([&] {
            Grid grid;
            if (grid.open(state, *database, statement, true))
                grid.showFirstScreen();
        });
        paired.sqlite([&] { sqliteCountAndFirstScreen(*database, statement); });
    }
}

void BM_GridCountAndFirstScreen(benchmark::State& state)
{
    gridOpen(state, state.range(0) == 0 ? allPayments : paymentsReport);
}
BENCHMARK(BM_GridCountAndFirstScreen)->Arg(0)->Arg(1)->ArgNames({"join"})->Unit(benchmark::kMillisecond);

void BM_SubscriberListOpen(benchmark::State& state)
{
    gridOpen(state, subscriberList);
}
BENCHMARK(BM_SubscriberListOpen)->Unit(benchmark::kMillisecond);

void BM_PaymentsOfAYearOpen(benchmark::State& state)
{
    auto database = bench::openLargeDatabase(state);
    if (!database)
        return;
    const QString statement = paymentsOfTheYear(*database);
    database.reset();
    gridOpen(state, statement);
}
BENCHMARK(BM_PaymentsOfAYearOpen)->Unit(benchmark::kMillisecond);

// The wizard's narrowed statement put in the place of the shown grid's rows (the caption's count and the
// first screen), then the grid's own rows back for the next round.
void refreshNarrowed(benchmark::State& state, db::Database& database, Grid& shown)
{
    db::DbError error;
    auto rows = database.openRecordset(narrowedReport, db::RecordsetType::Snapshot, error);
    if (!rows) {
        state.SkipWithError(qPrintable(error.description));
        return;
    }
    shown.model.replaceRows(rows.get());
    shown.showFirstScreen();
    state.counters["rows"] = static_cast<double>(shown.model.recordCount());
    shown.model.replaceRows(shown.rows.get());
}

// The selection wizard's refresh of a grid that shows the whole report: the narrowed and reordered statement
// put in its place, the caption's exact count and the first screen, against SQLite's count and first page.
void BM_WizardRefreshCountAndFirstScreen(benchmark::State& state)
{
    auto database = bench::openLargeDatabase(state);
    if (!database)
        return;
    Grid shown;
    if (!shown.open(state, *database, paymentsReport, true))
        return;
    Paired paired(state);
    for (auto _ : state) {
        paired.ours([&] { refreshNarrowed(state, *database, shown); });
        paired.sqlite([&] { sqliteCountAndFirstScreen(*database, narrowedReport); });
    }
}
BENCHMARK(BM_WizardRefreshCountAndFirstScreen)->Unit(benchmark::kMillisecond);

// Scrolling a grid over every payment from the first screen to the last, against SQLite stepping through the
// same rows; grownKB is how much the process's memory grew while every row was read once.
void BM_GridScrollToTheEnd(benchmark::State& state)
{
    auto database = bench::openLargeDatabase(state);
    if (!database)
        return;
    Paired paired(state);
    for (auto _ : state) {
        Grid grid;
        paired.untimed([&] { grid.open(state, *database, allPayments, false); });
        bench::MemoryPeak peak;
        paired.ours([&] {
            for (int row = 0; row < grid.model.rowCount(); row += ScreenRows / 2) {
                benchmark::DoNotOptimize(grid.model.data(grid.model.index(row, 1)));
                if (row % 65536 == 0)
                    peak.sample();
            }
        });
        peak.sample();
        state.counters["rows"] = static_cast<double>(grid.model.rowCount());
        state.counters["grownKB"] = static_cast<double>(peak.grownKilobytes());
        paired.sqlite([&] {
            db::SqliteStatement scan(database->handle(), QStringLiteral("SELECT * FROM \"Pagos\""));
            while (scan.step()) {
                for (int column = 0; column < scan.columnCount(); ++column)
                    benchmark::DoNotOptimize(scan.value(column));
            }
        });
    }
}
BENCHMARK(BM_GridScrollToTheEnd)->Iterations(1)->Unit(benchmark::kMillisecond);

// ---- The same grids on a server
// ------------------------------------------------------------------------------

// psql's count and first screen of the statement as the program translates it for the server.
void psqlCountAndFirstScreen(benchmark::State& state, bench::Psql& psql, const QString& jetSql)
{
    const QString sql = db::jetsql::translate(jetSql, db::jetsql::Dialect::PostgreSQL).sql;
    if (!psql.run({QStringLiteral("SELECT count(*) FROM (%1) AS quelmar_rows;").arg(sql),
                   QStringLiteral("%1 LIMIT %2;").arg(sql).arg(ScreenRows)}))
        state.SkipWithError(qPrintable(psql.failure()));
}

// The last whole year of the office's history on the server.
QString serverPaymentsOfTheYear(benchmark::State& state, db::Database& database)
{
    db::DbError error;
    auto last = database.openRecordset(QStringLiteral("SELECT Max(Fecha) FROM Pagos"),
                                       db::RecordsetType::Snapshot, error);
    if (!last || last->eof()) {
        state.SkipWithError("no payments on the server");
        return {};
    }
    const int year = last->value(0).toDate().year() - 1;
    return paymentsOfYear(year);
}

void serverGridOpen(benchmark::State& state, db::Database& database, const QString& statement)
{
    bench::Psql psql(bench::serverOfficeUri(bench::largeSize()));
    if (!psql.isReady()) {
        state.SkipWithError(qPrintable(QStringLiteral("psql did not start: ") + psql.failure()));
        return;
    }
    bench::ServerPaired paired(state);
    for (auto _ : state) {
        paired.ours([&] {
            Grid grid;
            if (grid.open(state, database, statement, true))
                grid.showFirstScreen();
        });
        paired.psql([&] { psqlCountAndFirstScreen(state, psql, statement); });
    }
}

void BM_ServerGridCountAndFirstScreen(benchmark::State& state)
{
    auto database = bench::openServerOffice(state, bench::largeSize());
    if (database)
        serverGridOpen(state, *database, state.range(0) == 0 ? allPayments : paymentsReport);
}
BENCHMARK(BM_ServerGridCountAndFirstScreen)
    ->Arg(0)
    ->Arg(1)
    ->ArgNames({"join"})
    ->Unit(benchmark::kMillisecond);

void BM_ServerSubscriberListOpen(benchmark::State& state)
{
    auto database = bench::openServerOffice(state, bench::largeSize());
    if (database)
        serverGridOpen(state, *database, subscriberList);
}
BENCHMARK(BM_ServerSubscriberListOpen)->Unit(benchmark::kMillisecond);

void BM_ServerPaymentsOfAYearOpen(benchmark::State& state)
{
    auto database = bench::openServerOffice(state, bench::largeSize());
    if (!database)
        return;
    const QString statement = serverPaymentsOfTheYear(state, *database);
    if (!statement.isEmpty())
        serverGridOpen(state, *database, statement);
}
BENCHMARK(BM_ServerPaymentsOfAYearOpen)->Unit(benchmark::kMillisecond);

void BM_ServerWizardRefreshCountAndFirstScreen(benchmark::State& state)
{
    auto database = bench::openServerOffice(state, bench::largeSize());
    if (!database)
        return;
    Grid shown;
    if (!shown.open(state, *database, paymentsReport, true))
        return;
    bench::Psql psql(bench::serverOfficeUri(bench::largeSize()));
    if (!psql.isReady()) {
        state.SkipWithError(qPrintable(QStringLiteral("psql did not start: ") + psql.failure()));
        return;
    }
    bench::ServerPaired paired(state);
    for (auto _ : state) {
        paired.ours([&] { refreshNarrowed(state, *database, shown); });
        paired.psql([&] { psqlCountAndFirstScreen(state, psql, narrowedReport); });
    }
}
BENCHMARK(BM_ServerWizardRefreshCountAndFirstScreen)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
