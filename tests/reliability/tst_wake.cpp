// Fault matrix: the controller never wakes, wakes late (at the sixth probe) or falls asleep in
// the middle of a command, during a configuration read, a configuration write and live polling.
#include "faultrig.h"

using namespace rig;

namespace {

const QString kReadTimeout = QStringLiteral("Read response error: Request timeout. (code: 0x5)");
const QString kWriteTimeout = QStringLiteral("ошибка записи : Request timeout. (код : 0x5)");

// The tool has let the inactivity time run out: the controller counts as asleep.
bool toolAsleep(Rig &r)
{
    return QTest::qWaitFor([&] { return !r.awake() && r.led(kYellow); }, kWaitMs);
}

// Both ends count the controller as asleep: the tool's inactivity time has run out, and the
// line has been quiet for longer than the controller's online time (5 s with --online 0; the
// tool's coarse timer may run out a little earlier than the controller's).
bool bothAsleep(Rig &r)
{
    constexpr int kOnlineMs = 5000;
    QElapsedTimer quiet;
    quiet.start();
    int seen = r.logSize();
    return QTest::qWaitFor(
        [&] {
            if (r.logSize() != seen) {
                seen = r.logSize();
                quiet.restart();
            }
            return !r.awake() && r.led(kYellow) && quiet.elapsed() > kOnlineMs + 500;
        },
        kWaitMs);
}

// After the wake-up, the form edited, the write applied and the reconnect done: the controller
// holds the edit.
bool appliedAfterReconnect(Rig &r)
{
    return QTest::qWaitFor(
        [&] {
            return r.sawMessage(QStringLiteral("порт освобождён")) && r.led(kGreen) && r.quiet() &&
                   VTA::config(*r.v)[kEditedWord] == kEditedIndex;
        },
        kWaitMs);
}

} // namespace

class TestWake : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void neverWakesDuringRead();
    void neverWakesDuringWrite();
    void neverWakesDuringLive();

    void wakesAtSixthProbeDuringRead();
    void wakesAtSixthProbeDuringWrite();
    void wakesAtSixthProbeDuringLive();

    void fallsAsleepDuringRead();
    void fallsAsleepDuringWrite();
    void fallsAsleepDuringLive();
};

void TestWake::initTestCase()
{
    if (SimHarness::simPath().isEmpty())
        QSKIP("morlenta-sim is not built");
}

// Six counted probe steps, then the attempt ends silently: the LED stays yellow, the command
// stays pending, the pages stay disabled and nothing else is sent. A probe read lasts longer
// than the one-second step here (time-out and retries), so steps that find two probe reads still
// waiting send none: at most six reads, each with the client's retries, reach the line.
void TestWake::neverWakesDuringRead()
{
    Rig r({QStringLiteral("--never-wake")});
    QVERIFY(r.start());
    QVERIFY(r.open());
    r.ui->conn_dev->click();
    QTRY_VERIFY_WITH_TIMEOUT(r.requests(kRead, kProbe).size() >= 3, kWaitMs);
    QVERIFY(r.quiet());
    const int probes = r.requests(kRead, kProbe).size();
    QVERIFY2(probes % (1 + kTestRetries) == 0 && probes <= 6 * (1 + kTestRetries),
             qPrintable(QString::number(probes)));
    QCOMPARE(r.logSize(), probes);
    QVERIFY(r.sawMessage(kReadTimeout));
    QVERIFY(r.led(kYellow));
    QVERIFY(!r.awake());
    QCOMPARE(VTA::pending(*r.v), quint16(Valve::ConnectDevice));
    QVERIFY(r.ui->conn_dev->isEnabled());
    QVERIFY(!r.tabEnabled(r.ui->Sett_Tab));
    QVERIFY2(linkStateProblem(r).isEmpty(), qPrintable(linkStateProblem(r)));
    QVERIFY(settlesToIdle());

    QVERIFY(r.replaceController({}));
    QVERIFY(r.connectDevice());
    QTRY_VERIFY_WITH_TIMEOUT(r.blockRead(), kWaitMs);
    QVERIFY(r.sawMessage(QStringLiteral("подключён")));
    QVERIFY(r.writes().isEmpty());
}

