// The measurements behind scripts/bench. The tool's figures drive the real main window, shown in
// its frame as main() shows it, on a fresh virtual line in the heaviest configuration
// (SimHarness, ToolRig); the tool keeps its own time-out and retries. Times are taken with the
// monotonic clock, the same in every process of the machine; only click-to-wire uses the wall
// clock, the one socat stamps its dump with. Nothing here judges a figure.
#pragma once

#include <QApplication>
#include <QVector>

namespace bench {

qint64 monotonicNs();
inline double msBetween(qint64 fromNs, qint64 toNs)
{
    return (toNs - fromNs) / 1e6;
}

// Poll cycles of the tool on the inputs page: from the poll timer's tick (its timer event, before
// the window's handler runs) to the end of the window's handler of the cycle's last reply, and to
// the end of the pass that shows the cycle's values after it. The window sends each read from its
// handler of the one before.
struct ToolCycles
{
    QVector<double> handled; // tick -> the last reply handled
    QVector<double> shown;   // tick -> the cycle's values shown
};
ToolCycles toolCycles(int baud, int cycles);
// The same reads from a bare QModbusRtuSerialMaster with the tool's line settings, time-out,
// retries and inter-frame delay, all queued at once (the client sends them one after another).
QVector<double> bareCycles(int baud, int cycles);

struct ConfigReads
{
    QVector<double> decoded; // read_sett -> the 85-register reply handled (the form decoded)
    QVector<double> done;    // read_sett -> both reads handled (85 + 1 registers)
};
ConfigReads configReads(int baud, int reps);
// A click on sol_close/sol_open to the request's first byte at the simulator's end of the line.
// `qtPauseMs` gets the pause Qt's RTU master makes before every request at this rate.
QVector<double> clickToWire(int baud, int reps, int *qtPauseMs);
// mbpoll polling each read of the cycle in turn, `pauseMs` after each reply, on a line of its
// own: per read, the periods between its requests less the pause; the k-th cycle is the sum of
// the k-th periods of every read.
QVector<double> mbpollCycles(int baud, int polls, int pauseMs);

// The modes of morlenta-bench that are a tool of their own, in a fresh process. Each prints one
// JSON line.
// As main(): the main window made, framed and shown; its first frame painted and flushed
// ("flushedNs"), the time the constructor took ("valveMs"), VmRSS and RssAnon then (kB).
int startChild(QApplication &app);
// The tool polling the heaviest configuration on `port` at 9600 baud for `minutes`: memory when
// polling starts and at the end, the peak, poll ticks, replies still alive once polling has
// stopped, and status messages shown while polling.
int pollChild(const QString &port, double minutes);

} // namespace bench
