#include <QtTest>

#include <QModbusReply>

#include <memory>

#include "live/pollplan.h"
#include "support/simharness.h"
#include "support/valvetestaccess.h"

namespace {

constexpr int kWaitMs = 30000;
constexpr int kInputsPage = 2;

using Reads = QVector<live::LiveRead>;

// The holding-register reads (function 3) in the controller's log from entry `from` on.
Reads readsInLog(const SimHarness &h, int from)
{
    Reads reads;
    const QList<QJsonObject> log = h.requests();
    for (int i = from; i < log.size(); ++i)
        if (log.at(i).value("fn").toInt() == 3)
            reads.append({quint16(log.at(i).value("start").toInt()),
                          quint16(log.at(i).value("count").toInt())});
    return reads;
}

// Requests sent by the client that have not finished yet: probes and live reads alike.
int outstanding(Valve &v)
{
    int n = 0;
    for (const QModbusReply *reply : ValveTestAccess::client(v)->findChildren<QModbusReply *>())
        if (!reply->isFinished())
            ++n;
    return n;
}

// The most reads ever outstanding right after a poll tick.
struct TickSampler
{
    int ticks = 0;
    int maxLiveInFlight = 0;
    int maxOutstanding = 0;

    void attach(Valve &v)
    {
        QObject::connect(ValveTestAccess::pollTimer(v), &QTimer::timeout, [this, &v] {
            ++ticks;
            maxLiveInFlight = std::max(maxLiveInFlight, ValveTestAccess::liveInFlight(v));
            maxOutstanding = std::max(maxOutstanding, outstanding(v));
        });
    }
};

} // namespace

QT_BEGIN_NAMESPACE
namespace QTest {
template <> char *toString(const live::LiveRead &r)
{
    return qstrdup(QByteArray::number(r.start) + "x" + QByteArray::number(r.count));
}
} // namespace QTest
QT_END_NAMESPACE

// The inputs page against the simulated controller on a pseudo-terminal.
class tst_LiveE2E : public QObject
{
    Q_OBJECT

    std::unique_ptr<Valve> valve;
    Ui::Valve *ui = nullptr;

    // A tool on the controller's line, port open and controller connected (configuration read).
    bool connectTo(SimHarness &h, const QString &baud = QStringLiteral("9600"))
    {
        qputenv("MORLENTA_EXTRA_PORTS", h.toolPort().toUtf8());
        valve = std::make_unique<Valve>();
        ui = ValveTestAccess::ui(*valve);
        const int port = ui->ports->findText(h.toolPort());
        if (port < 0)
            return false;
        // The port list refresh releases an open port whose entry changed: let it see the
        // choice before the port is opened.
        QSignalSpy refreshed(ValveTestAccess::portTimer(*valve), &QTimer::timeout);
        ui->ports->setCurrentIndex(port);
        ui->dev_br_1->setCurrentIndex(ui->dev_br_1->findText(baud));
        if (!refreshed.wait(5000))
            return false;
        ui->connect->click();
        if (ValveTestAccess::client(*valve)->state() != QModbusDevice::ConnectedState)
            return false;
        ui->conn_dev->click();
        return QTest::qWaitFor(
            [this] {
                return ui->Main_Tab_Widget->isTabEnabled(kInputsPage) &&
                       ValveTestAccess::register153(*valve) != 0;
            },
            kWaitMs);
    }

    Reads plan()
    {
        const auto &config = ValveTestAccess::config(*valve);
        return live::pollPlan(config[9], config[11], config[12]);
    }

private slots:
    void initTestCase()
    {
        if (SimHarness::simPath().isEmpty())
            QSKIP("morlenta-sim is not built");
    }
    void cleanup()
    {
        valve.reset();
        ui = nullptr;
    }

