// morlenta-soak: runs the tool's live polling of the heaviest configuration (two analog inputs, a
// bistable solenoid: 16 reads a second) against morlenta-sim at 115200 baud for a given time, and
// prints the resident memory at the start, after the first minute and at the end, the Modbus
// replies created and deleted, the requests sent and answered, and the errors shown.
//
//   morlenta-soak [--minutes M] [--baud B]      (default 30 minutes at 115200 baud)
//
// Goal: RSS grows by at most 1 MiB after the first minute; every reply created is deleted.
// Exits 1 when a goal is missed.
#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QFile>
#include <QModbusReply>
#include <QModbusRtuSerialMaster>
#include <QPointer>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>
#include <QTimer>

#include <cstdio>

#include "link/portlist.h"
#include "support/simharness.h"
#include "support/valvetestaccess.h"

using VTA = ValveTestAccess;

namespace {

constexpr int kWaitMs = 60000;
constexpr int kInputsPage = 2;
constexpr qint64 kGoalGrowthKiB = 1024;

qint64 rssKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

// Counts the replies the Modbus client creates (they are its children) and how they end.
class ReplyCounter : public QObject
{
public:
    int created = 0;
    int deleted = 0;
    int answered = 0;
    int failed = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::ChildAdded) {
            // The child is still being constructed: look at it once the event loop runs again.
            QPointer<QObject> child = static_cast<QChildEvent *>(event)->child();
            QTimer::singleShot(0, this, [this, child] { track(child); });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    void track(QObject *child)
    {
        auto *reply = qobject_cast<QModbusReply *>(child);
        if (!reply)
            return; // deleted already (a reply the tool dropped at once), or no reply
        ++created;
        connect(reply, &QObject::destroyed, this, [this] { ++deleted; });
        if (reply->isFinished())
            classify(reply);
        else
            connect(reply, &QModbusReply::finished, this, [this, reply] { classify(reply); });
    }
    void classify(const QModbusReply *reply)
    {
        reply->error() == QModbusDevice::NoError ? ++answered : ++failed;
    }
};

struct Options
{
    double minutes = 30;
    int baud = 115200;
};

Options parseOptions(const QCoreApplication &app)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Live polling of the heaviest configuration against morlenta-sim."));
    parser.addHelpOption();
    parser.addOption({QStringLiteral("minutes"), QStringLiteral("Polling time (default 30)."),
                      QStringLiteral("M"), QStringLiteral("30")});
    parser.addOption({QStringLiteral("baud"), QStringLiteral("Line speed (default 115200)."),
                      QStringLiteral("B"), QStringLiteral("115200")});
    parser.process(app);
    Options options;
    options.minutes = parser.value(QStringLiteral("minutes")).toDouble();
    options.baud = parser.value(QStringLiteral("baud")).toInt();
    return options;
}

bool fail(const char *what)
{
    std::fprintf(stderr, "morlenta-soak: %s\n", what);
    return false;
}

