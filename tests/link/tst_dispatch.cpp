// Routing of read replies by start address, the mirror copy, and dispatch of short replies.
#include <QtTest>

#include <numeric>

#include <QModbusReply>
#include <QStatusBar>

#include "link/dispatch.h"
#include "link/registers.h"
#include "support/valvetestaccess.h"

using link::Target;

Q_DECLARE_METATYPE(link::Target)

class TestDispatch : public QObject
{
    Q_OBJECT

private slots:
    void routes_data();
    void routes();
    void unknownAddressesGoNowhere();
    void mirrorCopy();
    void shortRepliesAreNotDispatched();
    void probeAnswerWakes();
    void requestsWithThePortClosed();
    void inactivityTimeFromWord83();
    void sleepWithThePortClosedKeepsRed();
};

void TestDispatch::routes_data()
{
    QTest::addColumn<int>("start");
    QTest::addColumn<Target>("target");
    QTest::addColumn<int>("input");
    QTest::addColumn<int>("quantity");
    QTest::addColumn<int>("words");

    QTest::newRow("block") << 0 << Target::Configuration << 0 << 0 << 85;
    QTest::newRow("153") << 153 << Target::Register153 << 0 << 0 << 1;
    QTest::newRow("solenoid") << 32768 << Target::Solenoid << 0 << 0 << 1;
    QTest::newRow("discrete 1") << 32769 << Target::Discrete << 0 << 0 << 1;
    QTest::newRow("discrete 2") << 32770 << Target::Discrete << 1 << 0 << 1;
    // Counting inputs interleave: input 1 at 32771, 32775, 32779, 32783; input 2 two above.
    const int counting[2][4] = {{32771, 32775, 32779, 32783}, {32773, 32777, 32781, 32785}};
    for (int n = 0; n < 2; ++n)
        for (int k = 0; k < 4; ++k)
            QTest::addRow("counter %d.%d", n, k)
                << counting[n][k] << Target::Counter << n << k << 2;
    for (int n = 0; n < 2; ++n)
        for (int k = 0; k < 6; ++k)
            QTest::addRow("analog %d.%d", n, k)
                << 32811 + 12 * n + 2 * k << Target::Analog << n << k << 2;
    QTest::newRow("capacitor") << 36851 << Target::Capacitor << 0 << 0 << 1;
    QTest::newRow("probe") << 36858 << Target::Probe << 0 << 0 << 1;
    QTest::newRow("temperature") << 36859 << Target::Temperature << 0 << 0 << 2;
    QTest::newRow("clock") << 36861 << Target::Clock << 0 << 0 << 2;
}

void TestDispatch::routes()
{
    QFETCH(int, start);
    QFETCH(Target, target);
    QFETCH(int, input);
    QFETCH(int, quantity);
    QFETCH(int, words);
    const link::Route route = link::routeFor(start);
    QCOMPARE(route.target, target);
    QCOMPARE(route.input, input);
    QCOMPARE(route.quantity, quantity);
    QCOMPARE(route.wordsNeeded, words);
}

void TestDispatch::unknownAddressesGoNowhere()
{
    // Neighbours of the table: the odd halves of two-word values, the gap between the counting
    // and analog runs, the ends of the runs, the configuration registers past 0.
    for (int start : {1, 84, 152, 154, 256, 259, 32772, 32787, 32809, 32812, 32835, 36852, 36857,
                      36860, 36862, 65535, -1})
        QCOMPARE(link::routeFor(start).target, Target::None);
}

void TestDispatch::mirrorCopy()
{
    std::array<quint16, 1024> mirror;
    mirror.fill(0xAAAA);

    QVector<quint16> block(85);
    std::iota(block.begin(), block.end(), quint16(1));
    QCOMPARE(link::copyToMirror(block, mirror.data(), int(mirror.size())), 85);
    QCOMPARE(mirror[0], quint16(1));
    QCOMPARE(mirror[84], quint16(85));
    QCOMPARE(mirror[85], quint16(0xAAAA)); // past the reply: untouched
    QCOMPARE(mirror[1023], quint16(0xAAAA));

    // A shorter reply overwrites only its own words.
    QCOMPARE(link::copyToMirror({7}, mirror.data(), int(mirror.size())), 1);
    QCOMPARE(mirror[0], quint16(7));
    QCOMPARE(mirror[1], quint16(2));

    QCOMPARE(link::copyToMirror({}, mirror.data(), int(mirror.size())), 0);
    QCOMPARE(mirror[0], quint16(7));

    // Never past the end, whatever arrives.
    const QVector<quint16> huge(2000, 5);
    QCOMPARE(link::copyToMirror(huge, mirror.data(), 16), 16);
    QCOMPARE(mirror[15], quint16(5));
    QCOMPARE(mirror[16], quint16(17));
}

