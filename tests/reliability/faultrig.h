// The fault matrix's test rig: the tool (a Valve) on a virtual serial line to morlenta-sim started
// with fault options, and the checks every fault ends with. Header only: each tst_*.cpp of this
// folder is a test program of its own.
#pragma once

#include <QtTest>

#include <QJsonArray>
#include <QModbusReply>
#include <QProcess>
#include <QStatusBar>

#include <memory>
#include <sys/resource.h>
#ifdef Q_OS_LINUX
#include <sys/prctl.h>
#endif

#include "link/linktuning.h"
#include "link/portlist.h"
#include "support/simharness.h"
#include "support/valvetestaccess.h"

namespace rig {

using VTA = ValveTestAccess;

constexpr int kWaitMs = 30000; // generous: the machines running the suite are busy
constexpr int kRead = 3, kWriteOne = 6, kWriteMany = 16;
constexpr int kInputsPage = 2;
constexpr int kProbe = 36858;

// Shortened for the tests; the tool itself uses 5000 ms and 5 retries.
constexpr int kTestTimeoutMs = 400;
constexpr int kTestRetries = 2;

// The simulated controller's block, as far as the checks need it.
constexpr quint16 kSimIdentifier[4] = {0xC1AB, 0x4523, 0xF76E, 0xAB89};
constexpr quint16 kSimReserved = 0x5A5A; // word 84
constexpr int kEditedWord = 74;          // AN_Filt, changed by the write tests
constexpr int kEditedIndex = 7;          // the simulator holds 4

const QLatin1String kRed("background-color: rgb(255, 0, 0)");
const QLatin1String kGreen("rgb(0,128,0)");
const QLatin1String kYellow("rgb(255,255,0)");

enum class Phase { Read, Write, Live };

inline QString timeoutText()
{
    return QStringLiteral("Request timeout.");
}

// A simulator child that gets SIGTERM when the test process dies. (<signal.h> declares the
// POSIX function link(), which clashes with the tool's namespace link; SIGTERM is 15 on Linux.)
class SimProcess : public QProcess
{
protected:
    void setupChildProcess() override
    {
#ifdef Q_OS_LINUX
        constexpr int sigterm = 15;
        prctl(PR_SET_PDEATHSIG, sigterm);
#endif
    }
};

// CPU time (user + system) of this process in milliseconds.
inline qint64 cpuMs()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto ms = [](const timeval &t) { return qint64(t.tv_sec) * 1000 + t.tv_usec / 1000; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

// The tool on the simulator's line, with the simulator's log and the status messages shown.
class Rig
{
public:
    explicit Rig(const QStringList &simArgs) : h(simArgs)
    {
        link::tuning().responseTimeoutMs = kTestTimeoutMs;
        link::tuning().retries = kTestRetries;
    }
    ~Rig()
    {
        v.reset();
        stopRecoverySim();
        qunsetenv(link::kExtraPortsVariable);
        link::tuning() = link::Tuning();
    }
    Rig(const Rig &) = delete;
    Rig &operator=(const Rig &) = delete;

    SimHarness h;
    std::unique_ptr<Valve> v;
    Ui::Valve *ui = nullptr;
    QStringList messages; // every status message shown, in order

    // Starts line and simulator and a tool listing the line, with the line chosen in `ports`.
    bool start(const QString &baud = QStringLiteral("9600"))
    {
        if (!h.start())
            return false;
        qputenv(link::kExtraPortsVariable, h.toolPort().toUtf8());
        v = std::make_unique<Valve>();
        ui = VTA::ui(*v);
        QObject::connect(v->statusBar(), &QStatusBar::messageChanged,
                         [this](const QString &text) { record(text); });
        const int port = ui->ports->findText(h.toolPort());
        if (port < 0)
            return false;
        ui->ports->setCurrentIndex(port);
        ui->dev_br_1->setCurrentIndex(ui->dev_br_1->findText(baud));
        // The refresh releases an open port whose entry changed since the last refresh: let it
        // see the choice first.
        QSignalSpy refreshed(VTA::portTimer(*v), &QTimer::timeout);
        return refreshed.wait(kWaitMs);
    }

    bool connected() const { return VTA::client(*v)->state() == QModbusDevice::ConnectedState; }
    bool awake() const { return VTA::awake(*v); }
    QString message() const { return v->statusBar()->currentMessage(); }
    bool led(QLatin1String colour) const { return ui->led->styleSheet().contains(colour); }
    bool tabEnabled(QWidget *page) const
    {
        return ui->Main_Tab_Widget->isTabEnabled(ui->Main_Tab_Widget->indexOf(page));
    }

    // Opens the port ("занять порт").
    bool open()
    {
        ui->connect->click();
        return connected() && message() == QStringLiteral("порт занят");
    }

    // conn_dev: wakes the controller and reads the configuration (command 1).
    bool connectDevice()
    {
        ui->conn_dev->click();
        return QTest::qWaitFor(
            [this] { return led(kGreen) && awake() && tabEnabled(ui->Sett_Tab); }, kWaitMs);
    }

    // Port open, controller awake, its configuration read completely.
    bool openAndRead()
    {
        return open() && connectDevice() &&
               QTest::qWaitFor([this] { return blockRead(); }, kWaitMs);
    }

    // The configuration copy holds the simulator's block.
    bool blockRead() const
    {
        const auto &c = VTA::config(*v);
        return c[84] == kSimReserved && c[0] == kSimIdentifier[0];
    }

    // Replies the client still waits for.
    int outstanding() const
    {
        int n = 0;
        for (const QModbusReply *reply : VTA::client(*v)->findChildren<QModbusReply *>())
            if (!reply->isFinished())
                ++n;
        return n;
    }

    // Until the tool waits for nothing: no reply outstanding, no probe running.
    bool quiet()
    {
        return QTest::qWaitFor(
            [this] { return outstanding() == 0 && !VTA::probeTimer(*v)->isActive(); }, kWaitMs);
    }

    void showPage(int index) { ui->Main_Tab_Widget->setCurrentIndex(index); }

    // The requests of function `fn` (0: any) at `start` (-1: any) the simulator has received.
    QList<QJsonObject> requests(int fn, int start = -1) const
    {
        QList<QJsonObject> found;
        for (const QJsonObject &r : h.requests())
            if ((fn == 0 || r["fn"].toInt() == fn) && (start < 0 || r["start"].toInt() == start))
                found.append(r);
        return found;
    }
    QList<QJsonObject> writes() const { return requests(kWriteMany) + requests(kWriteOne); }
    int logSize() const { return h.requests().size(); }

    // Waits until the simulator has received a request of `fn` at `start` beyond the first
    // `already` ones.
    bool waitForRequest(int fn, int start, int already = 0)
    {
        return QTest::qWaitFor([&] { return requests(fn, start).size() > already; }, kWaitMs);
    }

    // Ends the simulator and serves the same line with a new one started with `args` (by
    // default a healthy, awake controller); the line itself stays up. The new simulator appends
    // to the same log.
    bool replaceController(const QStringList &args = {QStringLiteral("--awake")})
    {
        h.stopSim();
        stopRecoverySim();
        m_recovery = std::make_unique<SimProcess>();
        m_recovery->setProgram(SimHarness::simPath());
        m_recovery->setArguments(QStringList{QStringLiteral("--device"),
                                             h.dir() + QStringLiteral("/sim"),
                                             QStringLiteral("--log"), h.logPath()} +
                                 args);
        m_recovery->start();
        if (!m_recovery->waitForStarted(kWaitMs))
            return false;
        QByteArray out;
        return QTest::qWaitFor(
                   [&] {
                       out += m_recovery->readAllStandardOutput();
                       return out.contains("morlenta-sim: serving") ||
                              m_recovery->state() == QProcess::NotRunning;
                   },
                   kWaitMs) &&
               m_recovery->state() == QProcess::Running;
    }

    bool sawMessage(const QString &text) const { return messages.contains(text); }
    // Status messages that report a failure.
    QStringList errorMessages() const
    {
        QStringList found;
        for (const QString &m : messages)
            if (m.startsWith(QStringLiteral("Read response error")) ||
                m.startsWith(QStringLiteral("ошибка")))
                found.append(m);
        return found;
    }

private:
    void record(const QString &text)
    {
        if (!text.isEmpty())
            messages.append(text);
    }

    void stopRecoverySim()
    {
        if (!m_recovery)
            return;
        if (m_recovery->state() != QProcess::NotRunning) {
            m_recovery->terminate();
            if (!m_recovery->waitForFinished(3000)) {
                m_recovery->kill();
                m_recovery->waitForFinished(3000);
            }
        }
        m_recovery.reset();
    }

    std::unique_ptr<SimProcess> m_recovery;
};

// What is wrong with the LED, `connect` and the pages for the link state; empty when they agree:
// a closed port shows red, "занять порт", the connection group enabled and the settings and
// inputs pages disabled; an open one yellow or green, "освободить порт" and the group disabled.
inline QString linkStateProblem(const Rig &r)
{
    const bool open = r.connected();
    QStringList problems;
    const QString text = r.ui->connect->text();
    if (open) {
        if (!r.led(kYellow) && !r.led(kGreen))
            problems << QStringLiteral("open port without a yellow or green LED");
        if (text != QStringLiteral("освободить порт"))
            problems << QStringLiteral("open port, connect reads ") + text;
        if (r.ui->ports->isEnabled())
            problems << QStringLiteral("open port, port list enabled");
    } else {
        if (!r.led(kRed))
            problems << QStringLiteral("closed port without a red LED");
        if (text != QStringLiteral("занять порт"))
            problems << QStringLiteral("closed port, connect reads ") + text;
        if (!r.ui->ports->isEnabled())
            problems << QStringLiteral("closed port, port list disabled");
        if (r.tabEnabled(r.ui->Sett_Tab) || r.tabEnabled(r.ui->Ins_Tab))
            problems << QStringLiteral("closed port, settings or inputs page enabled");
    }
    return problems.join(QStringLiteral("; "));
}

// CPU share of one core this process used over a window of `windowMs` (events processed).
inline double cpuShare(int windowMs)
{
    const qint64 before = cpuMs();
    QElapsedTimer wall;
    wall.start();
    QTest::qWait(windowMs);
    return double(cpuMs() - before) / double(std::max<qint64>(1, wall.elapsed()));
}

// The tool is not spinning: within a generous number of one-second windows one uses less than
// half a core. A port-loss storm or a busy retry loop keeps a whole core busy in every window.
inline bool settlesToIdle(double *lastShare = nullptr)
{
    double share = 1.0;
    for (int window = 0; window < 10; ++window) {
        share = cpuShare(1000);
        if (share < 0.5)
            break;
    }
    if (lastShare)
        *lastShare = share;
    return share < 0.5;
}

inline QList<int> values(const QJsonObject &request)
{
    QList<int> out;
    for (const QJsonValue &value : request["values"].toArray())
        out.append(value.toInt());
    return out;
}

// What is wrong with a written configuration block; empty when every word is the one read from
// the controller, except the word edited on the form.
inline QString writtenBlockProblem(const QList<int> &written,
                                   const std::array<quint16, Valve::kConfigWords> &read)
{
    if (written.size() != Valve::kConfigWords)
        return QStringLiteral("block of %1 words").arg(written.size());
    for (int w = 0; w < Valve::kConfigWords; ++w) {
        const int expected = w == kEditedWord ? kEditedIndex : read[w];
        if (written[w] != expected)
            return QStringLiteral("word %1 written as %2, expected %3")
                .arg(w)
                .arg(written[w])
                .arg(expected);
    }
    return QString();
}

} // namespace rig

Q_DECLARE_METATYPE(rig::Phase)
