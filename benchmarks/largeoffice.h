#pragma once

#include <QString>

#include <memory>

namespace benchmark {
class State;
}

namespace quelmar::db {
class Database;
}

// The office of a large company the benchmarks measure on: 100,000 subscribers and about 2,000,000 payments,
// made once and kept in a cache folder. QUELMAR_BENCH_SUBSCRIBERS and QUELMAR_BENCH_PAYMENTS size a smaller
// office, QUELMAR_BENCH_DIR chooses where it is kept.
namespace quelmar::bench {

// The cached office's database file, made on first use (the process ends when it cannot be made).
QString largeDatabase();

// The cached office's database opened for a benchmark; nullptr (and the benchmark skipped) when it cannot be.
std::unique_ptr<db::Database> openLargeDatabase(benchmark::State& state);

} // namespace quelmar::bench