    void valuesAppearAndMove()
    {
        SimHarness h; // counting input 1, current input 2, bistable solenoid, asleep
        QVERIFY(h.start());
        QVERIFY(connectTo(h));
        ui->Main_Tab_Widget->setCurrentIndex(kInputsPage);
        QVERIFY(ValveTestAccess::pollTimer(*valve)->isActive());
        QVERIFY(ui->cap_charge->isEnabled());

        QTRY_VERIFY_WITH_TIMEOUT(ui->CT1_Imp_LCD->value() > 0, kWaitMs);
        QCOMPARE(ui->CT1_LBL_0->text(), QStringLiteral("имп."));
        QTRY_COMPARE_WITH_TIMEOUT(ui->CT1_LBL_3->text(), ui->CT_Phys_Unit_1->currentText(),
                                  kWaitMs);
        QCOMPARE(ui->CT1_LBL_2->text(), ui->CT_Phys_Unit_1->currentText());
        QTRY_COMPARE_WITH_TIMEOUT(ui->AN2_LBL_5->text(), ui->AN_Phys_Unit_2->currentText(),
                                  kWaitMs);
        QVERIFY(ui->AN2_Val_LCD->value() >= 6.0 && ui->AN2_Val_LCD->value() <= 18.0);
        QCOMPARE(ui->AN2_LBL_0->text(), QStringLiteral("мА"));
        QCOMPARE(ui->AN2_LBL_1->text(), ui->AN_Phys_Unit_2->currentText());
        QCOMPARE(ui->sol_state->text(), QStringLiteral("закрыт"));
        QVERIFY(QRegularExpression(QStringLiteral("^\\d+ \\(°C\\)$"))
                    .match(ui->core_temp->text())
                    .hasMatch());
        const QString year = QString::number(QDate::currentDate().year());
        QVERIFY2(ui->time->text().contains(year), qPrintable(ui->time->text()));

        // the counter grows, the clock ticks and the charge changes once a second
        const double count = ui->CT1_Imp_LCD->value();
        const QString time = ui->time->text();
        const int charge = ui->cap_charge->value();
        QTRY_VERIFY_WITH_TIMEOUT(ui->CT1_Imp_LCD->value() > count, kWaitMs);
        QTRY_VERIFY_WITH_TIMEOUT(ui->time->text() != time, kWaitMs);
        QTRY_VERIFY_WITH_TIMEOUT(ui->cap_charge->value() != charge, kWaitMs);
    }

    void oneTickInOrder()
    {
        // input 1 current, input 2 counting, bistable solenoid; both sides sleep after 5 s
        SimHarness h({"--input1", "4", "--input2", "2", "--solenoid", "0", "--online", "0"});
        QVERIFY(h.start());
        QVERIFY(connectTo(h));
        const Reads cycle =
            Reads{{36861, 2}, {36851, 1}, {32768, 1}, {36859, 2}} +
            Reads{{32811, 2}, {32813, 2}, {32815, 2}, {32817, 2}, {32819, 2}, {32821, 2}} +
            Reads{{32773, 2}, {32777, 2}, {32781, 2}, {32785, 2}};
        QCOMPARE(plan(), cycle);

        // a tick while the controller sleeps probes it twice before the cycle
        QTRY_VERIFY_WITH_TIMEOUT(!ValveTestAccess::awake(*valve), kWaitMs);
        const int before = h.requests().size();
        ui->Main_Tab_Widget->setCurrentIndex(kInputsPage);
        QVERIFY(h.waitForRequests(before + 2 + 2 * cycle.size(), kWaitMs));
        const Reads reads = readsInLog(h, before);
        QCOMPARE(reads.mid(0, 2), Reads({{36858, 1}, {36858, 1}}));
        QCOMPARE(reads.mid(2, cycle.size()), cycle);
        // awake now: the next tick is the cycle alone
        QCOMPARE(reads.mid(2 + cycle.size(), cycle.size()), cycle);
        QVERIFY(ValveTestAccess::awake(*valve));
    }

