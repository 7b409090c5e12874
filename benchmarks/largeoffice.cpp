#include "largeoffice.h"

#include "db/database.h"
#include "subscribers/demooffice.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFileInfo>

#include <cstdio>
#include <cstdlib>

namespace quelmar::bench {

namespace {

qint64 setting(const char* name, qint64 fallback)
{
    const QByteArray value = qgetenv(name);
    return value.isEmpty() ? fallback : value.toLongLong();
}

} // namespace

QString largeDatabase()
{
    static const QString path = [] {
        const qint64 subscribers = setting("QUELMAR_BENCH_SUBSCRIBERS", 100000);
        const qint64 payments = setting("QUELMAR_BENCH_PAYMENTS", 2000000);
        QString base = qEnvironmentVariable("QUELMAR_BENCH_DIR");
        if (base.isEmpty())
            base = QDir::tempPath() + QStringLiteral("/quelmar-bench");
        const QString folder = QStringLiteral("%1/office-%2-%3").arg(base).arg(subscribers).arg(payments);
        const QString file = folder + QLatin1Char('/') + subscribers::demoDatabaseFileName();
        if (!QFileInfo::exists(file)) {
            std::fprintf(stderr, "Creating %s ...\n", qPrintable(folder));
            const db::DbError error =
                subscribers::createLargeOffice(folder, static_cast<int>(subscribers), payments, 1, nullptr);
            if (!error.ok()) {
                std::fprintf(stderr, "%d %s\n", error.number, qPrintable(error.description));
                std::exit(1);
            }
        }
        return file;
    }();
    return path;
}

std::unique_ptr<db::Database> openLargeDatabase(benchmark::State& state)
{
    db::DbError error;
    auto database = db::Database::open(largeDatabase(), {}, error);
    if (!database)
        state.SkipWithError(qPrintable(error.description));
    return database;
}

} // namespace quelmar::bench
