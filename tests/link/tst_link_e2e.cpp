// The device link end to end: Valve driven by object name against morlenta-sim on a pty pair.
#include <QtTest>

#include <QJsonArray>
#include <QPointer>
#include <QStatusBar>

#include <memory>

#include "link/linktuning.h"
#include "link/portlist.h"
#include "support/simharness.h"
#include "support/valvetestaccess.h"

using VTA = ValveTestAccess;

namespace {

constexpr int kWaitMs = 30000;
constexpr int kRead = 3, kWriteOne = 6, kWriteMany = 16;

const QLatin1String kRed("background-color: rgb(255, 0, 0)");
const QLatin1String kGreen("rgb(0,128,0)");
const QLatin1String kYellow("rgb(255,255,0)");

bool led(Valve &v, QLatin1String colour)
{
    return VTA::ui(v)->led->styleSheet().contains(colour);
}

QString message(Valve &v)
{
    return v.statusBar()->currentMessage();
}

bool tabEnabled(Valve &v, QWidget *page)
{
    QTabWidget *tabs = VTA::ui(v)->Main_Tab_Widget;
    return tabs->isTabEnabled(tabs->indexOf(page));
}

bool connected(Valve &v)
{
    return VTA::client(v)->state() == QModbusDevice::ConnectedState;
}

// The requests of function `fn` at `start` the simulator has received so far.
QList<QJsonObject> requestsAt(const SimHarness &h, int fn, int start)
{
    QList<QJsonObject> found;
    for (const QJsonObject &r : h.requests())
        if (r["fn"].toInt() == fn && r["start"].toInt() == start)
            found.append(r);
    return found;
}

QList<int> values(const QJsonObject &request)
{
    QList<int> out;
    for (const QJsonValue &value : request["values"].toArray())
        out.append(value.toInt());
    return out;
}

// A Valve that lists `ports` (the simulator's line by default) with the simulator's port chosen.
std::unique_ptr<Valve> makeValve(const SimHarness &h, const QString &ports = QString())
{
    qputenv(link::kExtraPortsVariable, (ports.isEmpty() ? h.toolPort() : ports).toUtf8());
    auto v = std::make_unique<Valve>();
    QComboBox *list = VTA::ui(*v)->ports;
    list->setCurrentIndex(list->findText(h.toolPort()));
    return v;
}

bool openAndWake(Valve &v)
{
    VTA::ui(v)->connect->click();
    if (!connected(v))
        return false;
    VTA::ui(v)->conn_dev->click();
    return QTest::qWaitFor([&] { return led(v, kGreen) && VTA::awake(v); }, kWaitMs);
}

} // namespace

class TestLinkE2E : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void openAndRelease();
    void failedOpenThenGoodOne();
    void connectWithLineParameters();
    void wakeAtThirdProbeRunsCommandOnce();
    void neverWakeGivesUpAfterSixProbes();
    void commandsWhileAwake();
    void sleepAfterOnlineTime();
    void exceptionReplyMessage();
    void shortReplyIsNotDispatched();
    void pendingCommandRunsAfterLaterWake();
    void portChangeReleasesLikeTheUser();
    void lostPortIsReleased();
};

void TestLinkE2E::init()
{
    link::tuning() = link::Tuning();
}

void TestLinkE2E::cleanup()
{
    qunsetenv(link::kExtraPortsVariable);
    link::tuning() = link::Tuning();
}