    void leavingThePageStopsPolling()
    {
        SimHarness h({"--awake"});
        QVERIFY(h.start());
        QVERIFY(connectTo(h));
        ui->Main_Tab_Widget->setCurrentIndex(kInputsPage);
        QTRY_VERIFY_WITH_TIMEOUT(!ui->time->text().isEmpty(), kWaitMs);

        ui->Main_Tab_Widget->setCurrentIndex(1);
        QVERIFY(!ValveTestAccess::pollTimer(*valve)->isActive());
        QTRY_COMPARE_WITH_TIMEOUT(ValveTestAccess::liveInFlight(*valve), 0, kWaitMs);
        const int quiet = h.requests().size();
        QSignalSpy refresh(ValveTestAccess::portTimer(*valve), &QTimer::timeout);
        QTRY_VERIFY_WITH_TIMEOUT(refresh.count() >= 3, kWaitMs); // three seconds pass
        QCOMPARE(h.requests().size(), quiet);

        // back on the page with the port open and inputs on: polling resumes
        ui->Main_Tab_Widget->setCurrentIndex(kInputsPage);
        QVERIFY(ValveTestAccess::pollTimer(*valve)->isActive());
        QVERIFY(h.waitForRequests(quiet + plan().size(), kWaitMs));

        // released port: the page may still be current, nothing polls
        ui->Main_Tab_Widget->setCurrentIndex(0);
        ui->connect->click();
        QVERIFY(ValveTestAccess::client(*valve)->state() != QModbusDevice::ConnectedState);
        ui->Main_Tab_Widget->setCurrentIndex(kInputsPage);
        QVERIFY(!ValveTestAccess::pollTimer(*valve)->isActive());
    }

    void bothInputsOffMeansNoPolling()
    {
        SimHarness h({"--awake", "--input1", "0", "--input2", "0", "--solenoid", "1"});
        QVERIFY(h.start());
        QVERIFY(connectTo(h));
        ui->Main_Tab_Widget->setCurrentIndex(kInputsPage);
        QVERIFY(!ValveTestAccess::pollTimer(*valve)->isActive());
        QVERIFY(!ui->cap_charge->isEnabled());

        // the valve commands restart the poll; without a bistable solenoid no charge is read
        const int before = h.requests().size();
        ui->sol_open->click();
        QTRY_COMPARE_WITH_TIMEOUT(ui->sol_state->text(), QStringLiteral("открыт"), kWaitMs);
        // the log may still lack the rest of the cycle when the text appears
        QTRY_VERIFY_WITH_TIMEOUT(readsInLog(h, before).size() >= 3, kWaitMs);
        QCOMPARE(readsInLog(h, before).mid(0, 3), Reads({{36861, 2}, {32768, 1}, {36859, 2}}));
    }

    void commandsShowAtTheNextCycle()
    {
        SimHarness h({"--awake"});
        QVERIFY(h.start());
        QVERIFY(connectTo(h));
        ui->Main_Tab_Widget->setCurrentIndex(kInputsPage);
        QTRY_COMPARE_WITH_TIMEOUT(ui->sol_state->text(), QStringLiteral("закрыт"), kWaitMs);

        const QImage open = QPixmap(QStringLiteral(":/resources/images/sol_open_64.png")).toImage();
        const QImage closed =
            QPixmap(QStringLiteral(":/resources/images/sol_close_64.png")).toImage();
        ui->sol_open->click();
        QTRY_COMPARE_WITH_TIMEOUT(ui->sol_state->text(), QStringLiteral("открыт"), kWaitMs);
        QVERIFY(ui->sol_st_pix->pixmap(Qt::ReturnByValue).toImage() == open);
        ui->sol_close->click();
        QTRY_COMPARE_WITH_TIMEOUT(ui->sol_state->text(), QStringLiteral("закрыт"), kWaitMs);
        QVERIFY(ui->sol_st_pix->pixmap(Qt::ReturnByValue).toImage() == closed);

        // a controller clock far off (2^31 s: January 2038) is set back to the PC's time
        auto &mirror = ValveTestAccess::mirror(*valve);
        mirror[0] = 0x8000;
        mirror[1] = 0x0000;
        ValveTestAccess::write(*valve, 36861, 2);
        QTRY_VERIFY_WITH_TIMEOUT(ui->time->text().contains(QStringLiteral("-2038 (")), kWaitMs);
        ui->setTime->click();
        const QString year = QString::number(QDate::currentDate().year());
        QTRY_VERIFY_WITH_TIMEOUT(ui->time->text().contains(year), kWaitMs);

        // the impulse counters start again from zero
        QTRY_VERIFY_WITH_TIMEOUT(ui->CT1_Imp_LCD->value() >= 50, kWaitMs);
        const double counted = ui->CT1_Imp_LCD->value();
        ui->RES_1->click();
        QTRY_VERIFY_WITH_TIMEOUT(ui->CT1_Imp_LCD->value() < counted, kWaitMs);
    }