// The controller, read while awake, has fallen asleep for good: the apply probes six times and
// writes nothing; the command stays pending. Once the controller answers, applying again writes
// the block read before with the edit.
void TestWake::neverWakesDuringWrite()
{
    Rig r({QStringLiteral("--never-wake"), QStringLiteral("--awake"), QStringLiteral("--online"),
           QStringLiteral("0")});
    QVERIFY(r.start());
    QVERIFY(r.openAndRead());
    const auto read = VTA::config(*r.v);
    QVERIFY(bothAsleep(r));

    const int probesBefore = r.requests(kRead, kProbe).size();
    r.ui->AN_Filt->setCurrentIndex(kEditedIndex);
    r.ui->write_sett->click();
    QTRY_VERIFY_WITH_TIMEOUT(r.requests(kRead, kProbe).size() >= probesBefore + 3, kWaitMs);
    QVERIFY(r.quiet());
    const int probes =
        r.requests(kRead, kProbe).size() - probesBefore; // as in neverWakesDuringRead
    QVERIFY2(probes % (1 + kTestRetries) == 0 && probes <= 6 * (1 + kTestRetries),
             qPrintable(QString::number(probes)));
    QVERIFY(r.writes().isEmpty());
    QCOMPARE(VTA::pending(*r.v), quint16(Valve::ApplyConfig));
    QVERIFY(r.led(kYellow));
    QVERIFY(!r.sawMessage(QStringLiteral("Применение новой конфигурации...")));
    QVERIFY2(linkStateProblem(r).isEmpty(), qPrintable(linkStateProblem(r)));
    QVERIFY(settlesToIdle());

    QVERIFY(r.replaceController({}));
    r.ui->write_sett->click();
    QTRY_VERIFY_WITH_TIMEOUT(r.requests(kWriteMany, 0).size() == 1, kWaitMs);
    const QString problem = writtenBlockProblem(values(r.requests(kWriteMany, 0).first()), read);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    QVERIFY(appliedAfterReconnect(r));
}

// The inputs page shown while the controller sleeps for good: every tick probes, nothing is
// shown, nothing is written, the tool does not spin; the values come once it answers.
void TestWake::neverWakesDuringLive()
{
    Rig r({QStringLiteral("--never-wake"), QStringLiteral("--awake"), QStringLiteral("--online"),
           QStringLiteral("0")});
    QVERIFY(r.start());
    QVERIFY(r.openAndRead());
    QVERIFY(bothAsleep(r));
    const int probesBefore = r.requests(kRead, kProbe).size();
    r.showPage(kInputsPage);
    QTRY_VERIFY_WITH_TIMEOUT(r.requests(kRead, kProbe).size() >= probesBefore + 8, kWaitMs);
    QTRY_VERIFY_WITH_TIMEOUT(r.sawMessage(kReadTimeout), kWaitMs);
    // Every tick probes twice; requests that wait for a controller that never answers must not
    // pile up in the client without bound.
    int mostOutstanding = 0;
    QSignalSpy ticks(VTA::pollTimer(*r.v), &QTimer::timeout);
    QVERIFY(QTest::qWaitFor(
        [&] {
            mostOutstanding = std::max(mostOutstanding, r.outstanding());
            return ticks.size() >= 15;
        },
        kWaitMs));
    QVERIFY2(mostOutstanding <= 25, qPrintable(QString::number(mostOutstanding)));
    QVERIFY(r.ui->time->text().isEmpty());
    QVERIFY(r.writes().isEmpty());
    QVERIFY(!r.awake());
    QVERIFY2(linkStateProblem(r).isEmpty(), qPrintable(linkStateProblem(r)));
    QVERIFY(settlesToIdle());

    QVERIFY(r.replaceController({}));
    QTRY_VERIFY_WITH_TIMEOUT(r.awake() && !r.ui->time->text().isEmpty(), kWaitMs);
    QVERIFY(r.writes().isEmpty());
}