void TestLinkE2E::openAndRelease()
{
    SimHarness h;
    QVERIFY(h.start());
    auto v = makeValve(h, h.dir() + QStringLiteral("/other:") + h.toolPort());
    Ui::Valve *ui = VTA::ui(*v);
    QVERIFY(led(*v, kRed));
    QVERIFY(ui->ports->currentIndex() > 0);

    ui->connect->click();
    QVERIFY(connected(*v));
    QVERIFY(led(*v, kYellow));
    QCOMPARE(ui->connect->text(), QStringLiteral("освободить порт"));
    QCOMPARE(message(*v), QStringLiteral("порт занят"));
    QVERIFY(ui->conn_dev->isEnabled());
    for (QWidget *w : {static_cast<QWidget *>(ui->ports), static_cast<QWidget *>(ui->dev_id_1),
                       static_cast<QWidget *>(ui->dev_br_1), static_cast<QWidget *>(ui->dev_sb_1)})
        QVERIFY(!w->isEnabled());
    QVERIFY(!tabEnabled(*v, ui->Sett_Tab));
    QCOMPARE(VTA::client(*v)->timeout(), 5000);
    QCOMPARE(VTA::client(*v)->numberOfRetries(), 5);
    // Chosen and opened before any refresh saw the choice: the next refresh keeps the port.
    QSignalSpy refresh(VTA::portTimer(*v), &QTimer::timeout);
    QVERIFY(refresh.wait(kWaitMs));
    QVERIFY(connected(*v));
    QVERIFY(h.requests().isEmpty()); // opening does not talk to the controller

    ui->connect->click();
    QVERIFY(!connected(*v));
    QVERIFY(led(*v, kRed));
    QCOMPARE(ui->connect->text(), QStringLiteral("занять порт"));
    QCOMPARE(message(*v), QStringLiteral("порт освобождён"));
    QVERIFY(!ui->conn_dev->isEnabled());
    QVERIFY(ui->ports->isEnabled());
    QVERIFY(ui->dev_par_1->isEnabled());
    QVERIFY(!ui->GBox_2->isEnabled());

    // The gap before each request follows the baud rate of each opening, also after a slower
    // line on the same client.
    ui->dev_br_1->setCurrentIndex(ui->dev_br_1->findText("1200"));
    ui->connect->click();
    const int slowGap = VTA::client(*v)->interFrameDelay();
    ui->connect->click();
    ui->dev_br_1->setCurrentIndex(ui->dev_br_1->findText("115200"));
    ui->connect->click();
    QVERIFY(connected(*v));
    QVERIFY2(VTA::client(*v)->interFrameDelay() < slowGap,
             qPrintable(QString::number(VTA::client(*v)->interFrameDelay())));
}

void TestLinkE2E::failedOpenThenGoodOne()
{
    SimHarness h;
    QVERIFY(h.start());
    const QString missing = h.dir() + QStringLiteral("/no-such-tty");
    auto v = makeValve(h, missing + QLatin1Char(':') + h.toolPort());
    Ui::Valve *ui = VTA::ui(*v);

    ui->ports->setCurrentIndex(ui->ports->findText(missing));
    ui->connect->click();
    QVERIFY(!connected(*v));
    QVERIFY(led(*v, kRed));
    QCOMPARE(ui->connect->text(), QStringLiteral("занять порт"));
    const QString prefix = QStringLiteral("ошибка подключения : ");
    QVERIFY2(message(*v).startsWith(prefix) && message(*v).size() > prefix.size(),
             qPrintable(message(*v)));
    QVERIFY(ui->ports->isEnabled());
    QVERIFY(ui->conn_dev->isEnabled()); // as after every failed open

    ui->ports->setCurrentIndex(ui->ports->findText(h.toolPort()));
    ui->connect->click();
    QVERIFY(connected(*v));
    QCOMPARE(message(*v), QStringLiteral("порт занят"));
    QVERIFY(led(*v, kYellow));
}

// Command 1 with line parameters other than the defaults: address, baud rate, parity and stop
// bits all reach the client.
void TestLinkE2E::connectWithLineParameters()
{
    SimHarness h({"--address", "17", "--baud", "19200", "--parity", "E", "--stop", "2"});
    QVERIFY(h.start());
    auto v = makeValve(h);
    Ui::Valve *ui = VTA::ui(*v);
    ui->dev_id_1->setCurrentIndex(ui->dev_id_1->findText("17"));
    ui->dev_br_1->setCurrentIndex(ui->dev_br_1->findText("19200"));
    ui->dev_par_1->setCurrentIndex(ui->dev_par_1->findText(QStringLiteral("чётн.")));
    ui->dev_sb_1->setCurrentIndex(ui->dev_sb_1->findText("2"));

    QVERIFY(openAndWake(*v));
    QCOMPARE(VTA::serverAddress(*v), 17);
    QCOMPARE(message(*v), QStringLiteral("подключён"));
    QVERIFY(!ui->conn_dev->isEnabled());
    QVERIFY(ui->GBox_2->isEnabled());
    QVERIFY(tabEnabled(*v, ui->Sett_Tab));
    QVERIFY(tabEnabled(*v, ui->Ins_Tab));
    QTRY_COMPARE_WITH_TIMEOUT(requestsAt(h, kRead, 153).size(), 1, kWaitMs);
    const QList<QJsonObject> block = requestsAt(h, kRead, 0);
    QCOMPARE(block.size(), 1);
    QCOMPARE(block[0]["count"].toInt(), 85);
    QCOMPARE(block[0]["addr"].toInt(), 17);
    QTRY_COMPARE_WITH_TIMEOUT(VTA::register153(*v), quint16(0x0210), kWaitMs);
    QCOMPARE(VTA::pending(*v), quint16(Valve::NoCommand));
}

