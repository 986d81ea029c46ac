// The tool's own figures, measured inside the real main window while it talks to the simulated
// controller. Every measurement hooks the window from outside (timer events, the replies' finished
// signals connected after the window's own handlers) and changes nothing in it.
#ifndef BENCH_TOOLBENCH_H
#define BENCH_TOOLBENCH_H

#include <QObject>
#include <QString>

#include <functional>

class Valve;
class QWidget;

namespace bench {

// A field of /proc/self/status in kB ("VmRSS", "VmHWM"); -1 when it cannot be read.
qint64 procStatusKb(const char *field);

// Calls `painted` once, when the first paint pass of `widget` (or of a child of it) has ended and
// its frame has been flushed: the first time the event loop comes back after that pass.
class FirstFrame : public QObject
{
public:
    FirstFrame(QWidget *widget, std::function<void(qint64 paintNs, qint64 flushedNs)> painted);
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *m_widget;
    std::function<void(qint64, qint64)> m_painted;
    bool m_seen = false;
};

// Runs the event loop until `done` holds, checking every 5 ms; false after `timeoutMs`.
bool waitUntil(const std::function<bool()> &done, int timeoutMs);

// Opens `port` at `baud` (8N1, address 1) from the connection page and connects to the
// controller as a user does; true once the configuration and register 153 are read.
bool connectTool(Valve &valve, const QString &port, int baud, QString *error);

// Each prints one JSON line per sample and a summary line; false when the figure could not be
// completed (the reason on standard error).
bool measureCycles(Valve &valve, int cycles);
bool measureConfigReads(Valve &valve, int reps);
bool measureClicks(Valve &valve, int reps);
// Memory at the first frame, in kB.
struct StartMemory
{
    qint64 rssKb = -1;
    qint64 anonKb = -1;
};
StartMemory startMemory();
bool soak(Valve &valve, double minutes, const StartMemory &atStart);

} // namespace bench

#endif // BENCH_TOOLBENCH_H
