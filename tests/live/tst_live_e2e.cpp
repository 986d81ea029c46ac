// The inputs page's poll end to end against morlenta-sim: what the ticks put on the wire and
// when, how much of it may wait in the client, when nothing is polled, and a line gone quiet.
#include <QtTest>

#include "support/toolrig.h"

using VTA = ValveTestAccess;

using Reads = QVector<QPair<int, int>>; // start, count

namespace {

// Counts the paint events of a widget.
struct Paints : QObject
{
    explicit Paints(QWidget *w) { w->installEventFilter(this); }
    bool eventFilter(QObject *, QEvent *e) override
    {
        return count += e->type() == QEvent::Paint, false;
    }
    int count = 0;
};

Reads readsOf(const QVector<SimRequest> &log)
{
    Reads reads;
    for (const SimRequest &q : log)
        if (q.fn == kRead)
            reads.append({q.start, q.count});
    return reads;
}

} // namespace

class TestLiveE2E : public QObject
{
    Q_OBJECT

private slots:
    void oneTickInOrder();
    void slowLine();
    void nothingPolled_data();
    void nothingPolled();
    void outage();
};

// Faults: a tick reads in another order or other registers than the controller's map gives for
// its configuration (here input 1 current, input 2 counting, bistable solenoid), or leaves out
// the two probes while the controller counts as asleep, or probes it while awake; the ticks are
// not a second apart.
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
    const int expected = probes.size() + 3 * cycle.size(); // asleep, then awake
    QVERIFY(
        h.waitFor([&](const QVector<SimRequest> &log) { return log.size() >= before + expected; }));
    QVector<SimRequest> log = h.requests().mid(before);
    QCOMPARE(readsOf(log).mid(0, expected), probes + cycle + cycle + cycle);
    const qint64 tick = (log[expected - cycle.size()].ms - log[probes.size()].ms) / 2;
    QVERIFY2(tick > 700 && tick < 1500, qPrintable(QString::number(tick)));
}

// Faults: a tick puts more than one read into the client at once (a command or a probe would
// wait behind all of them, against a silent controller half a minute each), or starts its reads
// over while the previous tick's are still being worked off, so that the end of a cycle never
// goes out on a line too slow for a cycle a second (1200 baud, replies taking their wire time).
void TestLiveE2E::slowLine()
{
    SimHarness h;
    ToolRig r(5000, 5);
    QVERIFY(h.start({"--awake", "--baud", "1200", "--wire-time"}) && r.start(h.toolPort(), 1200) &&
            r.openAndRead());
    const Reads cycle{{36861, 2}, {36851, 1}, {32768, 1}, {36859, 2}, // counting input 1,
                      {32771, 2}, {32775, 2}, {32779, 2}, {32783, 2}, // current input 2
                      {32823, 2}, {32825, 2}, {32827, 2}, {32829, 2}, {32831, 2}, {32833, 2}};
    int mostWaiting = 0;
    QObject::connect(VTA::pollTimer(*r.valve), &QTimer::timeout, r.valve.get(),
                     [&] { mostWaiting = std::max(mostWaiting, r.outstanding()); });
    const int before = h.requests().size();
    r.showPage(r.ui->Ins_Tab);
    QVERIFY(h.waitFor([&](const QVector<SimRequest> &log) {
        return log.size() - before >= 2 * cycle.size() && log.last().answered;
    }));
    QCOMPARE(mostWaiting, 1);
    QCOMPARE(readsOf(h.requests().mid(before)).mid(0, 2 * cycle.size()), cycle + cycle);
}

// Faults: the poll runs with nothing to show it: off the inputs page, with both inputs off, once
// the port has been released and opened again while the inputs page stayed shown (the release
// stops the poll; a new connection does not start it, only showing the page does), or on the
// input types left from an earlier connection before the controller's block was read again.
void TestLiveE2E::nothingPolled_data()
{
    QTest::addColumn<QStringList>("controller");
    QTest::addColumn<QString>("step");
    QTest::newRow("inputs page left") << QStringList{"--awake"} << "leave";
    QTest::newRow("both inputs off")
        << QStringList{"--awake", "--input1", "0", "--input2", "0"} << "";
    QTest::newRow("released and reconnected on the inputs page")
        << QStringList{"--awake"} << "reconnect";
    QTest::newRow("reopened, no block read since") << QStringList{"--awake"} << "reopen";
}