void TestLinkE2E::wakeAtThirdProbeRunsCommandOnce()
{
    // One wire read per probe, each given up well before the next tick.
    link::tuning() = {400, 0};
    SimHarness h({"--wake-at", "3"});
    QVERIFY(h.start());
    auto v = makeValve(h);

    QVERIFY(openAndWake(*v));
    QVERIFY(!VTA::probeTimer(*v)->isActive());
    QTRY_COMPARE_WITH_TIMEOUT(requestsAt(h, kRead, 153).size(), 1, kWaitMs);
    const QList<QJsonObject> all = h.requests();
    QCOMPARE(requestsAt(h, kRead, 36858).size(), 3);
    QCOMPARE(requestsAt(h, kRead, 0).size(), 1);
    QCOMPARE(all.last()["start"].toInt(), 153); // no probe after the command
    QCOMPARE(VTA::probeCounter(*v), quint16(0));
}

void TestLinkE2E::neverWakeGivesUpAfterSixProbes()
{
    link::tuning() = {300, 0};
    SimHarness h({"--never-wake"});
    QVERIFY(h.start());
    auto v = makeValve(h);
    Ui::Valve *ui = VTA::ui(*v);

    ui->connect->click();
    QVERIFY(connected(*v));
    ui->conn_dev->click();
    QVERIFY(VTA::probeTimer(*v)->isActive());
    QTRY_VERIFY_WITH_TIMEOUT(!VTA::probeTimer(*v)->isActive(), kWaitMs);
    QVERIFY(h.waitForRequests(6, kWaitMs));
    QCOMPARE(requestsAt(h, kRead, 36858).size(), 6);
    QCOMPARE(h.requests().size(), 6);
    QVERIFY(led(*v, kYellow));
    QVERIFY(!VTA::awake(*v));
    QCOMPARE(VTA::pending(*v), quint16(Valve::ConnectDevice)); // kept for a later wake-up
    QCOMPARE(VTA::probeCounter(*v), quint16(0));
    QTRY_VERIFY_WITH_TIMEOUT(message(*v).endsWith(QStringLiteral("(code: 0x5)")), kWaitMs);
}

void TestLinkE2E::commandsWhileAwake()
{
    SimHarness h({"--awake", "--input2", "2", "--online", "9"}); // both inputs counting
    QVERIFY(h.start());
    auto v = makeValve(h);
    Ui::Valve *ui = VTA::ui(*v);
    QVERIFY(openAndWake(*v));
    QTRY_COMPARE_WITH_TIMEOUT(requestsAt(h, kRead, 153).size(), 1, kWaitMs);
    const int probes = requestsAt(h, kRead, 36858).size();

    // Awake: each command runs at once, without probing.
    ui->read_sett->click();
    QCOMPARE(message(*v), QStringLiteral("Чтенеие конфигурации..."));
    QTRY_COMPARE_WITH_TIMEOUT(requestsAt(h, kRead, 153).size(), 2, kWaitMs);
    QCOMPARE(requestsAt(h, kRead, 0).size(), 2);

    ui->setTime->click();
    QCOMPARE(message(*v), QStringLiteral("Установка времени на устройстве..."));
    QVERIFY(VTA::pollTimer(*v)->isActive());
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    QTRY_COMPARE_WITH_TIMEOUT(requestsAt(h, kWriteMany, 36861).size(), 1, kWaitMs);
    const QList<int> clock = values(requestsAt(h, kWriteMany, 36861)[0]);
    QCOMPARE(clock.size(), 2);
    const qint64 written = (qint64(clock[0]) << 16) | clock[1]; // high word first
    QVERIFY2(qAbs(written - now) < 300, qPrintable(QString::number(written - now)));

    ui->sol_close->click();
    ui->sol_open->click();
    QTRY_COMPARE_WITH_TIMEOUT(requestsAt(h, kWriteOne, 32768).size(), 2, kWaitMs);
    QCOMPARE(values(requestsAt(h, kWriteOne, 32768)[0]), QList<int>({1}));
    QCOMPARE(values(requestsAt(h, kWriteOne, 32768)[1]), QList<int>({0}));

    ui->RES_1->click();
    ui->RES_2->click();
    QTRY_COMPARE_WITH_TIMEOUT(requestsAt(h, kWriteOne, 259).size(), 2, kWaitMs);
    for (const QJsonObject &reset : requestsAt(h, kWriteOne, 259))
        QCOMPARE(values(reset), QList<int>({0}));

    QCOMPARE(requestsAt(h, kRead, 36858).size(), probes);
    QCOMPARE(VTA::pending(*v), quint16(Valve::NoCommand));
}

