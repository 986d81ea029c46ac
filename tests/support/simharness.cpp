#include "simharness.h"

#include <QDebug>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

#ifdef Q_OS_LINUX
#include <signal.h>
#include <sys/prctl.h>
#endif

namespace {

constexpr int kStartTimeoutMs = 10000;
constexpr int kStopTimeoutMs = 3000;

// A child that is sent SIGTERM when the test process dies, so that a crashed or aborted test
// leaves no socat or sim behind.
class ChildProcess : public QProcess
{
protected:
    void setupChildProcess() override
    {
#ifdef Q_OS_LINUX
        prctl(PR_SET_PDEATHSIG, SIGTERM);
#endif
    }
};

bool waitUntil(const std::function<bool()> &done, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.hasExpired(timeoutMs))
            return done();
        QTest::qWait(10);
    }
    return true;
}

void stopProcess(QProcess *&p)
{
    if (!p)
        return;
    if (p->state() != QProcess::NotRunning) {
        p->terminate();
        if (!p->waitForFinished(kStopTimeoutMs)) {
            p->kill();
            p->waitForFinished(kStopTimeoutMs);
        }
    }
    delete p;
    p = nullptr;
}

bool running(const QProcess *p)
{
    return p && p->state() != QProcess::NotRunning;
}

} // namespace

SimHarness::SimHarness(const QStringList &simArgs) : m_args(simArgs) {}

SimHarness::~SimHarness()
{
    stopSim();
    stopProcess(m_socat);
    m_dir.reset();
}

QString SimHarness::simPath()
{
#ifdef MORLENTA_SIM_PATH
    return QStringLiteral(MORLENTA_SIM_PATH);
#else
    return QString(); // no simulator in this build: start() fails and says so
#endif
}

QString SimHarness::dir() const
{
    return m_dir ? m_dir->path() : QString();
}

QString SimHarness::toolPort() const
{
    return dir() + QStringLiteral("/tool");
}

QString SimHarness::logPath() const
{
    return dir() + QStringLiteral("/sim.log");
}

bool SimHarness::simRunning() const
{
    return running(m_sim);
}

QString SimHarness::simOutput() const
{
    collectSimOutput();
    return m_simOutput;
}

void SimHarness::collectSimOutput() const
{
    if (m_sim) {
        m_simOutput += QString::fromLocal8Bit(m_sim->readAllStandardOutput());
        m_simOutput += QString::fromLocal8Bit(m_sim->readAllStandardError());
    }
}

bool SimHarness::start()
{
    stopSim();
    stopProcess(m_socat);
    m_simOutput.clear();
    m_dir = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/morlenta-XXXXXX"));
    if (!m_dir->isValid()) {
        qWarning() << "SimHarness: no temp dir:" << m_dir->errorString();
        return false;
    }
    return startLine() && startSim();
}

bool SimHarness::startLine()
{
    stopProcess(m_socat);
    const QString simPort = dir() + QStringLiteral("/sim");
    // links left by a killed socat would make it fail
    QFile::remove(toolPort());
    QFile::remove(simPort);

    m_socat = new ChildProcess;
    m_socat->setProgram(QStringLiteral("socat"));
    m_socat->setArguments({QStringLiteral("-d"), QStringLiteral("-d"),
                           QStringLiteral("pty,raw,echo=0,link=") + toolPort(),
                           QStringLiteral("pty,raw,echo=0,link=") + simPort});
    m_socat->start();
    if (!m_socat->waitForStarted(kStartTimeoutMs)) {
        qWarning() << "SimHarness: socat did not start:" << m_socat->errorString();
        return false;
    }
    const bool ok = waitUntil(
        [&] {
            return !running(m_socat) ||
                   (QFileInfo::exists(toolPort()) && QFileInfo::exists(simPort));
        },
        kStartTimeoutMs);
    if (!ok || !running(m_socat)) {
        qWarning() << "SimHarness: socat did not make its links:"
                   << m_socat->readAllStandardError();
        return false;
    }
    return true;
}

bool SimHarness::startSim()
{
    stopSim();
    if (simPath().isEmpty()) {
        qWarning() << "SimHarness: built without MORLENTA_SIM_PATH";
        return false;
    }
    m_sim = new ChildProcess;
    m_sim->setProgram(simPath());
    m_sim->setArguments(QStringList{QStringLiteral("--device"), dir() + QStringLiteral("/sim"),
                                    QStringLiteral("--log"), logPath()} +
                        m_args);
    m_sim->start();
    if (!m_sim->waitForStarted(kStartTimeoutMs)) {
        qWarning() << "SimHarness: cannot start" << simPath() << m_sim->errorString();
        return false;
    }
    const bool ready = waitUntil(
        [&] {
            collectSimOutput();
            return m_simOutput.contains(QStringLiteral("morlenta-sim: serving")) || !running(m_sim);
        },
        kStartTimeoutMs);
    if (!ready || !running(m_sim)) {
        qWarning() << "SimHarness: sim not ready:" << m_simOutput;
        return false;
    }
    return true;
}

void SimHarness::stopSim()
{
    collectSimOutput();
    stopProcess(m_sim);
}

void SimHarness::stopLine()
{
    stopProcess(m_socat);
    stopSim();
}

bool SimHarness::restartLine()
{
    if (!m_dir)
        return false;
    stopLine();
    return startLine() && startSim();
}

QList<QJsonObject> SimHarness::requests() const
{
    QList<QJsonObject> out;
    QFile f(logPath());
    if (!f.open(QIODevice::ReadOnly))
        return out;
    const QByteArray data = f.readAll();
    int from = 0;
    for (int nl = data.indexOf('\n'); nl >= 0; nl = data.indexOf('\n', from)) {
        const QJsonDocument doc = QJsonDocument::fromJson(data.mid(from, nl - from));
        if (doc.isObject())
            out.append(doc.object());
        from = nl + 1;
    }
    return out; // a line still being written (no newline yet) is left for the next call
}

bool SimHarness::waitForRequests(int n, int timeoutMs)
{
    return waitUntil([&] { return requests().size() >= n; }, timeoutMs);
}
