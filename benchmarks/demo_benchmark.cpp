// Measures the making of the large demonstration office (`quelmar-admin create-demo --subscribers N --years
// 3`) beside SQLite replaying a dump of the same office into a new file (what `sqlite3 NEW < dump.sql` does),
// in the same iteration (see paired.h).

#include "largeoffice.h"
#include "paired.h"

#include "db/sqlitestatement.h"
#include "subscribers/demooffice.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sqlite3.h>

using namespace quelmar;

namespace {

using bench::Paired;

QString quotedName(const QString& name)
{
    return u'"' + QString(name).replace(u'"', QStringLiteral("\"\"")) + u'"';
}

// The dump of a database as the sqlite3 shell writes it: every table with its rows as INSERT statements in
// one transaction, then the indexes and the views.
bool writeDump(const QString& database, const QString& dumpFile)
{
    sqlite3* handle = nullptr;
    sqlite3_open_v2(QFile::encodeName(database).constData(), &handle, SQLITE_OPEN_READONLY, nullptr);
    QFile out(dumpFile);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    out.write("PRAGMA foreign_keys=OFF;\nBEGIN TRANSACTION;\n");
    db::SqliteStatement tables(handle,
                               QStringLiteral("SELECT name, sql FROM sqlite_master WHERE type = 'table' "
                                              "ORDER BY rowid"));
    QStringList later;
    while (tables.step()) {
        const QString name = tables.value(0).toString();
        if (name == QLatin1String("sqlite_sequence")) {
            later.append(QStringLiteral("DELETE FROM sqlite_sequence;"));
        } else {
            out.write(tables.value(1).toString().toUtf8() + ";\n");
        }
        QStringList values;
        db::SqliteStatement columns(handle, QStringLiteral("SELECT name FROM pragma_table_info(?)"));
        columns.bind({name});
        while (columns.step())
            values.append(QStringLiteral("quote(%1)").arg(quotedName(columns.value(0).toString())));
        db::SqliteStatement rows(handle,
                                 QStringLiteral("SELECT 'INSERT INTO %1 VALUES(' || %2 || ');' FROM %3")
                                     .arg(QString(quotedName(name)).replace(u'\'', QStringLiteral("''")),
                                          values.join(QStringLiteral(" || ',' || ")), quotedName(name)));
        while (rows.step()) {
            const QByteArray line =
                QByteArray(reinterpret_cast<const char*>(sqlite3_column_text(rows.handle(), 0)),
                           sqlite3_column_bytes(rows.handle(), 0));
            if (name == QLatin1String("sqlite_sequence"))
                later.append(QString::fromUtf8(line));
            else
                out.write(line + '\n');
        }
    }
    for (const QString& line : std::as_const(later))
        out.write(line.toUtf8() + '\n');
    db::SqliteStatement rest(handle, QStringLiteral("SELECT sql FROM sqlite_master WHERE type IN ('index', "
                                                    "'view', 'trigger') AND sql IS NOT NULL ORDER BY rowid"));
    while (rest.step())
        out.write(rest.value(0).toString().toUtf8() + ";\n");
    out.write("COMMIT;\n");
    sqlite3_close_v2(handle);
    return out.error() == QFile::NoError;
}

void BM_CreateLargeDemoOffice(benchmark::State& state)
{
    const QString office = bench::largeDatabase();
    const QString dumpFile = QFileInfo(office).absolutePath() + QStringLiteral("/dump.sql");
    if (!QFileInfo::exists(dumpFile) && !writeDump(office, dumpFile)) {
        state.SkipWithError("the dump cannot be written");
        return;
    }
    QFile dumpText(dumpFile);
    if (!dumpText.open(QIODevice::ReadOnly)) {
        state.SkipWithError("the dump cannot be read");
        return;
    }
    const QByteArray dump = dumpText.readAll();
    Paired paired(state);
    for (auto _ : state) {
        QTemporaryDir folder(bench::cacheFolder() + QStringLiteral("/demo-XXXXXX"));
        paired.ours([&] {
            subscribers::DemoOptions options;
            options.subscribers = bench::largeSize();
            options.years = 3;
            const db::DbError error =
                subscribers::createDemoOffice(folder.filePath(QStringLiteral("office")), options);
            if (!error.ok())
                state.SkipWithError(qPrintable(error.description));
        });
        paired.sqlite([&] {
            sqlite3* handle = nullptr;
            sqlite3_open_v2(QFile::encodeName(folder.filePath(QStringLiteral("replayed.db"))).constData(),
                            &handle, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
            char* message = nullptr;
            if (sqlite3_exec(handle, dump.constData(), nullptr, nullptr, &message) != SQLITE_OK)
                state.SkipWithError(message);
            sqlite3_free(message);
            sqlite3_close_v2(handle);
        });
    }
}
BENCHMARK(BM_CreateLargeDemoOffice)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
