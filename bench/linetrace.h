// What crossed the virtual line, as dumped by `socat -x` between the tool's end and the
// simulator's end: one block per chunk socat moved, a header with the direction and the wall-clock
// time it moved it, then the bytes in hex:
//   > 2026/12/06 19:36:34.000164502  length=8 from=0 to=7
//    01 03 80 2b 00 02 9d c3
// ">" is master to simulator, "<" the reply. socat 1.7.4 prints microseconds in a nine-digit field;
// a dump in which any fraction exceeds 999999 is taken as nanoseconds.
#ifndef BENCH_LINETRACE_H
#define BENCH_LINETRACE_H

#include <QByteArray>
#include <QVector>

#include "bench/wirelimit.h"

namespace bench {

struct LineChunk
{
    bool toSimulator = false;
    qint64 epochUs = 0; // wall clock, microseconds since 1970 (local time as printed)
    QByteArray bytes;
};

QVector<LineChunk> parseSocatDump(const QByteArray &text);

// One request with the reply that followed it. The request starts a new exchange at its first
// chunk; the reply's time is that of its last chunk before the next request (0 when none came).
struct Exchange
{
    qint64 requestUs = 0;
    qint64 replyUs = 0;
    int function = -1; // -1 when the request was too short to tell
    int start = -1;
    int count = -1;
};

QVector<Exchange> exchangesOf(const QVector<LineChunk> &chunks);

// Milliseconds from each click (wall clock, microseconds, in ascending order) to the first request
// at or after it, and before the next click, that matches `function` and `start`; clicks without
// such a request are left out.
QVector<double> clickToWireMs(const QVector<qint64> &clicksUs, const QVector<Exchange> &exchanges,
                              int function, int start);

// Milliseconds from each reply to the next request: the master's turnaround on the line. Gaps
// longer than `idleMs` are the line resting between bursts and are left out.
QVector<double> turnaroundMs(const QVector<Exchange> &exchanges, double idleMs);
// Milliseconds from each request to its reply.
QVector<double> replyWaitMs(const QVector<Exchange> &exchanges);

// A master polling one read at a time with a pause after each reply (mbpoll): per read, the periods
// between its successive requests less the pause; the k-th cycle is the sum of the k-th period of
// every read. Reads are matched by function 3, start and count; cycles are formed as long as every
// read has a period left.
QVector<double> composedCycles(const QVector<Exchange> &exchanges, const QVector<Read> &reads,
                               double pauseMs);

} // namespace bench

#endif // BENCH_LINETRACE_H
