// Fault matrix: the serial port vanishes (the virtual line is taken down) during live polling and
// during the release and reopen that follow an applied configuration, then comes back.
#include "faultrig.h"

using namespace rig;

namespace {

const QString kConnectError = QStringLiteral("ошибка подключения : ");

// The port counts as closed and everything agrees with it: no poll, no probe, no reply left.
QString closedProblem(Rig &r)
{
    QStringList problems;
    if (r.connected())
        problems << QStringLiteral("still connected");
    if (VTA::pollTimer(*r.v)->isActive())
        problems << QStringLiteral("live poll running");
    if (VTA::probeTimer(*r.v)->isActive())
        problems << QStringLiteral("probe running");
    if (r.outstanding() > 0)
        problems << QStringLiteral("%1 replies outstanding").arg(r.outstanding());
    if (!linkStateProblem(r).isEmpty())
        problems << linkStateProblem(r);
    return problems.join(QStringLiteral("; "));
}

// The connect error with a reason after it.
bool isConnectError(const QString &message)
{
    return message.startsWith(kConnectError) && message.size() > kConnectError.size();
}

// After the line is back: open, connect and read the block, as the user would.
bool reconnects(Rig &r)
{
    return r.open() && r.connectDevice() && QTest::qWaitFor([&] { return r.blockRead(); }, kWaitMs);
}

} // namespace

class TestPortLoss : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void duringLive();
    void beforeRelease();
    void betweenReleaseAndReopen();
};

void TestPortLoss::initTestCase()
{
    if (SimHarness::simPath().isEmpty())
        QSKIP("morlenta-sim is not built");
}

// The line goes while the inputs page polls: the port is released with the connect error, the
// poll stops and the tool does not spin on the dead port. When the line is back, connecting and
// polling work again.
void TestPortLoss::duringLive()
{
    Rig r({});
    QVERIFY(r.start());
    QVERIFY(r.openAndRead());
    r.showPage(kInputsPage);
    QTRY_VERIFY_WITH_TIMEOUT(!r.ui->time->text().isEmpty(), kWaitMs);

    r.h.stopLine();
    QTRY_VERIFY_WITH_TIMEOUT(!r.connected(), kWaitMs);
    QTRY_VERIFY2_WITH_TIMEOUT(isConnectError(r.message()), qPrintable(r.message()), kWaitMs);
    QVERIFY2(closedProblem(r).isEmpty(), qPrintable(closedProblem(r)));
    QVERIFY(!r.awake());
    QVERIFY(settlesToIdle());
    QVERIFY(r.writes().isEmpty());

    QVERIFY(r.h.restartLine());
    QVERIFY(reconnects(r));
    r.showPage(0);
    r.ui->time->clear();
    r.showPage(kInputsPage);
    QTRY_VERIFY_WITH_TIMEOUT(!r.ui->time->text().isEmpty(), kWaitMs);
    QVERIFY(r.writes().isEmpty());
}

// The block is written and applied, then the line goes before the release at 3 s. The two
// delayed toggles meet a closed port: each tries to open it and fails with the connect error.
void TestPortLoss::beforeRelease()
{
    Rig r({});
    QVERIFY(r.start());
    QVERIFY(r.openAndRead());
    r.ui->AN_Filt->setCurrentIndex(kEditedIndex);
    r.ui->write_sett->click();
    QTRY_COMPARE_WITH_TIMEOUT(r.requests(kWriteOne, 256).size(), 1, kWaitMs);
    QVERIFY(r.quiet());
    r.messages.clear();

    r.h.stopLine();
    QTRY_VERIFY_WITH_TIMEOUT(!r.connected() && isConnectError(r.message()), kWaitMs);
    // Both delayed toggles have run (the second leaves command 1 pending), each failing to open
    // the vanished port.
    QTRY_COMPARE_WITH_TIMEOUT(VTA::pending(*r.v), quint16(Valve::ConnectDevice), kWaitMs);
    QCOMPARE(r.message(), kConnectError + VTA::client(*r.v)->errorString());
    QVERIFY2(closedProblem(r).isEmpty(), qPrintable(closedProblem(r)));
    QVERIFY(settlesToIdle());

    QVERIFY(r.h.restartLine());
    QVERIFY(reconnects(r));
    QCOMPARE(r.requests(kWriteMany, 0).size(), 1); // the new controller's log: nothing rewritten
}

// The line goes after the release at 3 s: the reopen at 4 s fails with the connect error and
// the port stays closed; connecting works once the line is back.
void TestPortLoss::betweenReleaseAndReopen()
{
    Rig r({});
    QVERIFY(r.start());
    QVERIFY(r.openAndRead());
    r.ui->AN_Filt->setCurrentIndex(kEditedIndex);
    r.ui->write_sett->click();
    QTRY_VERIFY_WITH_TIMEOUT(!r.connected(), kWaitMs); // released after 3 s
    QCOMPARE(r.message(), QStringLiteral("порт освобождён"));
    r.h.stopLine();

    QTRY_COMPARE_WITH_TIMEOUT(VTA::pending(*r.v), quint16(Valve::ConnectDevice), kWaitMs);
    QCOMPARE(r.message(), kConnectError + VTA::client(*r.v)->errorString());
    QVERIFY2(closedProblem(r).isEmpty(), qPrintable(closedProblem(r)));
    QVERIFY(settlesToIdle());

    QVERIFY(r.h.restartLine());
    QVERIFY(reconnects(r));
    QCOMPARE(r.requests(kWriteMany, 0).size(), 1);
}

QTEST_MAIN(TestPortLoss)
#include "tst_portloss.moc"
