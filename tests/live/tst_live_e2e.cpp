// The inputs page's poll end to end against morlenta-sim: what one tick puts on the wire, how much
// of it may wait in the client, and when nothing is polled.
#include <QtTest>

#include "support/toolrig.h"

using VTA = ValveTestAccess;

using Reads = QVector<QPair<int, int>>; // start, count

class TestLiveE2E : public QObject
{
    Q_OBJECT

private slots:
    void oneTickInOrder();
    void atMostOneCycleWaits_data();
    void atMostOneCycleWaits();
    void nothingPolled_data();
    void nothingPolled();
};

// Fault: a tick reads in another order or other registers than the controller's map gives for
// its configuration (here input 1 current, input 2 counting, bistable solenoid), or leaves out
// the two probes while the controller counts as asleep, or probes it while awake.
void TestLiveE2E::oneTickInOrder()
{
    SimHarness h;
    ToolRig r;
    QVERIFY(h.start({"--awake", "--input1", "4", "--input2", "2", "--solenoid", "0"}) &&
            r.start(h.toolPort()) && r.openAndRead());
    VTA::inactivityTimer(*r.valve)->start(0); // its online time runs out now
    QTRY_VERIFY(!r.awake());

    const Reads probes{{36858, 1}, {36858, 1}};
    const Reads cycle{{36861, 2}, {36851, 1}, {32768, 1}, {36859, 2}, // clock, charge, valve,
                      {32811, 2}, {32813, 2}, {32815, 2}, {32817, 2}, // temperature, input 1's
                      {32819, 2}, {32821, 2}, {32773, 2}, {32777, 2}, // six analog values, input
                      {32781, 2}, {32785, 2}};                        // 2's four counters
    const int before = h.requests().size();
    r.showPage(r.ui->Ins_Tab);
    const int expected = probes.size() + 2 * cycle.size(); // asleep, then awake
    QVERIFY(
        h.waitFor([&](const QVector<SimRequest> &log) { return log.size() >= before + expected; }));
    Reads reads;
    for (const SimRequest &q : h.requests().mid(before))
        if (q.fn == kRead)
            reads.append({q.start, q.count});
    QCOMPARE(reads.mid(0, expected), probes + cycle + cycle);
}

// Fault: ticks keep sending cycles while the previous one still waits (a silent controller, or a
// line too slow for a cycle a second), so requests pile up in the client without bound.
void TestLiveE2E::atMostOneCycleWaits_data()
{
    QTest::addColumn<QStringList>("controller");
    QTest::addColumn<int>("baud");
    QTest::newRow("silent after connecting")
        << QStringList{"--awake", "--silent-after", "3"} << 9600;
    QTest::newRow("1200 baud, replies taking their time on the wire")
        << QStringList{"--awake", "--baud", "1200", "--wire-time"} << 1200;
}

void TestLiveE2E::atMostOneCycleWaits()
{
    QFETCH(QStringList, controller);
    QFETCH(int, baud);
    SimHarness h;
    ToolRig r(5000, 5); // the tool's own timing: a silent read waits half a minute
    QVERIFY(h.start(controller) && r.start(h.toolPort(), baud) && r.openAndRead());
    constexpr int kCycle = 14; // counting input 1, current input 2, bistable solenoid
    int ticks = 0, mostWaiting = 0;
    QObject::connect(VTA::pollTimer(*r.valve), &QTimer::timeout, r.valve.get(), [&] {
        ++ticks;
        mostWaiting = std::max(mostWaiting, r.outstanding());
    });
    const int before = h.requests().size();
    r.showPage(r.ui->Ins_Tab);
    QTRY_VERIFY_WITH_TIMEOUT(ticks >= 6, SimHarness::kWaitMs);
    QVERIFY2(mostWaiting <= kCycle, qPrintable(QString::number(mostWaiting)));
    if (controller.contains("--silent-after")) {
        QCOMPARE(r.outstanding(), kCycle);
    } else { // the values still move: more than one cycle has been answered
        QVERIFY(h.waitFor([&](const QVector<SimRequest> &log) {
            return log.size() - before > kCycle && log.last().answered;
        }));
    }
}

// Faults: the poll runs with nothing to show it: off the inputs page, with both inputs off, or
// once the port has been released and opened again while the inputs page stayed shown (the
// release stops the poll; a new connection does not start it, only showing the page does).
void TestLiveE2E::nothingPolled_data()
{
    QTest::addColumn<QStringList>("controller");
    QTest::addColumn<QString>("then"); // after the page has been shown
    QTest::newRow("inputs page left") << QStringList{"--awake"} << "leave";
    QTest::newRow("both inputs off")
        << QStringList{"--awake", "--input1", "0", "--input2", "0"} << "";
    QTest::newRow("released and reconnected on the inputs page")
        << QStringList{"--awake"} << "reconnect";
}

void TestLiveE2E::nothingPolled()
{
    QFETCH(QStringList, controller);
    QFETCH(QString, then);
    SimHarness h;
    ToolRig r;
    QVERIFY(h.start(controller) && r.start(h.toolPort()) && r.openAndRead());
    r.showPage(r.ui->Ins_Tab);
    if (!then.isEmpty())
        QTRY_VERIFY(!r.ui->time->text().isEmpty());
    if (then == "leave")
        r.showPage(r.ui->Sett_Tab);
    if (then == "reconnect") {
        r.ui->connect->click();
        QVERIFY(!r.connected() && !VTA::pollTimer(*r.valve)->isActive());
        QVERIFY(r.open() && r.connectDevice());
        QCOMPARE(r.ui->Main_Tab_Widget->currentWidget(), r.ui->Ins_Tab);
    }
    QVERIFY(r.settle());
    QVERIFY(!VTA::pollTimer(*r.valve)->isActive()); // its ticks would keep it counted as awake
    const int quiet = h.requests().size();
    QSignalSpy refreshes(VTA::portTimer(*r.valve), &QTimer::timeout);
    QTRY_VERIFY_WITH_TIMEOUT(refreshes.count() >= 3, SimHarness::kWaitMs); // three ticks' time
    QCOMPARE(h.requests().size(), quiet);
}

QTEST_MAIN(TestLiveE2E)
#include "tst_live_e2e.moc"