// The sixth probe is answered, after the attempt has given up: the answer still runs the
// command (here the connect), exactly once.
void TestWake::wakesAtSixthProbeDuringRead()
{
    Rig r({QStringLiteral("--wake-at"), QStringLiteral("6")});
    link::tuning().retries = 0; // one frame per probe: the sixth frame is the sixth probe
    QVERIFY(r.start());
    QVERIFY(r.open());
    QVERIFY(r.connectDevice());
    QTRY_VERIFY_WITH_TIMEOUT(r.blockRead(), kWaitMs);
    QVERIFY(r.quiet());
    QCOMPARE(r.requests(kRead, kProbe).size(), 6);
    QCOMPARE(r.requests(kRead, 0).size(), 1);
    QCOMPARE(r.requests(kRead, 153).size(), 1);
    QVERIFY(r.sawMessage(QStringLiteral("подключён")));
    QCOMPARE(VTA::pending(*r.v), quint16(Valve::NoCommand));
    QVERIFY(r.writes().isEmpty());
    QVERIFY2(linkStateProblem(r).isEmpty(), qPrintable(linkStateProblem(r)));
    QVERIFY(settlesToIdle());

    r.ui->read_sett->click();
    QTRY_COMPARE_WITH_TIMEOUT(r.requests(kRead, 0).size(), 2, kWaitMs);
    QTRY_COMPARE_WITH_TIMEOUT(r.message(), QStringLiteral("Чтенеие конфигурации..."), kWaitMs);
}

// Applying while the controller sleeps and wakes only at the sixth probe: the block goes out
// once, after the sixth probe, and the reconnect finds the controller holding the edit.
void TestWake::wakesAtSixthProbeDuringWrite()
{
    Rig r({QStringLiteral("--wake-at"), QStringLiteral("6"), QStringLiteral("--online"),
           QStringLiteral("0")});
    link::tuning().retries = 0;
    QVERIFY(r.start());
    QVERIFY(r.open());
    QVERIFY(r.connectDevice());
    QTRY_VERIFY_WITH_TIMEOUT(r.blockRead(), kWaitMs);
    const auto read = VTA::config(*r.v);
    QVERIFY(bothAsleep(r));

    const int probesBefore = r.requests(kRead, kProbe).size();
    r.ui->AN_Filt->setCurrentIndex(kEditedIndex);
    r.ui->write_sett->click();
    QTRY_COMPARE_WITH_TIMEOUT(r.requests(kWriteMany, 0).size(), 1, kWaitMs);
    QCOMPARE(r.requests(kRead, kProbe).size(), probesBefore + 6);
    const QString problem = writtenBlockProblem(values(r.requests(kWriteMany, 0).first()), read);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    QVERIFY(appliedAfterReconnect(r));
    QCOMPARE(r.requests(kWriteMany, 0).size(), 1);
    QCOMPARE(r.requests(kWriteOne, 256).size(), 1);
    QVERIFY2(linkStateProblem(r).isEmpty(), qPrintable(linkStateProblem(r)));
    QVERIFY(settlesToIdle());
}

// The inputs page shown while the controller sleeps: the probes of the ticks wake it and the
// values follow.
void TestWake::wakesAtSixthProbeDuringLive()
{
    Rig r({QStringLiteral("--wake-at"), QStringLiteral("6"), QStringLiteral("--online"),
           QStringLiteral("0")});
    link::tuning().retries = 0;
    QVERIFY(r.start());
    QVERIFY(r.open());
    QVERIFY(r.connectDevice());
    QTRY_VERIFY_WITH_TIMEOUT(r.blockRead(), kWaitMs);
    QVERIFY(bothAsleep(r));

    r.showPage(kInputsPage);
    QTRY_VERIFY_WITH_TIMEOUT(r.awake() && !r.ui->time->text().isEmpty(), kWaitMs);
    QTRY_VERIFY_WITH_TIMEOUT(r.ui->core_temp->text().endsWith(QStringLiteral(" (°C)")), kWaitMs);
    QVERIFY(r.writes().isEmpty());
    QVERIFY2(linkStateProblem(r).isEmpty(), qPrintable(linkStateProblem(r)));
    QVERIFY(settlesToIdle());
}