void TestLinkE2E::sleepAfterOnlineTime()
{
    SimHarness h({"--awake", "--online", "0"}); // 5 s
    QVERIFY(h.start());
    auto v = makeValve(h);
    Ui::Valve *ui = VTA::ui(*v);
    QVERIFY(openAndWake(*v));
    QTRY_VERIFY_WITH_TIMEOUT(led(*v, kYellow), kWaitMs);
    QVERIFY(!VTA::awake(*v));
    QVERIFY(!VTA::inactivityTimer(*v)->isActive());

    // The next command probes again and wakes the controller.
    const int probes = requestsAt(h, kRead, 36858).size();
    ui->read_sett->click();
    QTRY_COMPARE_WITH_TIMEOUT(requestsAt(h, kRead, 0).size(), 2, kWaitMs);
    QVERIFY(requestsAt(h, kRead, 36858).size() > probes);
    QTRY_VERIFY_WITH_TIMEOUT(led(*v, kGreen), kWaitMs);
}

void TestLinkE2E::exceptionReplyMessage()
{
    SimHarness h({"--awake", "--exception", "153:2"});
    QVERIFY(h.start());
    auto v = makeValve(h);
    QVERIFY(openAndWake(*v));
    QTRY_VERIFY_WITH_TIMEOUT(message(*v).endsWith(QStringLiteral(" (Mobus exception: 0x2)")),
                             kWaitMs);
    QVERIFY(message(*v).startsWith(QStringLiteral("Read response error: ")));
    QCOMPARE(VTA::register153(*v), quint16(0)); // a failed read dispatches nothing
}

void TestLinkE2E::shortReplyIsNotDispatched()
{
    // The controller answers the block with 84 words: it must not be decoded from a mirror whose
    // last word is stale.
    SimHarness h({"--awake", "--short-reply"});
    QVERIFY(h.start());
    auto v = makeValve(h);
    QTest::ignoreMessage(QtDebugMsg, "reply at 0 carries 84 of 85 words, not shown");
    QVERIFY(openAndWake(*v));
    QTRY_COMPARE_WITH_TIMEOUT(VTA::register153(*v), quint16(0x0210), kWaitMs);
}

void TestLinkE2E::pendingCommandRunsAfterLaterWake()
{
    SimHarness h;
    QVERIFY(h.start());
    auto v = makeValve(h);
    Ui::Valve *ui = VTA::ui(*v);

    emit ui->RES_1->clicked(); // the port is closed: nothing goes out
    QCOMPARE(VTA::pending(*v), quint16(Valve::ResetCounters));
    ui->connect->click();
    QVERIFY(connected(*v));
    QVERIFY(!VTA::probeTimer(*v)->isActive());

    // A wake-up started without a button (as a live poll tick does) runs it.
    VTA::probeStep(*v);
    QTRY_COMPARE_WITH_TIMEOUT(requestsAt(h, kWriteOne, 259).size(), 1, kWaitMs);
    QCOMPARE(values(requestsAt(h, kWriteOne, 259)[0]), QList<int>({0}));
    QCOMPARE(VTA::pending(*v), quint16(Valve::NoCommand));
    QVERIFY(VTA::awake(*v));
}

