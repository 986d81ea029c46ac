// SimHarness: a morlenta-sim controller on a virtual serial line, for end-to-end tests.
//
// start() makes a fresh temp dir, links a socat pty pair as <dir>/tool (the tool's side) and
// <dir>/sim, and runs morlenta-sim on <dir>/sim with "--log <dir>/sim.log" plus the given
// arguments. Everything it starts is ended by PID (SIGTERM, then SIGKILL after a bounded wait) in
// stopLine()/stopSim() and in the destructor, and on Linux the children also get SIGTERM if the
// test process dies.
#pragma once

#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

class QProcess;
class QTemporaryDir;

class SimHarness
{
public:
    explicit SimHarness(const QStringList &simArgs = {});
    ~SimHarness();
    SimHarness(const SimHarness &) = delete;
    SimHarness &operator=(const SimHarness &) = delete;

    // Fresh temp dir, line and sim; false (with a warning saying why) if any step fails within
    // about 10 s.
    bool start();
    QString toolPort() const; // <dir>/tool, the device path the tool opens
    QString logPath() const;  // <dir>/sim.log

    // The complete lines of the sim's log so far, one object per request received.
    QList<QJsonObject> requests() const;
    // Until the log holds at least n lines; the event loop runs meanwhile.
    bool waitForRequests(int n, int timeoutMs);

    // Ends socat: both pty ends and their links vanish. The sim is stopped too (it would exit by
    // itself once its line hangs up).
    void stopLine();
    // Brings the line back at the same paths and starts a new sim with the same arguments. The
    // new sim starts from its default state; it appends to the same log, its "ms" counting from
    // its own start.
    bool restartLine();
    void stopSim();

    static QString simPath(); // the built morlenta-sim (MORLENTA_SIM_PATH)

    // Additions
    QString dir() const;
    bool simRunning() const;
    QString simOutput() const; // the sim's stdout and stderr so far

private:
    bool startLine();
    bool startSim();
    void collectSimOutput() const;

    QStringList m_args;
    std::unique_ptr<QTemporaryDir> m_dir;
    QProcess *m_socat = nullptr;
    QProcess *m_sim = nullptr;
    mutable QString m_simOutput;
};