// The controller answers the probe and falls asleep: the block read times out and the form is
// not filled. The tool must not count the controller as awake for ever after a probe answer
// that nothing else followed: once the online time has run out, the next read probes and
// wakes the controller again.
void TestWake::fallsAsleepDuringRead()
{
    Rig r({QStringLiteral("--sleep-after"), QStringLiteral("1")});
    QVERIFY(r.start());
    QVERIFY(r.open());
    r.ui->conn_dev->click();
    QTRY_VERIFY_WITH_TIMEOUT(r.sawMessage(kReadTimeout), kWaitMs);
    QVERIFY(r.quiet());
    QVERIFY(!r.blockRead());
    QCOMPARE(r.requests(kRead, 0).size(), 1 + kTestRetries);
    QVERIFY(r.writes().isEmpty());
    QVERIFY2(linkStateProblem(r).isEmpty(), qPrintable(linkStateProblem(r)));
    QVERIFY(settlesToIdle());

    QVERIFY(toolAsleep(r));
    QVERIFY(r.replaceController({}));
    r.ui->read_sett->click();
    QTRY_VERIFY_WITH_TIMEOUT(r.blockRead(), kWaitMs);
    QVERIFY(r.writes().isEmpty());
}

// The controller takes the block and falls asleep before the apply register: the write error is
// shown, the reconnect wakes it and reads the old block back.
void TestWake::fallsAsleepDuringWrite()
{
    Rig r({QStringLiteral("--sleep-after"), QStringLiteral("4")});
    QVERIFY(r.start());
    QVERIFY(r.openAndRead());
    const auto read = VTA::config(*r.v);
    r.ui->AN_Filt->setCurrentIndex(kEditedIndex);
    r.ui->write_sett->click();
    QTRY_VERIFY_WITH_TIMEOUT(r.sawMessage(kWriteTimeout), kWaitMs);
    const QString problem = writtenBlockProblem(values(r.requests(kWriteMany, 0).first()), read);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    QCOMPARE(r.requests(kWriteMany, 0).size(), 1);
    QCOMPARE(r.requests(kWriteOne, 256).size(), 1 + kTestRetries);

    const int readsBefore = r.requests(kRead, 0).size();
    QTRY_VERIFY_WITH_TIMEOUT(r.requests(kRead, 0).size() > readsBefore && r.quiet() &&
                                 r.blockRead() && r.led(kGreen),
                             kWaitMs);
    QCOMPARE(VTA::config(*r.v)[kEditedWord], read[kEditedWord]);
    QVERIFY2(linkStateProblem(r).isEmpty(), qPrintable(linkStateProblem(r)));
    QVERIFY(settlesToIdle());

    QVERIFY(r.replaceController());
    r.messages.clear();
    r.ui->AN_Filt->setCurrentIndex(kEditedIndex);
    r.ui->write_sett->click();
    QVERIFY(appliedAfterReconnect(r));
    QVERIFY2(r.errorMessages().isEmpty(), qPrintable(r.errorMessages().join('\n')));
}

// The controller falls asleep in the middle of a poll cycle: the reads time out, the tool does
// not spin, and the values move again once the controller answers.
void TestWake::fallsAsleepDuringLive()
{
    Rig r({QStringLiteral("--sleep-after"), QStringLiteral("8")});
    QVERIFY(r.start());
    QVERIFY(r.openAndRead());
    r.showPage(kInputsPage);
    QTRY_VERIFY_WITH_TIMEOUT(r.sawMessage(kReadTimeout), kWaitMs);
    QVERIFY(r.writes().isEmpty());
    QVERIFY2(linkStateProblem(r).isEmpty(), qPrintable(linkStateProblem(r)));
    QVERIFY(settlesToIdle());

    const QString clockBefore = r.ui->time->text();
    QVERIFY(r.replaceController());
    QTRY_VERIFY_WITH_TIMEOUT(r.ui->time->text() != clockBefore, kWaitMs);
    QTRY_VERIFY_WITH_TIMEOUT(r.ui->core_temp->text().endsWith(QStringLiteral(" (°C)")), kWaitMs);
    QVERIFY(r.writes().isEmpty());
}

QTEST_MAIN(TestWake)
#include "tst_wake.moc"