// A change of the port list under an open link releases it completely: nothing keeps running
// that would later turn the LED yellow or run commands unprobed after reopening.
void TestLinkE2E::portChangeReleasesLikeTheUser()
{
    SimHarness h({"--awake"});
    QVERIFY(h.start());
    const QString other = h.dir() + QStringLiteral("/other");
    auto v = makeValve(h, other + QLatin1Char(':') + h.toolPort());
    Ui::Valve *ui = VTA::ui(*v);
    QVERIFY(ui->ports->currentIndex() > 0);
    QVERIFY(openAndWake(*v));
    ui->sol_close->click(); // starts the live poll timer
    QVERIFY(VTA::pollTimer(*v)->isActive());
    QVERIFY(VTA::inactivityTimer(*v)->isActive());

    // A new port appears: the rebuilt list makes index 0 current.
    qputenv(link::kExtraPortsVariable,
            (h.dir() + QStringLiteral("/new:") + other + QLatin1Char(':') + h.toolPort()).toUtf8());
    QTRY_VERIFY_WITH_TIMEOUT(!connected(*v), kWaitMs);
    QCOMPARE(ui->ports->currentIndex(), 0);
    QVERIFY(led(*v, kRed));
    QCOMPARE(message(*v), QStringLiteral("порт освобождён"));
    QCOMPARE(ui->connect->text(), QStringLiteral("занять порт"));
    QVERIFY(!VTA::awake(*v));
    QVERIFY(!VTA::inactivityTimer(*v)->isActive());
    QVERIFY(!VTA::pollTimer(*v)->isActive());
    QVERIFY(!ui->conn_dev->isEnabled());
    QVERIFY(!tabEnabled(*v, ui->Ins_Tab));

    // Reopened, a command probes first.
    ui->ports->setCurrentIndex(ui->ports->findText(h.toolPort()));
    ui->connect->click();
    QVERIFY(connected(*v));
    const int probes = requestsAt(h, kRead, 36858).size();
    ui->conn_dev->click();
    QTRY_COMPARE_WITH_TIMEOUT(requestsAt(h, kRead, 36858).size(), probes + 1, kWaitMs);
}

// The line vanishes under an open link with requests queued: the port is released at once, every
// reply ends, and the port can be opened again.
void TestLinkE2E::lostPortIsReleased()
{
    SimHarness h({"--awake", "--silent-after", "3"});
    QVERIFY(h.start());
    auto v = makeValve(h);
    Ui::Valve *ui = VTA::ui(*v);
    QVERIFY(openAndWake(*v)); // probe, block, 153: then the controller falls silent
    QList<QPointer<QModbusReply>> queued;
    for (int i = 0; i < 4; ++i)
        queued.append(VTA::read(*v, 36861, 2));
    for (const auto &reply : queued)
        QVERIFY(reply);
    QVERIFY(h.waitForRequests(4, kWaitMs));

    h.stopLine();
    QTRY_VERIFY_WITH_TIMEOUT(!connected(*v), kWaitMs);
    QVERIFY(led(*v, kRed));
    QVERIFY2(message(*v).startsWith(QStringLiteral("ошибка подключения : ")),
             qPrintable(message(*v)));
    QCOMPARE(ui->connect->text(), QStringLiteral("занять порт"));
    QVERIFY(!VTA::awake(*v));
    QVERIFY(!VTA::inactivityTimer(*v)->isActive());
    QVERIFY(!ui->conn_dev->isEnabled());
    QVERIFY(ui->ports->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(
        std::all_of(queued.cbegin(), queued.cend(),
                    [](const QPointer<QModbusReply> &r) { return r.isNull(); }),
        kWaitMs);

    QVERIFY(h.restartLine());
    ui->connect->click();
    QVERIFY(connected(*v));
    QCOMPARE(message(*v), QStringLiteral("порт занят"));
    ui->conn_dev->click();
    QTRY_VERIFY_WITH_TIMEOUT(led(*v, kGreen), kWaitMs);
}

QTEST_MAIN(TestLinkE2E)
#include "tst_link_e2e.moc"
