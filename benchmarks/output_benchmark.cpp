// Measures printing and export on an office of a large company: the tab-separated export of up to 1,000,000
// payment rows beside the sqlite3 command writing the same statement to a file, and the printing of 10,000
// rows to PDF through the row cursor, the cell layout and the print job that the table printing uses.

#include "largeoffice.h"

#include "db/database.h"
#include "db/jetsql.h"
#include "db/rowcursor.h"
#include "engine/valueformat.h"
#include "output/printjob.h"
#include "output/printlayout.h"
#include "output/tsvexport.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace quelmar;

namespace {

using bench::openLargeDatabase;

const QString exportStatement = QStringLiteral(
    "SELECT TOP 1000000 Suscriptor, Fecha, Concepto, Cantidad, Ticket, Observaciones FROM Pagos");

std::unique_ptr<db::RowCursor> openCursor(benchmark::State& state, db::Database& database, const QString& sql)
{
    db::DbError error;
    auto rows = db::RowCursor::open(database, sql, error);
    if (!rows)
        state.SkipWithError(qPrintable(error.description));
    return rows;
}

void BM_ExportPaymentsAsTsv(benchmark::State& state)
{
    auto database = openLargeDatabase(state);
    if (!database)
        return;
    QTemporaryDir folder;
    qint64 rows = 0;
    for (auto _ : state) {
        auto cursor = openCursor(state, *database, exportStatement);
        if (!cursor)
            return;
        const output::ExportResult result =
            output::writeTsv(*cursor, {}, folder.filePath(QStringLiteral("pagos.txt")));
        if (!result.written)
            state.SkipWithError(qPrintable(result.failure));
        rows = result.rows;
    }
    state.counters["rows"] = static_cast<double>(rows);
    state.counters["rows_per_s"] =
        benchmark::Counter(static_cast<double>(rows * state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ExportPaymentsAsTsv)->Unit(benchmark::kMillisecond)->UseRealTime();

// The reference: the sqlite3 command with a TAB separator on the same statement and file.
void BM_ExportPaymentsWithSqlite3Command(benchmark::State& state)
{
    const QString sqlite3 = QStandardPaths::findExecutable(QStringLiteral("sqlite3"));
    if (sqlite3.isEmpty()) {
        state.SkipWithError("the sqlite3 command is not installed");
        return;
    }
    const QString database = bench::largeDatabase();
    const QString sql = db::jetsql::translate(exportStatement).sql;
    QTemporaryDir folder;
    for (auto _ : state) {
        QProcess command;
        command.setStandardOutputFile(folder.filePath(QStringLiteral("pagos.txt")));
        command.start(sqlite3, {QStringLiteral("-separator"), QStringLiteral("\t"), database, sql});
        if (!command.waitForFinished(-1) || command.exitCode() != 0)
            state.SkipWithError("the sqlite3 command failed");
    }
}
BENCHMARK(BM_ExportPaymentsWithSqlite3Command)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PrintTenThousandRowsToPdf(benchmark::State& state)
{
    auto database = openLargeDatabase(state);
    if (!database)
        return;
    QTemporaryDir folder;
    const QStringList formats{QString(),
                              QStringLiteral("dd-mmm-yyyy"),
                              QString(),
                              QStringLiteral("###,###,###,##0.00"),
                              QStringLiteral("###,###,##0"),
                              QString()};
    int pages = 0;
    for (auto _ : state) {
        auto cursor =
            openCursor(state, *database,
                       QStringLiteral("SELECT TOP 10000 Suscriptor, Fecha, Concepto, Cantidad, Ticket, "
                                      "Observaciones FROM Pagos"));
        if (!cursor)
            return;
        output::PrintJob job(folder.filePath(QStringLiteral("pagos.pdf")), false);
        QFont font(QStringLiteral("Liberation Sans Narrow"));
        font.setPointSize(10);
        job.setFont(font);
        const output::layout::ColumnPositions positions =
            output::layout::columnPositions(0, {900, 1300, 2000, 1100, 900, 3000}, 10000, job.pageWidth());
        const auto width = [&job](const QString& text) { return job.textWidth(text); };
        const int line = job.lineHeight();
        int y = 100;
        while (cursor->next()) {
            for (int column = 0; column < formats.size(); ++column) {
                const output::layout::CellPlacement cell = output::layout::placeCell(
                    positions, column, engine::formatValue(cursor->value(column), formats.at(column)),
                    formats.at(column).contains(QLatin1Char('#')) ? output::layout::CellKind::Number
                                                                  : output::layout::CellKind::Text,
                    width);
                if (cell.printed)
                    job.text(cell.x, y, cell.text);
            }
            y += line + 20;
            job.line(300, y, positions.right(), y);
            y += 20;
            if (output::layout::pageFull(y + line, job.pageHeight())) {
                job.newPage();
                y = 100;
            }
        }
        if (!job.finish())
            state.SkipWithError(qPrintable(job.failure()));
        pages = job.pageCount();
    }
    state.counters["pages"] = pages;
}
BENCHMARK(BM_PrintTenThousandRowsToPdf)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
