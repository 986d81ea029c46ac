#include "support/simharness.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <csignal>
#include <ctime>
#include <sys/prctl.h>

void ChildProcess::end()
{
    if (state() == NotRunning)
        return;
    terminate();
    if (!waitForFinished(3000)) {
        kill();
        waitForFinished(3000);
    }
}

void ChildProcess::setupChildProcess()
{
    prctl(PR_SET_PDEATHSIG, SIGTERM);
}

#ifndef MORLENTA_SIM_PATH
#define MORLENTA_SIM_PATH "" // no simulator in this build: start() fails and says so
#endif
QString SimHarness::simPath()
{
    return QStringLiteral(MORLENTA_SIM_PATH);
}

bool SimHarness::start(const QStringList &args)
{
    stopLine();
    m_log.clear();
    m_logBytes = 0;
    m_args = args;
    m_dir = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/morlenta-XXXXXX"));
    return m_dir->isValid() && startLine() && startSim();
}

bool SimHarness::startLine()
{
    const QString simPort = dir() + QStringLiteral("/sim");
    QFile::remove(toolPort()); // links left by a killed socat would make the new one fail
    QFile::remove(simPort);
    m_socat = std::make_unique<ChildProcess>();
    m_socat->setProcessChannelMode(QProcess::MergedChannels);
    QStringList args = {QStringLiteral("pty,raw,echo=0,link=") + toolPort(),
                        QStringLiteral("pty,raw,echo=0,link=") + simPort};
    if (dumpLine) {
        args.prepend(QStringLiteral("-x"));
        m_socat->setStandardOutputFile(dumpPath(), QIODevice::Append);
    }
    m_socat->start(QStringLiteral("socat"), args);
    const auto linked = [&] { return QFileInfo::exists(toolPort()) && QFileInfo::exists(simPort); };
    if (m_socat->waitForStarted(10000) && QTest::qWaitFor(linked, 10000))
        return true;
    qWarning() << "SimHarness: no line:" << m_socat->errorString() << m_socat->readAll();
    return false;
}

bool SimHarness::startSim()
{
    m_sim = std::make_unique<ChildProcess>();
    m_sim->setProcessChannelMode(QProcess::MergedChannels);
    m_sim->start(simPath(), QStringList{QStringLiteral("--device"), dir() + QStringLiteral("/sim"),
                                        QStringLiteral("--log"), logPath()} +
                                m_args);
    QByteArray out;
    while (!out.contains("morlenta-sim: serving") && m_sim->waitForReadyRead(10000))
        out += m_sim->readAll();
    if (out.contains("morlenta-sim: serving"))
        return true;
    qWarning() << "SimHarness: no simulator:" << simPath() << m_sim->errorString() << out;
    return false;
}

QVector<SimRequest> SimHarness::requests() const
{
    QFile file(logPath());
    if (!file.open(QIODevice::ReadOnly) || !file.seek(m_logBytes))
        return m_log;
    const QByteArray data = file.readAll();
    const auto words = [](const QJsonValue &array) {
        QVector<quint16> out;
        for (const QJsonValue &v : array.toArray())
            out.append(quint16(v.toInt()));
        return out;
    };
    int from = 0; // a line still being written (no newline yet) waits for the next call
    for (int nl = data.indexOf('\n'); nl >= 0; from = nl + 1, nl = data.indexOf('\n', from)) {
        const QJsonObject o = QJsonDocument::fromJson(data.mid(from, nl - from)).object();
        m_log.append({qint64(o["ms"].toDouble()), o["addr"].toInt(), o["fn"].toInt(),
                      o["start"].toInt(), o["count"].toInt(), words(o["values"]),
                      words(o["served"]), o["answered"].toBool()});
    }
    m_logBytes += from;
    return m_log;
}

QVector<SimRequest> SimHarness::requests(int fn, int start) const
{
    QVector<SimRequest> found;
    for (const SimRequest &r : requests())
        if (r.fn == fn && (start < 0 || r.start == start))
            found.append(r);
    return found;
}

bool SimHarness::waitFor(const std::function<bool(const QVector<SimRequest> &)> &done,
                         int timeoutMs) const
{
    return QTest::qWaitFor([&] { return done(requests()); }, timeoutMs);
}

void SimHarness::startOutage() const
{
    if (m_sim && m_sim->state() == QProcess::Running)
        ::kill(pid_t(m_sim->processId()), SIGUSR1);
}

qint64 SimHarness::nowMs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return qint64(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}