void TestDispatch::shortRepliesAreNotDispatched()
{
    Valve v;
    auto &mirror = ValveTestAccess::mirror(v);
    mirror[0] = 1234;
    ValveTestAccess::dispatch(v, 153, 0); // an empty reply
    QCOMPARE(ValveTestAccess::register153(v), quint16(0));
    ValveTestAccess::dispatch(v, 153, 1);
    QCOMPARE(ValveTestAccess::register153(v), quint16(1234));
    mirror[0] = 99;
    ValveTestAccess::dispatch(v, 154, 1); // no handler: the mirror copy is all
    QCOMPARE(ValveTestAccess::register153(v), quint16(1234));
}

void TestDispatch::probeAnswerWakes()
{
    Valve v;
    auto &mirror = ValveTestAccess::mirror(v);
    mirror[0] = link::kAwakeAnswer;
    ValveTestAccess::dispatch(v, link::kProbe, 0); // the word is stale: not an answer
    QVERIFY(!ValveTestAccess::awake(v));
    mirror[0] = 0xFACF;
    ValveTestAccess::dispatch(v, link::kProbe, 1); // any other value is ignored
    QVERIFY(!ValveTestAccess::awake(v));
    mirror[0] = link::kAwakeAnswer;
    ValveTestAccess::dispatch(v, link::kProbe, 1);
    QVERIFY(ValveTestAccess::awake(v));
    QCOMPARE(ValveTestAccess::pending(v), quint16(Valve::NoCommand));
}

void TestDispatch::requestsWithThePortClosed()
{
    Valve v;
    QCOMPARE(ValveTestAccess::read(v, 0, 85), nullptr); // refused at once, no reply left
    QVERIFY(v.statusBar()->currentMessage().startsWith(QStringLiteral("ошибка чтения : ")));
    QVERIFY(v.statusBar()->currentMessage().size() > 16);
    QVERIFY(ValveTestAccess::client(v)->findChildren<QModbusReply *>().isEmpty());

    ValveTestAccess::write(v, 32768, 1);
    QVERIFY(v.statusBar()->currentMessage().startsWith(QStringLiteral("ошибка записи : ")));
    QVERIFY(ValveTestAccess::client(v)->findChildren<QModbusReply *>().isEmpty());
    // A write restarts the inactivity timer whether or not it could be sent.
    QVERIFY(ValveTestAccess::inactivityTimer(v)->isActive());
}

void TestDispatch::inactivityTimeFromWord83()
{
    Valve v;
    auto &config = ValveTestAccess::config(v);
    const QPair<int, int> cases[] = {{0, 5000},
                                     {1, 10000},
                                     {5, 60000},
                                     {9, 900000},
                                     // no table entry: the shortest time, so the tool probes
                                     // again rather than talk to a sleeping controller
                                     {10, 5000},
                                     {0xFFFF, 5000}};
    for (const auto &c : cases) {
        config[83] = quint16(c.first);
        ValveTestAccess::write(v, 259, 1);
        QCOMPARE(ValveTestAccess::inactivityTimer(v)->interval(), c.second);
    }
}

void TestDispatch::sleepWithThePortClosedKeepsRed()
{
    Valve v;
    ValveTestAccess::goToSleep(v);
    QVERIFY(ValveTestAccess::ui(v)->led->styleSheet().contains("rgb(255, 0, 0)"));
    QVERIFY(!ValveTestAccess::awake(v));
}

QTEST_MAIN(TestDispatch)
#include "tst_dispatch.moc"
