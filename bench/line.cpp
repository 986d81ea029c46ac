#include "bench/line.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <functional>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#ifdef Q_OS_LINUX
#include <signal.h>
#include <sys/prctl.h>
#endif

namespace bench {

namespace {

constexpr int kStartMs = 10000;
constexpr int kStopMs = 3000;

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

bool running(const QProcess *p)
{
    return p && p->state() != QProcess::NotRunning;
}

// No event loop runs here: the bench's driver is a plain sequence of blocking steps.
bool waitUntil(const std::function<bool()> &done, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.hasExpired(timeoutMs))
            return done();
        QThread::msleep(10);
    }
    return true;
}

} // namespace

QProcess *newChildProcess()
{
    return new ChildProcess;
}

void endProcess(QProcess *&process)
{
    if (!process)
        return;
    if (running(process)) {
        process->terminate();
        if (!process->waitForFinished(kStopMs)) {
            process->kill();
            process->waitForFinished(kStopMs);
        }
    }
    delete process;
    process = nullptr;
}

Line::Line(const QString &simPath, const QStringList &simArgs, bool trace)
    : m_simPath(simPath), m_simArgs(simArgs), m_trace(trace)
{
}

Line::~Line()
{
    stop();
}

QString Line::path(const char *name) const
{
    return m_dir ? m_dir->path() + QLatin1Char('/') + QLatin1String(name) : QString();
}

QString Line::toolPort() const
{
    return path("tool");
}

QString Line::logPath() const
{
    return path("sim.log");
}

bool Line::start(QString *error)
{
    stop();
    m_dir = std::make_unique<QTemporaryDir>(QStringLiteral("/tmp/morlenta-bench-XXXXXX"));
    // MORLENTA_BENCH_KEEP=1 leaves the dumps and request logs behind for a closer look.
    if (qEnvironmentVariableIntValue("MORLENTA_BENCH_KEEP"))
        m_dir->setAutoRemove(false);
    if (!m_dir->isValid()) {
        *error = QStringLiteral("no temp dir: ") + m_dir->errorString();
        return false;
    }
    QStringList socatArgs;
    if (m_trace)
        socatArgs << QStringLiteral("-x");
    socatArgs << QStringLiteral("pty,raw,echo=0,link=") + path("tool")
              << QStringLiteral("pty,raw,echo=0,link=") + path("sim");
    m_socat = newChildProcess();
    m_socat->setStandardOutputFile(QProcess::nullDevice());
    m_socat->setStandardErrorFile(m_trace ? path("line.dump") : QProcess::nullDevice());
    m_socat->start(QStringLiteral("socat"), socatArgs);
    const bool linked = m_socat->waitForStarted(kStartMs) &&
                        waitUntil(
                            [this] {
                                return !running(m_socat) || (QFileInfo::exists(path("tool")) &&
                                                             QFileInfo::exists(path("sim")));
                            },
                            kStartMs) &&
                        running(m_socat);
    if (!linked) {
        *error = QStringLiteral("socat did not make its pty pair");
        return false;
    }

    m_sim = newChildProcess();
    m_sim->setProcessChannelMode(QProcess::MergedChannels);
    m_sim->start(m_simPath, QStringList{QStringLiteral("--device"), path("sim"),
                                        QStringLiteral("--log"), path("sim.log")} +
                                m_simArgs);
    QByteArray said;
    QElapsedTimer waited;
    waited.start();
    bool serving = m_sim->waitForStarted(kStartMs);
    while (serving && !said.contains("serving")) {
        m_sim->waitForReadyRead(100);
        said += m_sim->readAll();
        serving = running(m_sim) && !waited.hasExpired(kStartMs);
    }
    if (!serving) {
        *error = QStringLiteral("morlenta-sim is not serving: ") + QString::fromLocal8Bit(said);
        return false;
    }
    return true;
}

void Line::stop()
{
    endProcess(m_sim);
    endProcess(m_socat);
}

void Line::drainToolEnd(int settleMs) const
{
    QThread::msleep(settleMs);
    const int fd =
        ::open(QFile::encodeName(toolPort()).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return;
    char buffer[256];
    while (::read(fd, buffer, sizeof buffer) > 0) {
    }
    tcflush(fd, TCIFLUSH);
    ::close(fd);
}

QByteArray Line::dump() const
{
    QFile f(path("line.dump"));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

int Line::loggedRequests() const
{
    QFile f(logPath());
    return f.open(QIODevice::ReadOnly) ? int(f.readAll().count('\n')) : 0;
}

} // namespace bench
