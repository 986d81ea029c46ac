// The device link end to end: the main window, driven through its own widgets, against
// morlenta-sim on a virtual serial line.
#include <QtTest>

#include <QSerialPort>

#include "support/toolrig.h"

using VTA = ValveTestAccess;

class TestLinkE2E : public QObject
{
    Q_OBJECT

private slots:
    void lineParameters_data();
    void lineParameters();
    void reopening();
    void commandsWhileAwake();
    void wakeUp_data();
    void wakeUp();
    void portListChangeReleasesFully();
};

// Fault: a line parameter chosen on the connection page does not reach the client (or a default
// is used), so the tool talks to the wrong address or with the wrong framing.
void TestLinkE2E::lineParameters_data()
{
    QTest::addColumn<QStringList>("form");    // address, baud rate, parity, data and stop bits
    QTest::addColumn<QVector<int>>("client"); // the same as the client takes them
    QTest::addColumn<QStringList>("controller");
    QTest::newRow("all but the defaults, matching")
        << QStringList{"17", "19200", "чётн.", "7", "2"}
        << QVector<int>{17, 19200, QSerialPort::EvenParity, QSerialPort::Data7,
                        QSerialPort::TwoStop}
        << QStringList{"--address", "17",     "--baud", "19200",  "--parity",
                       "E",         "--data", "7",      "--stop", "2"};
    QTest::newRow("another address than the controller's")
        << QStringList{"5", "115200", "нечет.", "8", "1"}
        << QVector<int>{5, 115200, QSerialPort::OddParity, QSerialPort::Data8, QSerialPort::OneStop}
        << QStringList{"--address", "17", "--baud", "115200", "--parity", "O"};
}

void TestLinkE2E::lineParameters()
{
    QFETCH(QStringList, form);
    QFETCH(QVector<int>, client);
    QFETCH(QStringList, controller);
    SimHarness h;
    QVERIFY(h.start(controller));
    ToolRig r;
    QVERIFY(r.start(h.toolPort(), client[1]));
    QComboBox *boxes[] = {r.ui->dev_id_1, r.ui->dev_br_1, r.ui->dev_par_1, r.ui->dev_db_1,
                          r.ui->dev_sb_1};
    for (int i = 0; i < 5; ++i)
        boxes[i]->setCurrentIndex(boxes[i]->findText(form[i]));
    QVERIFY(r.open());
    const QModbusRtuSerialMaster *c = VTA::client(*r.valve);
    QCOMPARE(c->connectionParameter(QModbusDevice::SerialBaudRateParameter).toInt(), client[1]);
    QCOMPARE(c->connectionParameter(QModbusDevice::SerialParityParameter).toInt(), client[2]);
    QCOMPARE(c->connectionParameter(QModbusDevice::SerialDataBitsParameter).toInt(), client[3]);
    QCOMPARE(c->connectionParameter(QModbusDevice::SerialStopBitsParameter).toInt(), client[4]);

    const bool matching = controller[1] == form[0];
    r.ui->conn_dev->click();
    QVERIFY(h.waitFor([&](const QVector<SimRequest> &log) {
        return !log.isEmpty() && (!matching || !h.requests(kRead, kWord153).isEmpty());
    }));
    for (const SimRequest &q : h.requests())
        QCOMPARE(q.address, client[0]);
    QCOMPARE(h.requests().first().answered, matching);
    QCOMPARE(r.led(), matching ? ToolRig::Led::Green : ToolRig::Led::Yellow);
}

// Faults: a failed open leaves the client in a state the next open fails in too; the client
// keeps the inter-frame delay of a slower line it was opened on before (expected: 3.5 characters
// of 11 bits up to 19200 baud, 1750 us above, in whole ms rounded up).
void TestLinkE2E::reopening()
{
    SimHarness h;
    QVERIFY(h.start());
    const QString missing = h.dir() + QStringLiteral("/no-such-tty");
    ToolRig r;
    QVERIFY(r.start(missing, 1200, {missing, h.toolPort()}));
    QVERIFY(!r.open());
    const QString error = QStringLiteral("ошибка подключения : ");
    QVERIFY2(r.message().startsWith(error) && r.message().size() > error.size(),
             qPrintable(r.message()));
    QVERIFY2(r.linkStateProblem().isEmpty(), qPrintable(r.linkStateProblem()));

    r.ui->ports->setCurrentIndex(r.ui->ports->findText(h.toolPort()));
    for (const auto &[baud, delayUs] : {std::pair{1200, 33000}, {115200, 2000}, {9600, 5000}}) {
        r.ui->dev_br_1->setCurrentIndex(r.ui->dev_br_1->findData(baud));
        QVERIFY(r.open());
        QCOMPARE(VTA::client(*r.valve)->interFrameDelay(), delayUs);
        r.ui->connect->click();
        QVERIFY(!r.connected());
    }
    QVERIFY(r.open() && r.connectDevice());
    QVERIFY2(r.linkStateProblem().isEmpty(), qPrintable(r.linkStateProblem()));
}

