#include "largeoffice.h"

#include "db/database.h"
#include "subscribers/demooffice.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFileInfo>
#include <QHash>

#include <cstdio>
#include <cstdlib>

namespace quelmar::bench {

int largeSize()
{
    const QByteArray value = qgetenv("QUELMAR_BENCH_SUBSCRIBERS");
    return value.isEmpty() ? 100000 : value.toInt();
}

int smallSize()
{
    return std::max(1, largeSize() / 10);
}

QString cacheFolder()
{
    QString base = qEnvironmentVariable("QUELMAR_BENCH_DIR");
    if (base.isEmpty())
        base = QDir::tempPath() + QStringLiteral("/quelmar-bench");
    QDir().mkpath(base);
    return base;
}

QString officeDatabase(int subscribers)
{
    static QHash<int, QString> made;
    if (const auto it = made.constFind(subscribers); it != made.constEnd())
        return *it;
    const QString folder = QStringLiteral("%1/office-%2-3y").arg(cacheFolder()).arg(subscribers);
    const QString file = folder + QLatin1Char('/') + subscribers::demoDatabaseFileName();
    if (!QFileInfo::exists(file)) {
        std::fprintf(stderr, "Creating %s ...\n", qPrintable(folder));
        subscribers::DemoOptions options;
        options.subscribers = subscribers;
        options.years = 3;
        const db::DbError error = subscribers::createDemoOffice(folder, options);
        if (!error.ok()) {
            std::fprintf(stderr, "%d %s\n", error.number, qPrintable(error.description));
            std::exit(1);
        }
    }
    made.insert(subscribers, file);
    return file;
}

QString largeDatabase()
{
    return officeDatabase(largeSize());
}

std::unique_ptr<db::Database> openOffice(benchmark::State& state, int subscribers)
{
    db::DbError error;
    auto database = db::Database::open(officeDatabase(subscribers), {}, error);
    if (!database)
        state.SkipWithError(qPrintable(error.description));
    return database;
}

std::unique_ptr<db::Database> openLargeDatabase(benchmark::State& state)
{
    return openOffice(state, largeSize());
}

} // namespace quelmar::bench
