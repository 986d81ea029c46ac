// The bench driver: runs every figure on fresh virtual lines and gathers the table.
#ifndef BENCH_RUNNER_H
#define BENCH_RUNNER_H

#include <QJsonObject>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QVector>

#include "bench/linetrace.h"
#include "bench/stats.h"
#include "bench/wirelimit.h"

namespace bench {

struct RunnerOptions
{
    QString toolPath; // morlenta-bench-tool
    QString barePath; // morlenta-bench-bare
    QString simPath;  // morlenta-sim
    int cycles = 20;  // poll cycles per figure and baud rate, split over the rounds
    int rounds = 2;   // tool and bare client take turns this many times
    int reps = 20;    // configuration reads, clicks, starts
    int polls = 20;   // mbpoll exchanges per read
    double soakMinutes = 1;
    QVector<int> bauds = {9600, 115200};
    bool slowLine = true; // the cycle at 1200 baud too
    // Figures to run, by name (cycle, config, click, turnaround, mbpoll, slow, start, soak); all
    // when empty.
    QStringList only;
};

// One run of a measuring program. With a baud rate it gets a fresh line and its path (--port,
// --baud); without, no line.
struct Job
{
    QString program;
    QStringList args;
    int baud = 0;
    bool trace = false;     // socat dumps the line
    bool offscreen = false; // QT_QPA_PLATFORM=offscreen for this program
    int timeoutMs = 60000;
};

struct JobResult
{
    QVector<QJsonObject> lines; // empty when the program failed
    QByteArray dump;            // the line dump, with a trace
};

class Runner
{
public:
    explicit Runner(const RunnerOptions &options);
    QVector<Row> run();

private:
    void cycleFigures(int baud);
    void slowLineFigures();
    void configFigures(int baud);
    void clickFigure(int baud);
    void turnaroundFigures(int baud);
    void mbpollFigure(int baud);
    void startFigures();
    void soakFigure();

    JobResult measure(const Job &job);
    Job toolJob(const char *figure, int count, int baud) const;
    QStringList simArgs(int baud) const;
    bool wanted(const char *figure) const;

    RunnerOptions m_o;
    QVector<Row> m_rows;
    QMap<int, double> m_toolCycle; // median of the tool's cycle by baud rate
};

// The samples of `key` in the lines of `figure`.
QVector<double> samplesOf(const QVector<QJsonObject> &lines, const QString &figure,
                          const QString &key);

} // namespace bench

#endif // BENCH_RUNNER_H