void TestLiveE2E::nothingPolled()
{
    QFETCH(QStringList, controller);
    QFETCH(QString, step);
    SimHarness h;
    ToolRig r;
    QVERIFY(h.start(controller) && r.start(h.toolPort()) && r.openAndRead());
    if (step == "reopen") {
        r.ui->connect->click();
        QVERIFY(r.open()); // "подключить устройство" not pressed: the inputs page is disabled
    }
    r.showPage(r.ui->Ins_Tab);
    if (step == "leave" || step == "reconnect")
        QTRY_VERIFY(!r.ui->time->text().isEmpty());
    if (step == "leave")
        r.showPage(r.ui->Sett_Tab);
    if (step == "reconnect") {
        r.ui->connect->click();
        QVERIFY(!r.connected() && !VTA::pollTimer(*r.valve)->isActive());
        QVERIFY(r.open() && r.connectDevice());
        QCOMPARE(r.ui->Main_Tab_Widget->currentWidget(), r.ui->Ins_Tab);
    }
    QVERIFY(r.settle());
    QVERIFY(!VTA::pollTimer(*r.valve)->isActive());
    const int quiet = h.requests().size();
    QSignalSpy refreshes(VTA::portTimer(*r.valve), &QTimer::timeout);
    QTRY_VERIFY_WITH_TIMEOUT(refreshes.count() >= 3, SimHarness::kWaitMs); // three ticks' time
    QCOMPARE(h.requests().size(), quiet);
}

// Faults: against a line gone quiet, a command waits behind a tick's reads (each costing the
// client's half minute: the eight minutes), or goes out without a probe to a controller
// that fell asleep meanwhile; the values already read are not shown (or not painted) while the
// rest of the tick waits; the controller counts as awake longer than its online time after its
// last answer (here 5 s), or is polled before a probe has found it awake, or still shows as
// asleep once it answers again. The heaviest
// configuration at the wire's pace, with the tool's own time-out and retries: the line goes
// silent for 15 s right after a tick's first read, and "открыть" is clicked 2 s after it is back.
void TestLiveE2E::outage()
{
    SimHarness h;
    ToolRig r(5000, 5);
    QVERIFY(h.start({"--awake", "--input1", "3", "--input2", "4", "--online", "0", "--wire-time",
                     "--outage-ms", "15000"}) &&
            r.start(h.toolPort()) && r.openAndRead());
    r.valve->show();
    r.showPage(r.ui->Ins_Tab);
    Paints clock(r.ui->time);
    QVERIFY(h.waitFor([](const QVector<SimRequest> &l) {
        return l.last().is(kRead, 36861) && l.last().answered;
    }));
    const qint64 quiet = SimHarness::nowMs();
    h.startOutage();
    const int painted = clock.count;
    qint64 yellow = 0;
    QVERIFY(QTest::qWaitFor(
        [&] {
            if (!yellow && r.led() == ToolRig::Led::Yellow)
                yellow = SimHarness::nowMs();
            return SimHarness::nowMs() > quiet + 17000;
        },
        20000));
    QVector<SimRequest> log = h.requests();
    const auto lastAnswer =
        std::find_if(log.crbegin(), log.crend(), [](const SimRequest &q) { return q.answered; });
    QVERIFY2(yellow - lastAnswer->ms > 4500 && yellow - lastAnswer->ms < 8000,
             qPrintable(QString::number(yellow - lastAnswer->ms)));
    const SimRequest waiting = log.last(); // the read the line left unanswered, retried
    QVERIFY(!waiting.answered && waiting.fn == kRead && waiting.start != kProbe);
    QVERIFY(r.outstanding() > 0 && clock.count > painted);

    const qint64 click = SimHarness::nowMs();
    r.ui->sol_open->click();
    const auto valveWrite = [](const SimRequest &q) { return q.is(kWriteOne, 32768); };
    QVERIFY(h.waitFor(
        [&](const QVector<SimRequest> &l) { return std::any_of(l.cbegin(), l.cend(), valveWrite); },
        40000));
    log = h.requests().mid(log.size());
    const int written = int(std::find_if(log.cbegin(), log.cend(), valveWrite) - log.cbegin());
    QVERIFY(log[written].ms - click < 40000);
    // Before the write: that read's retries, then probes, the one before the write answered.
    for (const SimRequest &q : log.mid(0, written))
        QVERIFY(q.is(kRead, kProbe) || q.is(kRead, waiting.start));
    QVERIFY(written > 0 && log[written - 1].is(kRead, kProbe) && log[written - 1].answered);
    QCOMPARE(r.led(), ToolRig::Led::Green); // it answers again
}

QTEST_MAIN(TestLiveE2E)
#include "tst_live_e2e.moc"
