// SimHarness: morlenta-sim on a virtual serial line, for the end-to-end suites, the fault matrix
// and the benchmarks. start() makes a fresh temp dir, links a socat pty pair as <dir>/tool (the
// tool's side) and <dir>/sim, and runs "morlenta-sim --device <dir>/sim --log <dir>/sim.log
// <args>".
#pragma once

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QVector>

#include <functional>
#include <memory>

// The function codes and registers the suites look for in the log, as the controller knows them.
enum : int { kRead = 3, kWriteOne = 6, kWriteMany = 16 };
enum : int { kBlock = 0, kWord153 = 153, kApply = 256, kProbe = 36858 };

// One request the simulator received, from its log.
struct SimRequest
{
    qint64 ms = 0; // when it was received, on the clock of SimHarness::nowMs()
    int address = 0, fn = 0, start = 0, count = 0;
    QVector<quint16> values; // written by 0x06 and 0x10
    QVector<quint16> served; // sent back for an answered 0x03 read
    bool answered = false;

    bool is(int function, int first) const { return fn == function && start == first; }
};

// A child that is sent SIGTERM when this process dies. end(), also run by the destructor, ends
// it by its PID: SIGTERM, then SIGKILL after 3 s.
class ChildProcess : public QProcess
{
public:
    ~ChildProcess() override { end(); }
    void end();

protected:
    void setupChildProcess() override;
};

class SimHarness
{
public:
    static constexpr int kWaitMs = 30000; // generous: the machines running the suites are busy

    ~SimHarness() { stopLine(); }

    // False, with a warning saying why, when the line or the simulator is not up within 10 s.
    bool start(const QStringList &args = {});
    // A new simulator on the same line, appending to the same log.
    bool restartSim(const QStringList &args) { return stopSim(), m_args = args, startSim(); }
    void stopSim() { m_sim.reset(); }
    void stopLine() { m_socat.reset(), m_sim.reset(); } // both ports vanish, the simulator ends
    // The ports come back, with a simulator started with the last arguments.
    bool restartLine() { return stopLine(), startLine() && startSim(); }
    // Starts the simulator's outage of --outage-ms (SIGUSR1).
    void startOutage() const;
    // The system's monotonic clock in ms, the one the simulator logs its requests with.
    static qint64 nowMs();

    QString dir() const { return m_dir ? m_dir->path() : QString(); }
    QString toolPort() const { return dir() + QStringLiteral("/tool"); }
    QString logPath() const { return dir() + QStringLiteral("/sim.log"); }
    // Set before start(): socat dumps every chunk it moves, with its wall-clock time, into
    // dumpPath() (`socat -x`; ">" toward the simulator, "<" toward the tool).
    bool dumpLine = false;
    QString dumpPath() const { return dir() + QStringLiteral("/line.dump"); }
    static QString simPath();

    QVector<SimRequest> requests() const; // the complete lines of the log, in order
    QVector<SimRequest> requests(int fn, int start = -1) const; // -1: at any start
    // Runs the event loop until `done` holds for the log.
    bool waitFor(const std::function<bool(const QVector<SimRequest> &)> &done,
                 int timeoutMs = kWaitMs) const;

private:
    bool startLine();
    bool startSim();

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ChildProcess> m_socat, m_sim;
    QStringList m_args;
    mutable QVector<SimRequest> m_log;
    mutable qint64 m_logBytes = 0; // parsed so far
};
