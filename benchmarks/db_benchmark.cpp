// Measures the database layer on the offices of benchmarks/largeoffice.h, each case beside SQLite doing the
// same work on the same file in the same iteration (see paired.h).

#include "largeoffice.h"
#include "paired.h"
#include "serveroffice.h"

#include "db/database.h"
#include "db/jetsql.h"
#include "db/recordset.h"
#include "db/sqlitestatement.h"

#include <benchmark/benchmark.h>

#include <QDate>

#include <sqlite3.h>

using namespace quelmar;

namespace {

using bench::Paired;

std::unique_ptr<db::Recordset> openRows(benchmark::State& state, db::Database& database, const QString& sql,
                                        db::RecordsetType type = db::RecordsetType::Dynaset)
{
    db::DbError error;
    auto rows = database.openRecordset(sql, type, error);
    if (!rows)
        state.SkipWithError(qPrintable(error.description));
    return rows;
}

// Reads every column of every row the statement gives, as the program's values.
void readAll(db::SqliteStatement& statement)
{
    while (statement.step()) {
        for (int column = 0; column < statement.columnCount(); ++column)
            benchmark::DoNotOptimize(statement.value(column));
    }
}

// A second connection to the same file without the program's functions: SQLite's own LIKE.
class PlainConnection
{
public:
    explicit PlainConnection(const QString& path)
    {
        sqlite3_open_v2(QFile::encodeName(path).constData(), &m_handle, SQLITE_OPEN_READONLY, nullptr);
    }
    ~PlainConnection() { sqlite3_close_v2(m_handle); }
    PlainConnection(const PlainConnection&) = delete;
    PlainConnection& operator=(const PlainConnection&) = delete;
    sqlite3* handle() const { return m_handle; }

private:
    sqlite3* m_handle = nullptr;
};

const QString allPayments = QStringLiteral("SELECT * FROM Pagos");

// ---- Recording a payment
// -------------------------------------------------------------------------------------

// The database work of one payment at the counter, as the payment screen does it: the ticket counter, the
// subscriber's new expiry, two payment rows added through a recordset over Pagos. Rolled back, so that the
// office stays as it was; the pauses of the payment screen are not part of it.
void recordPaymentThroughRecordsets(db::Database& database, qint64 subscriber)
{
    db::Transaction transaction(database);
    qint64 ticket = 0;
    database.takeCounter(QStringLiteral("CDT"), ticket);
    db::DbError error;
    auto current = database.openRecordset(
        QStringLiteral("SELECT Nombre, Clase, Unidades, Situación,Vencimiento,Contrato,Observaciones FROM "
                       "Suscriptores WHERE Clave = %1")
            .arg(subscriber),
        db::RecordsetType::Dynaset, error);
    const QDate expiry = current->value(QStringLiteral("Vencimiento")).toDate();
    current->edit();
    current->setValue(QStringLiteral("Vencimiento"), expiry.addMonths(1));
    if (current->update())
        std::abort();
    auto rows = database.openRecordset(
        QStringLiteral("SELECT Pagos.Suscriptor, Pagos.Fecha, Pagos.Cantidad,Pagos.Concepto, "
                       "Pagos.Observaciones,Pagos.Ticket FROM Pagos"),
        db::RecordsetType::Dynaset, error);
    const struct
    {
        const char16_t* name;
        double amount;
    } lines[] = {{u"Renta (1-2 TV)", 180}, {u"Cable adicional", 60}};
    for (const auto& line : lines) {
        rows->addNew();
        rows->setValue(QStringLiteral("Suscriptor"), subscriber);
        rows->setValue(QStringLiteral("Fecha"), QDate(2026, 12, 10));
        rows->setValue(QStringLiteral("Cantidad"), line.amount);
        rows->setValue(QStringLiteral("Concepto"), QString::fromUtf16(line.name));
        rows->setValue(QStringLiteral("Observaciones"), QStringLiteral("1 mes"));
        rows->setValue(QStringLiteral("Ticket"), ticket);
        if (rows->update())
            std::abort();
    }
    rows->close();
}

void recordPaymentInSqlite(sqlite3* handle, qint64 subscriber)
{
    sqlite3_exec(handle, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    db::SqliteStatement counter(
        handle,
        QStringLiteral("UPDATE \"Parametros\" SET \"Contenido\" = CAST(CAST(replace(ifnull(\"Contenido\", "
                       "'0'), ',', '') AS INTEGER) + 1 AS TEXT) WHERE rowid = (SELECT rowid FROM "
                       "\"Parametros\" WHERE \"Clase\" = 'CDT' ORDER BY \"Secuen\", rowid LIMIT 1) "
                       "RETURNING \"Contenido\""));
    counter.step();
    const qint64 ticket = counter.value(0).toLongLong();
    while (counter.step()) {
    }
    db::SqliteStatement current(
        handle, QStringLiteral("SELECT Nombre, Clase, Unidades, \"Situación\", Vencimiento, "
                               "Contrato, Observaciones, rowid FROM Suscriptores WHERE Clave = ?"));
    current.bind({subscriber});
    current.step();
    const QDate expiry = QDate::fromString(current.value(4).toString(), Qt::ISODate);
    db::SqliteStatement expire(handle,
                               QStringLiteral("UPDATE Suscriptores SET Vencimiento = ? WHERE rowid = ?"));
    expire.bind({expiry.addMonths(1), current.int64(7)});
    expire.step();
    db::SqliteStatement insert(handle,
                               QStringLiteral("INSERT INTO Pagos (Suscriptor, Fecha, Cantidad, Concepto, "
                                              "Observaciones, Ticket) VALUES (?, ?, ?, ?, ?, ?)"));
    insert.bind({subscriber, QDate(2026, 12, 10), 180.0, QStringLiteral("Renta (1-2 TV)"),
                 QStringLiteral("1 mes"), ticket});
    insert.step();
    insert.reset();
    insert.bind({subscriber, QDate(2026, 12, 10), 60.0, QStringLiteral("Cable adicional"),
                 QStringLiteral("1 mes"), ticket});
    insert.step();
    sqlite3_exec(handle, "ROLLBACK", nullptr, nullptr, nullptr);
}

void BM_RecordOnePayment(benchmark::State& state)
{
    const int subscribers = int(state.range(0));
    auto database = bench::openOffice(state, subscribers);
    if (!database)
        return;
    Paired paired(state);
    qint64 turn = 0;
    for (auto _ : state) {
        const qint64 subscriber = 1 + (++turn * 7919) % subscribers;
        paired.ours([&] { recordPaymentThroughRecordsets(*database, subscriber); });
        paired.sqlite([&] { recordPaymentInSqlite(database->handle(), subscriber); });
    }
}
BENCHMARK(BM_RecordOnePayment)
    ->Arg(bench::smallSize())
    ->Arg(bench::largeSize())
    ->ArgNames({"subscribers"})
    ->Unit(benchmark::kMillisecond);

// ---- A panel over every subscriber
// ---------------------------------------------------------------------------

const QString subscriberPanel = QStringLiteral(
    "SELECT Suscriptores.Nombre, Suscriptores.Contrato, Suscriptores.Clase, Unidades, "
    "Suscriptores.Situación, Suscriptores.Instalación, Poste, Suscriptores.Vencimiento, "
    "Suscriptores.Calle, Suscriptores.Colonia, Suscriptores.Teléfono, Suscriptores.Observaciones "
    "FROM Suscriptores");

// The panel is open on its first record with its exact count (as the engine opens it); the move to the last
// record is measured.
void BM_SubscriberPanelToLastRecord(benchmark::State& state)
{
    auto database = bench::openOffice(state, int(state.range(0)));
    if (!database)
        return;
    Paired paired(state);
    for (auto _ : state) {
        std::unique_ptr<db::Recordset> rows;
        paired.untimed([&] {
            rows = openRows(state, *database, subscriberPanel);
            benchmark::DoNotOptimize(rows->recordCount());
        });
        paired.ours([&] {
            rows->moveLast();
            for (int field = 0; field < rows->fieldCount(); ++field)
                benchmark::DoNotOptimize(rows->value(field));
        });
        paired.sqlite([&] {
            db::SqliteStatement last(database->handle(),
                                     db::jetsql::translate(subscriberPanel).sql +
                                         QStringLiteral(" ORDER BY \"Suscriptores\".rowid DESC LIMIT 1"));
            readAll(last);
        });
    }
}
BENCHMARK(BM_SubscriberPanelToLastRecord)
    ->Arg(bench::smallSize())
    ->Arg(bench::largeSize())
    ->ArgNames({"subscribers"})
    ->Unit(benchmark::kMillisecond);

// The same panel on the office copied to a server: opened on its first record with its exact count, then
// moved to the last record, beside psql counting the same translated statement and reading its last row.
void BM_ServerSubscriberPanelToLastRecord(benchmark::State& state)
{
    const int subscribers = int(state.range(0));
    auto database = bench::openServerOffice(state, subscribers);
    if (!database)
        return;
    bench::Psql psql(bench::serverOfficeUri(subscribers));
    if (!psql.isReady()) {
        state.SkipWithError(qPrintable(QStringLiteral("psql did not start: ") + psql.failure()));
        return;
    }
    const QString sql = db::jetsql::translate(subscriberPanel, db::jetsql::Dialect::PostgreSQL).sql;
    const QString last =
        db::jetsql::translate(subscriberPanel + QStringLiteral(" ORDER BY Suscriptores.Clave DESC"),
                              db::jetsql::Dialect::PostgreSQL)
            .sql +
        QStringLiteral(" LIMIT 1;");
    bench::ServerPaired paired(state);
    for (auto _ : state) {
        paired.ours([&] {
            auto rows = openRows(state, *database, subscriberPanel);
            if (!rows)
                return;
            benchmark::DoNotOptimize(rows->recordCount());
            rows->moveLast();
            for (int field = 0; field < rows->fieldCount(); ++field)
                benchmark::DoNotOptimize(rows->value(field));
        });
        paired.psql([&] {
            if (!psql.run({QStringLiteral("SELECT count(*) FROM (%1) AS quelmar_rows;").arg(sql), last}))
                state.SkipWithError(qPrintable(psql.failure()));
        });
    }
}
BENCHMARK(BM_ServerSubscriberPanelToLastRecord)
    ->Arg(bench::smallSize())
    ->Arg(bench::largeSize())
    ->ArgNames({"subscribers"})
    ->Unit(benchmark::kMillisecond);

// ---- LIKE with the system's patterns over every name
// ---------------------------------------------------------

void BM_NamesLikeAnaCounted(benchmark::State& state)
{
    auto database = bench::openLargeDatabase(state);
    if (!database)
        return;
    PlainConnection plain(database->path());
    Paired paired(state);
    for (auto _ : state) {
        paired.ours([&] {
            auto rows =
                openRows(state, *database,
                         QStringLiteral("SELECT Count(*) FROM Suscriptores WHERE Nombre LIKE '*ana*'"),
                         db::RecordsetType::Snapshot);
            benchmark::DoNotOptimize(rows->value(0));
        });
        paired.sqlite([&] {
            db::SqliteStatement count(
                plain.handle(),
                QStringLiteral("SELECT count(*) FROM Suscriptores WHERE Nombre LIKE '%ana%'"));
            readAll(count);
        });
    }
}
BENCHMARK(BM_NamesLikeAnaCounted)->Unit(benchmark::kMillisecond);

// FindLast on a dynaset over every subscriber: the last name that contains "ana", and its position.
void BM_FindLastNameContaining(benchmark::State& state)
{
    auto database = bench::openLargeDatabase(state);
    if (!database)
        return;
    PlainConnection plain(database->path());
    Paired paired(state);
    for (auto _ : state) {
        paired.ours([&] {
            auto rows = openRows(state, *database, QStringLiteral("SELECT Nombre, Clave FROM Suscriptores"));
            benchmark::DoNotOptimize(rows->findLast(QStringLiteral("Nombre like '*ana*'")));
            benchmark::DoNotOptimize(rows->absolutePosition());
        });
        paired.sqlite([&] {
            db::SqliteStatement last(
                plain.handle(), QStringLiteral("SELECT Nombre, Clave, rowid FROM Suscriptores WHERE Nombre "
                                               "LIKE '%ana%' ORDER BY rowid DESC LIMIT 1"));
            last.step();
            db::SqliteStatement position(plain.handle(),
                                         QStringLiteral("SELECT count(*) FROM Suscriptores WHERE rowid < ?"));
            position.bind({last.int64(2)});
            readAll(position);
        });
    }
}
BENCHMARK(BM_FindLastNameContaining)->Unit(benchmark::kMillisecond);

// ---- Reading
// ------------------------------------------------------------------------------------------------

void BM_FirstHundredPaymentRows(benchmark::State& state)
{
    auto database = bench::openLargeDatabase(state);
    if (!database)
        return;
    Paired paired(state);
    for (auto _ : state) {
        paired.ours([&] {
            auto rows = openRows(state, *database, allPayments);
            benchmark::DoNotOptimize(rows->recordCount());
            for (int i = 0; i < 100 && !rows->eof(); ++i) {
                for (int f = 0; f < rows->fieldCount(); ++f)
                    benchmark::DoNotOptimize(rows->value(f));
                rows->moveNext();
            }
        });
        paired.sqlite([&] {
            db::SqliteStatement count(database->handle(), QStringLiteral("SELECT count(*) FROM \"Pagos\""));
            readAll(count);
            db::SqliteStatement page(database->handle(), QStringLiteral("SELECT * FROM \"Pagos\" LIMIT 100"));
            readAll(page);
        });
    }
}
BENCHMARK(BM_FirstHundredPaymentRows)->Unit(benchmark::kMillisecond);

void BM_DistrictStatisticsCrosstab(benchmark::State& state)
{
    auto database = bench::openLargeDatabase(state);
    if (!database)
        return;
    const QString crosstab =
        QStringLiteral("TRANSFORM Count(*) AS Suma SELECT Suscriptores.Colonia, Count(*) AS Total "
                       "FROM Suscriptores GROUP BY Suscriptores.Colonia PIVOT Suscriptores.Clase");
    const db::jetsql::TranslatedStatement translated = db::jetsql::translate(crosstab);
    Paired paired(state);
    for (auto _ : state) {
        paired.ours([&] {
            auto rows = openRows(state, *database, crosstab, db::RecordsetType::Snapshot);
            for (rows->moveFirst(); !rows->eof(); rows->moveNext()) {
                for (int f = 0; f < rows->fieldCount(); ++f)
                    benchmark::DoNotOptimize(rows->value(f));
            }
        });
        paired.sqlite([&] {
            db::SqliteStatement pivots(database->handle(),
                                       db::jetsql::crosstabPivotValuesSql(translated.crosstab));
            QVariantList values;
            while (pivots.step())
                values.append(pivots.value(0));
            db::SqliteStatement rows(database->handle(),
                                     db::jetsql::crosstabSql(translated.crosstab, values));
            readAll(rows);
        });
    }
}
BENCHMARK(BM_DistrictStatisticsCrosstab)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