// Faults: a command writes the wrong register or value (the clock low word first or far from
// UTC, open and close swapped, a reset that is no 0 to 259), or probes a controller that is awake;
// or, clicked while a request waits far past its time on the wire, goes out behind it without a
// probe (to a controller that may have fallen asleep meanwhile).
void TestLinkE2E::commandsWhileAwake()
{
    SimHarness h;
    ToolRig r(2000, 0);
    // both inputs counting: both resets shown
    QVERIFY(h.start({"--awake", "--input2", "2", "--outage-ms", "1500"}) && r.start(h.toolPort()) &&
            r.openAndRead());
    const int probes = h.requests(kRead, kProbe).size();
    const struct
    {
        QAbstractButton *button;
        int fn, start;
        QVector<quint16> values; // empty: the clock
    } commands[] = {{r.ui->sol_close, kWriteOne, 32768, {1}},
                    {r.ui->sol_open, kWriteOne, 32768, {0}},
                    {r.ui->RES_1, kWriteOne, 259, {0}},
                    {r.ui->RES_2, kWriteOne, 259, {0}},
                    {r.ui->setTime, kWriteMany, 36861, {}}};
    for (const auto &command : commands) {
        const int sent = h.requests(command.fn, command.start).size();
        command.button->click();
        QVERIFY(h.waitFor([&](const QVector<SimRequest> &) {
            return h.requests(command.fn, command.start).size() > sent;
        }));
        const QVector<quint16> written = h.requests(command.fn, command.start).last().values;
        if (command.values.isEmpty()) {
            QCOMPARE(written.size(), 2);
            const qint64 off = (qint64(written[0]) << 16 | written[1]) -
                               QDateTime::currentSecsSinceEpoch(); // high word first
            QVERIFY2(qAbs(off) < 300, qPrintable(QString::number(off)));
        } else {
            QCOMPARE(written, command.values);
        }
    }
    QCOMPARE(h.requests(kRead, kProbe).size(), probes);

    h.startOutage();
    r.ui->read_sett->click();
    QVERIFY(h.waitFor([](const QVector<SimRequest> &log) { return !log.last().answered; }));
    const qint64 sent = h.requests().last().ms;
    // Far past the time any exchange takes on the wire at 9600 baud (the block: 0.2 s).
    QVERIFY(QTest::qWaitFor([&] { return SimHarness::nowMs() > sent + 800; }));
    r.ui->sol_close->click();
    QVERIFY(h.waitFor([](const QVector<SimRequest> &log) { return log.last().fn == kWriteOne; }));
    const QVector<SimRequest> log = h.requests();
    QVERIFY(log[log.size() - 2].is(kRead, kProbe) && log[log.size() - 2].answered);
}

// Faults: the wake-up gives up too early or never (an exact count of six probe reads), its probes
// are not a second apart, an answer runs the command twice or not at all, also when it comes to
// the last probe after the attempt has given up.
void TestLinkE2E::wakeUp_data()
{
    QTest::addColumn<QStringList>("controller");
    QTest::addColumn<int>("probes");
    QTest::addColumn<bool>("runs");
    QTest::newRow("answers the third probe") << QStringList{"--wake-at", "3"} << 3 << true;
    QTest::newRow("answers the sixth, after the attempt gave up")
        << QStringList{"--wake-at", "6"} << 6 << true;
    QTest::newRow("never answers") << QStringList{"--never-wake"} << 6 << false;
}

void TestLinkE2E::wakeUp()
{
    QFETCH(QStringList, controller);
    QFETCH(int, probes);
    QFETCH(bool, runs);
    SimHarness h;
    ToolRig r(400, 0); // one frame per probe read, each given up before the next step
    QVERIFY(h.start(controller) && r.start(h.toolPort()) && r.open());
    r.ui->conn_dev->click();
    QVERIFY(r.settle());
    const QVector<SimRequest> sent = h.requests(kRead, kProbe);
    const qint64 apart = (sent.last().ms - sent.first().ms) / std::max(1, sent.size() - 1);
    QVERIFY2(apart > 700 && apart < 1500, qPrintable(QString::number(apart)));
    QCOMPARE(sent.size(), probes);
    QCOMPARE(h.requests().size(), probes + (runs ? 2 : 0)); // the block and register 153
    QCOMPARE(h.requests(kRead, kBlock).size(), runs ? 1 : 0);
    QCOMPARE(r.led(), runs ? ToolRig::Led::Green : ToolRig::Led::Yellow);
    QCOMPARE(r.pending(), runs ? morlenta::link::NoCommand : morlenta::link::ConnectDevice);
}

// Faults: a change of the port list leaves something of the released link running (a yellow LED
// over a closed port later, polling), or lets a command go out after reopening without a probe.
void TestLinkE2E::portListChangeReleasesFully()
{
    SimHarness h;
    QVERIFY(h.start({"--awake"}));
    const QString other = h.dir() + QStringLiteral("/other");
    ToolRig r;
    QVERIFY(r.start(h.toolPort(), 9600, {other, h.toolPort()}) && r.openAndRead());
    r.ui->sol_close->click(); // starts the poll timer too
    QVERIFY(VTA::pollTimer(*r.valve)->isActive() && VTA::inactivityTimer(*r.valve)->isActive());

    // A new port appears: the list is rebuilt with its first entry current.
    qputenv("MORLENTA_EXTRA_PORTS", (h.dir() + "/new:" + other + ":" + h.toolPort()).toUtf8());
    QTRY_VERIFY_WITH_TIMEOUT(!r.connected(), SimHarness::kWaitMs);
    QVERIFY2(r.linkStateProblem().isEmpty(), qPrintable(r.linkStateProblem()));
    QCOMPARE(r.message(), QStringLiteral("порт освобождён"));
    QVERIFY(!r.awake());
    QVERIFY(!VTA::inactivityTimer(*r.valve)->isActive() && !VTA::pollTimer(*r.valve)->isActive());

    r.ui->ports->setCurrentIndex(r.ui->ports->findText(h.toolPort()));
    const int before = h.requests().size();
    QVERIFY(r.open());
    QVERIFY(r.connectDevice());
    QVERIFY(h.requests().size() > before);
    QCOMPARE(h.requests()[before].start, kProbe);
}

QTEST_MAIN(TestLinkE2E)
#include "tst_link_e2e.moc"
