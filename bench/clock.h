// Clocks shared by the bench programs. The monotonic clock is the one QElapsedTimer uses and is the
// same in every process of the machine, so two programs can compare their readings; the wall clock
// is the one socat stamps its dump with.
#ifndef BENCH_CLOCK_H
#define BENCH_CLOCK_H

#include <QtGlobal>

#include <time.h>

namespace bench {

inline qint64 monotonicNs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

inline qint64 wallClockUs()
{
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    return qint64(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
}

inline double msBetween(qint64 fromNs, qint64 toNs)
{
    return (toNs - fromNs) / 1e6;
}

} // namespace bench

#endif // BENCH_CLOCK_H