    void silentControllerKeepsOneCycleOutstanding()
    {
        // probe, configuration and register 153, one answered cycle, then silence
        SimHarness h({"--awake", "--silent-after", "17"});
        QVERIFY(h.start());
        QVERIFY(connectTo(h));
        const int cycle = plan().size();
        QCOMPARE(cycle, 14);
        TickSampler sampler;
        sampler.attach(*valve);
        ui->Main_Tab_Widget->setCurrentIndex(kInputsPage);
        QTRY_VERIFY_WITH_TIMEOUT(!ui->time->text().isEmpty(), kWaitMs);

        // each unanswered read now waits out time-out and retries: ticks go on meanwhile
        QTRY_VERIFY_WITH_TIMEOUT(sampler.ticks >= 8, kWaitMs);
        QVERIFY2(sampler.maxLiveInFlight <= cycle,
                 qPrintable(QString::number(sampler.maxLiveInFlight)));
        QVERIFY2(sampler.maxOutstanding <= cycle,
                 qPrintable(QString::number(sampler.maxOutstanding)));
        QCOMPARE(ValveTestAccess::liveInFlight(*valve), cycle);
        QCOMPARE(outstanding(*valve), cycle);

        // releasing the port ends them all
        ui->Main_Tab_Widget->setCurrentIndex(0);
        ui->connect->click();
        QTRY_COMPARE_WITH_TIMEOUT(ValveTestAccess::liveInFlight(*valve), 0, kWaitMs);
    }

    void slowLineKeepsUpWithoutQueueing()
    {
        // at 1200 baud a cycle takes longer than the tick
        SimHarness h({"--awake", "--baud", "1200", "--wire-time"});
        QVERIFY(h.start());
        QVERIFY(connectTo(h, QStringLiteral("1200")));
        const int cycle = plan().size();
        TickSampler sampler;
        sampler.attach(*valve);
        ui->Main_Tab_Widget->setCurrentIndex(kInputsPage);

        // the display still moves
        QTRY_VERIFY_WITH_TIMEOUT(ui->CT1_Imp_LCD->value() > 0, kWaitMs);
        for (int i = 0; i < 3; ++i) {
            const double count = ui->CT1_Imp_LCD->value();
            QTRY_VERIFY_WITH_TIMEOUT(ui->CT1_Imp_LCD->value() > count, kWaitMs);
        }
        QVERIFY(sampler.ticks >= 3);
        QVERIFY2(sampler.maxLiveInFlight <= cycle,
                 qPrintable(QString::number(sampler.maxLiveInFlight)));
        QVERIFY2(sampler.maxOutstanding <= cycle,
                 qPrintable(QString::number(sampler.maxOutstanding)));
    }
};

QTEST_MAIN(tst_LiveE2E)
#include "tst_live_e2e.moc"
