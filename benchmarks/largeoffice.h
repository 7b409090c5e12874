#pragma once

#include <QString>

#include <memory>

namespace benchmark {
class State;
}

namespace quelmar::db {
class Database;
}

// The offices the benchmarks measure on, each made once as `quelmar-admin create-demo --subscribers N --years
// 3` makes it and kept in a cache folder: the large office (100,000 subscribers, about 2,000,000 payments)
// and a tenth of it, which shows whether a measurement grows with the office. QUELMAR_BENCH_SUBSCRIBERS sizes
// the large office (the small one is a tenth of it), QUELMAR_BENCH_DIR chooses the cache folder.
namespace quelmar::bench {

int largeSize();
int smallSize();

// The office's database file, made on first use (the process ends when it cannot be made).
QString officeDatabase(int subscribers);
QString largeDatabase();

// The office's database opened for a benchmark; nullptr (and the benchmark skipped) when it cannot be.
std::unique_ptr<db::Database> openOffice(benchmark::State& state, int subscribers);
std::unique_ptr<db::Database> openLargeDatabase(benchmark::State& state);

// The cache folder (made when absent).
QString cacheFolder();

} // namespace quelmar::bench