// Opens the line, wakes the controller and reads its configuration, as the user does.
bool connectTool(Valve &v, const SimHarness &h, int baud)
{
    Ui::Valve *ui = VTA::ui(v);
    ui->ports->setCurrentIndex(ui->ports->findText(h.toolPort()));
    ui->dev_br_1->setCurrentIndex(ui->dev_br_1->findText(QString::number(baud)));
    // The refresh releases an open port whose entry changed since the last refresh.
    QSignalSpy refreshed(VTA::portTimer(v), &QTimer::timeout);
    if (!refreshed.wait(kWaitMs))
        return fail("the port list is not refreshed");
    ui->connect->click();
    if (VTA::client(v)->state() != QModbusDevice::ConnectedState)
        return fail("cannot open the line");
    ui->conn_dev->click();
    const auto &config = VTA::config(v);
    if (!QTest::qWaitFor([&] { return VTA::awake(v) && config[11] == 4 && config[12] == 3; },
                         kWaitMs))
        return fail("the controller was not connected");
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_LOGGING_RULES", "qt.modbus*=false;default.debug=false");
    QApplication app(argc, argv);
    const Options options = parseOptions(app);

    SimHarness h({QStringLiteral("--baud"), QString::number(options.baud),
                  QStringLiteral("--input1"), QStringLiteral("4"), QStringLiteral("--input2"),
                  QStringLiteral("3"), QStringLiteral("--solenoid"), QStringLiteral("0"),
                  QStringLiteral("--wire-time")});
    if (!h.start()) {
        fail("cannot start the simulator");
        return 2;
    }
    qputenv(link::kExtraPortsVariable, h.toolPort().toUtf8());
    Valve v;
    if (!connectTool(v, h, options.baud))
        return 2;

    ReplyCounter counter;
    VTA::client(v)->installEventFilter(&counter);
    int errorsShown = 0;
    QObject::connect(v.statusBar(), &QStatusBar::messageChanged, [&](const QString &m) {
        if (m.startsWith(QStringLiteral("Read response error")) ||
            m.startsWith(QStringLiteral("ошибка")))
            ++errorsShown;
    });
    int ticks = 0;
    QObject::connect(VTA::pollTimer(v), &QTimer::timeout, [&ticks] { ++ticks; });

    std::printf("soak: %.1f min of live polling at %d baud, two analog inputs, bistable solenoid\n",
                options.minutes, options.baud);
    VTA::ui(v)->Main_Tab_Widget->setCurrentIndex(kInputsPage);
    if (!QTest::qWaitFor([&] { return ticks > 0; }, kWaitMs)) {
        fail("live polling did not start");
        return 2;
    }
    const qint64 rssStart = rssKiB();
    qint64 rssMinute = rssStart;

    QElapsedTimer clock;
    clock.start();
    const qint64 totalMs = qint64(options.minutes * 60000);
    QTimer report;
    QObject::connect(&report, &QTimer::timeout, [&] {
        const qint64 minute = clock.elapsed() / 60000;
        if (minute == 1)
            rssMinute = rssKiB();
        std::printf("  %3lld min: RSS %lld KiB, ticks %d, replies %d created %d deleted, "
                    "%d answered %d failed\n",
                    minute, rssKiB(), ticks, counter.created, counter.deleted, counter.answered,
                    counter.failed);
        std::fflush(stdout);
    });
    report.start(60000);
    QTimer::singleShot(totalMs, &app, &QCoreApplication::quit);
    app.exec();
    report.stop();
    const qint64 rssEnd = rssKiB();
    if (totalMs < 60000)
        rssMinute = rssStart;

    // Leave the page and let the last cycle finish.
    VTA::ui(v)->Main_Tab_Widget->setCurrentIndex(0);
    const bool drained = QTest::qWaitFor(
        [&] {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            return VTA::client(v)->findChildren<QModbusReply *>().isEmpty();
        },
        kWaitMs);
    const int alive = VTA::client(v)->findChildren<QModbusReply *>().size();

    int received = 0, simAnswered = 0;
    for (const QJsonObject &request : h.requests()) {
        ++received;
        simAnswered += request.value(QStringLiteral("answered")).toBool() ? 1 : 0;
    }

    const qint64 growth = rssEnd - rssMinute;
    const bool ok =
        drained && growth <= kGoalGrowthKiB && counter.created == counter.deleted && alive == 0;
    std::printf("soak: %.1f min, %d poll ticks\n", clock.elapsed() / 60000.0, ticks);
    std::printf("RSS: start %lld KiB, after 1 min %lld KiB, end %lld KiB; growth after the first "
                "minute %lld KiB (goal <= %lld)\n",
                rssStart, rssMinute, rssEnd, growth, kGoalGrowthKiB);
    std::printf("replies: %d created, %d deleted, %d still alive\n", counter.created,
                counter.deleted, alive);
    std::printf("requests: %d sent by the tool, %d answered, %d failed; controller received %d, "
                "answered %d\n",
                counter.created, counter.answered, counter.failed, received, simAnswered);
    std::printf("errors shown: %d\n", errorsShown);
    std::printf("verdict: %s\n", ok ? "goals met" : "GOAL MISSED");
    return ok ? 0 : 1;
}
