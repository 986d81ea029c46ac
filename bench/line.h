// A virtual serial line for one figure: a socat pty pair in a fresh temp dir, its tool end at
// <dir>/tool, and morlenta-sim serving the other end. With a trace, socat dumps every chunk it
// moves
// (`-x`) with its wall-clock time into <dir>/line.dump. Both processes are ended by their own PID
// (SIGTERM, then SIGKILL) when the line stops or goes out of scope; on Linux they also get SIGTERM
// if the bench dies.
#ifndef BENCH_LINE_H
#define BENCH_LINE_H

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>

class QProcess;
class QTemporaryDir;

namespace bench {

class Line
{
public:
    Line(const QString &simPath, const QStringList &simArgs, bool trace);
    ~Line();
    Line(const Line &) = delete;
    Line &operator=(const Line &) = delete;

    // False with `error` set when socat or the simulator is not up within 10 s.
    bool start(QString *error);
    void stop();

    QString toolPort() const;
    // Lets the simulator finish any reply for `settleMs`, then discards whatever waits unread at
    // the tool's end: a master killed between request and reply leaves that reply behind, and the
    // next master to open the line would take it for the answer to its own first request.
    void drainToolEnd(int settleMs) const;
    QString logPath() const;    // the simulator's request log, one JSON object a line
    QByteArray dump() const;    // what socat dumped so far (empty without a trace)
    int loggedRequests() const; // lines in the simulator's request log

private:
    QString path(const char *name) const;

    QString m_simPath;
    QStringList m_simArgs;
    bool m_trace = false;
    std::unique_ptr<QTemporaryDir> m_dir;
    QProcess *m_socat = nullptr;
    QProcess *m_sim = nullptr;
};

// Starts a child that gets SIGTERM when the bench dies; the caller owns it.
QProcess *newChildProcess();
// SIGTERM, then SIGKILL after a bounded wait; deletes the process and clears the pointer.
void endProcess(QProcess *&process);

} // namespace bench

#endif // BENCH_LINE_H
