// Fault matrix: the controller goes silent in the middle of a command (it answers the first
// requests, then nothing), during a configuration read, a configuration write and live polling.
// The client's time-out is shortened for the suite (the tool keeps 5000 ms and 5 retries).
#include "faultrig.h"

using namespace rig;

namespace {

const QString kReadTimeout = QStringLiteral("Read response error: Request timeout. (code: 0x5)");
const QString kWriteTimeout = QStringLiteral("ошибка записи : Request timeout. (код : 0x5)");

QStringList silentAfter(int answered)
{
    return {QStringLiteral("--silent-after"), QString::number(answered)};
}

} // namespace

class TestSilence : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void duringRead();
    void duringWrite();
    void duringLive();
};

void TestSilence::initTestCase()
{
    if (SimHarness::simPath().isEmpty())
        QSKIP("morlenta-sim is not built");
}

// The probe is answered, the block and register 153 are not: both reads time out, the form
// stays empty, nothing is written, and the next read works once the controller answers.
void TestSilence::duringRead()
{
    Rig r(silentAfter(1));
    QVERIFY(r.start());
    QVERIFY(r.open());
    QCOMPARE(VTA::client(*r.v)->timeout(), kTestTimeoutMs);
    r.ui->conn_dev->click();
    QTRY_VERIFY_WITH_TIMEOUT(r.sawMessage(kReadTimeout), kWaitMs);
    QVERIFY(r.quiet());
    QCOMPARE(r.message(), kReadTimeout);
    QCOMPARE(r.requests(kRead, 0).size(), 1 + kTestRetries);
    QCOMPARE(r.requests(kRead, 153).size(), 1 + kTestRetries);
    QVERIFY(!r.blockRead());
    QVERIFY(r.writes().isEmpty());
    QVERIFY2(linkStateProblem(r).isEmpty(), qPrintable(linkStateProblem(r)));
    QVERIFY(settlesToIdle());

    QVERIFY(r.replaceController());
    r.ui->read_sett->click();
    QTRY_VERIFY_WITH_TIMEOUT(r.blockRead(), kWaitMs);
    QVERIFY(r.writes().isEmpty());
}

// The block write and the apply register time out; the reconnect 3 s and 4 s later reopens
// the port and probes in vain. The port is open, the controller not connected, the pages
// disabled; once it answers, connecting works.
void TestSilence::duringWrite()
{
    Rig r(silentAfter(3));
    QVERIFY(r.start());
    QVERIFY(r.openAndRead());
    const auto read = VTA::config(*r.v);
    r.ui->AN_Filt->setCurrentIndex(kEditedIndex);
    r.ui->write_sett->click();
    QTRY_VERIFY_WITH_TIMEOUT(r.sawMessage(kWriteTimeout), kWaitMs);
    const QString problem = writtenBlockProblem(values(r.requests(kWriteMany, 0).first()), read);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));

    QTRY_VERIFY_WITH_TIMEOUT(r.sawMessage(QStringLiteral("порт освобождён")) &&
                                 r.sawMessage(QStringLiteral("порт занят")),
                             kWaitMs);
    const int probesAfterReopen = r.requests(kRead, kProbe).size();
    QTRY_VERIFY_WITH_TIMEOUT(r.requests(kRead, kProbe).size() >= probesAfterReopen + 6, kWaitMs);
    QVERIFY(r.quiet());
    QVERIFY(r.connected());
    QVERIFY(!r.awake());
    QVERIFY(r.led(kYellow));
    QVERIFY(!r.tabEnabled(r.ui->Sett_Tab));
    QVERIFY(r.ui->conn_dev->isEnabled());
    QCOMPARE(r.requests(kWriteMany, 0).size(), 1 + kTestRetries);
    QCOMPARE(r.requests(kWriteOne, 256).size(), 1 + kTestRetries);
    QVERIFY2(linkStateProblem(r).isEmpty(), qPrintable(linkStateProblem(r)));
    QVERIFY(settlesToIdle());

    QVERIFY(r.replaceController({}));
    QVERIFY(r.connectDevice());
    QTRY_VERIFY_WITH_TIMEOUT(r.blockRead(), kWaitMs);
    QCOMPARE(r.requests(kWriteMany, 0).size(), 1 + kTestRetries);
}

// Silence in the middle of a poll cycle: the reads time out, the reads waiting in the client stay
// bounded (a tick sends nothing while the previous cycle is outstanding), the tool does not spin,
// and the values move again once the controller answers.
void TestSilence::duringLive()
{
    Rig r(silentAfter(5));
    QVERIFY(r.start());
    QVERIFY(r.openAndRead());
    r.showPage(kInputsPage);
    QTRY_VERIFY_WITH_TIMEOUT(r.sawMessage(kReadTimeout), kWaitMs);
    int mostOutstanding = 0;
    QSignalSpy ticks(VTA::pollTimer(*r.v), &QTimer::timeout);
    QVERIFY(QTest::qWaitFor(
        [&] {
            mostOutstanding = std::max(mostOutstanding, r.outstanding());
            return ticks.size() >= 5;
        },
        kWaitMs));
    QVERIFY2(mostOutstanding <= 20, qPrintable(QString::number(mostOutstanding)));
    QVERIFY(r.writes().isEmpty());
    QVERIFY2(linkStateProblem(r).isEmpty(), qPrintable(linkStateProblem(r)));
    QVERIFY(settlesToIdle());

    const QString clockBefore = r.ui->time->text();
    QVERIFY(r.replaceController());
    QTRY_VERIFY_WITH_TIMEOUT(r.ui->time->text() != clockBefore &&
                                 r.ui->core_temp->text().endsWith(QStringLiteral(" (°C)")),
                             kWaitMs);
    QVERIFY(r.writes().isEmpty());
}

QTEST_MAIN(TestSilence)
#include "tst_silence.moc"
