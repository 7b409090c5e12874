#pragma once

#include <benchmark/benchmark.h>

#include <QByteArray>
#include <QFile>
#include <QIODevice>

#include <algorithm>
#include <ctime>
#include <unistd.h>

// Every benchmark here measures a piece of the program's work beside SQLite doing the same work on the same
// file, in the same iteration, so that the load of a shared machine falls on both alike. The benchmark's own
// time is the program's; the counters give SQLite's time (sqlite_ms, CPU time) and the ratio of the two CPU
// times (ratio: the program's time over SQLite's; 1.0 is SQLite's pace).
namespace quelmar::bench {

inline double threadCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

class Paired
{
public:
    explicit Paired(benchmark::State& state) : m_state(state) {}
    Paired(const Paired&) = delete;
    Paired& operator=(const Paired&) = delete;

    ~Paired()
    {
        if (m_sqlite <= 0 || m_state.iterations() == 0)
            return;
        const double iterations = double(m_state.iterations());
        m_state.counters["ours_ms"] = m_ours * 1000 / iterations;
        m_state.counters["sqlite_ms"] = m_sqlite * 1000 / iterations;
        m_state.counters["ratio"] = m_ours / m_sqlite;
    }

    // The program's work: timed by the benchmark and counted as ours.
    template <typename Work> void ours(Work&& work)
    {
        const double start = threadCpuSeconds();
        work();
        m_ours += threadCpuSeconds() - start;
    }

    // SQLite's work for the same result: not in the benchmark's time.
    template <typename Work> void sqlite(Work&& work)
    {
        m_state.PauseTiming();
        const double start = threadCpuSeconds();
        work();
        m_sqlite += threadCpuSeconds() - start;
        m_state.ResumeTiming();
    }

    // Preparation that belongs to neither.
    template <typename Work> void untimed(Work&& work)
    {
        m_state.PauseTiming();
        work();
        m_state.ResumeTiming();
    }

private:
    benchmark::State& m_state;
    double m_ours = 0;
    double m_sqlite = 0;
};

// The process's resident memory now, in kilobytes.
inline long residentKilobytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields.at(1).toLong() * (sysconf(_SC_PAGESIZE) / 1024) : 0;
}

// The highest resident memory seen by the samples taken since the start.
class MemoryPeak
{
public:
    MemoryPeak() : m_start(residentKilobytes()), m_peak(m_start) {}
    void sample() { m_peak = std::max(m_peak, residentKilobytes()); }
    long grownKilobytes() const { return m_peak - m_start; }

private:
    long m_start;
    long m_peak;
};

// An output that throws away what is written, sampling the memory at every write: where an export's text
// goes.
class DiscardingDevice final : public QIODevice
{
public:
    explicit DiscardingDevice(MemoryPeak* peak = nullptr) : m_peak(peak) { open(QIODevice::WriteOnly); }
    qint64 written() const { return m_written; }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char*, qint64 size) override
    {
        if (m_peak && (m_writes++ % 64) == 0)
            m_peak->sample();
        m_written += size;
        return size;
    }

private:
    MemoryPeak* m_peak;
    qint64 m_written = 0;
    qint64 m_writes = 0;
};

} // namespace quelmar::bench
