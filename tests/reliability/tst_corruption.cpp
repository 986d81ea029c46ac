// Fault matrix: replies that arrive damaged: a corrupted CRC, another server's address, a
// truncated frame (each on every second reply), and replies with one register fewer than asked;
// during a configuration read, a configuration write and live polling.
#include "faultrig.h"

using namespace rig;

namespace {

// Faults the client's retries get through: a damaged reply is dropped and the request sent
// again, which the controller answers in full.
void recoverableFaults()
{
    QTest::addColumn<QStringList>("fault");
    QTest::newRow("bad CRC") << QStringList{QStringLiteral("--bad-crc-every"), QStringLiteral("2")};
    QTest::newRow("other address")
        << QStringList{QStringLiteral("--wrong-address-every"), QStringLiteral("2")};
    QTest::newRow("truncated") << QStringList{QStringLiteral("--truncate-every"),
                                              QStringLiteral("2")};
}

const QStringList kShortReply{QStringLiteral("--short-reply")};

// Every block write sent carries the block read with the one edit (a retried write repeats it).
QString blockWritesProblem(const Rig &r, const std::array<quint16, Valve::kConfigWords> &read)
{
    const QList<QJsonObject> blocks = r.requests(kWriteMany, 0);
    if (blocks.isEmpty())
        return QStringLiteral("no block written");
    for (const QJsonObject &block : blocks) {
        const QString problem = writtenBlockProblem(values(block), read);
        if (!problem.isEmpty())
            return problem;
    }
    return QString();
}

} // namespace

class TestCorruption : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void duringRead_data() { recoverableFaults(); }
    void duringRead();
    void duringWrite_data() { recoverableFaults(); }
    void duringWrite();
    void duringLive_data() { recoverableFaults(); }
    void duringLive();

    void shortRepliesDuringRead();
    void shortRepliesBeforeWrite();
    void shortRepliesDuringLive();
};

void TestCorruption::initTestCase()
{
    if (SimHarness::simPath().isEmpty())
        QSKIP("morlenta-sim is not built");
}

// Connecting reads the whole block in spite of the damaged replies, and no error is shown.
void TestCorruption::duringRead()
{
    QFETCH(QStringList, fault);
    Rig r(fault);
    QVERIFY(r.start());
    QVERIFY(r.openAndRead());
    QVERIFY(r.quiet());
    QVERIFY(r.sawMessage(QStringLiteral("подключён")));
    QVERIFY(r.requests(kRead, 0).size() + r.requests(kRead, 153).size() > 2); // some retried
    QVERIFY2(r.errorMessages().isEmpty(), qPrintable(r.errorMessages().join('\n')));
    QVERIFY(r.writes().isEmpty());
    QVERIFY2(linkStateProblem(r).isEmpty(), qPrintable(linkStateProblem(r)));
    QVERIFY(settlesToIdle());

    VTA::config(*r.v).fill(0);
    r.ui->read_sett->click();
    QTRY_VERIFY_WITH_TIMEOUT(r.blockRead() && r.quiet(), kWaitMs);
    QVERIFY2(r.errorMessages().isEmpty(), qPrintable(r.errorMessages().join('\n')));
}

// The block and the apply register get through; the controller holds the edit after the
// reconnect.
void TestCorruption::duringWrite()
{
    QFETCH(QStringList, fault);
    Rig r({});
    QVERIFY(r.start());
    QVERIFY(r.openAndRead());
    const auto read = VTA::config(*r.v);
    QVERIFY(r.replaceController(QStringList{QStringLiteral("--awake")} + fault));

    r.messages.clear();
    r.ui->AN_Filt->setCurrentIndex(kEditedIndex);
    r.ui->write_sett->click();
    QTRY_VERIFY_WITH_TIMEOUT(r.sawMessage(QStringLiteral("порт освобождён")) && r.led(kGreen) &&
                                 r.quiet() && VTA::config(*r.v)[kEditedWord] == kEditedIndex,
                             kWaitMs);
    const QString problem = blockWritesProblem(r, read);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    QVERIFY2(r.errorMessages().isEmpty(), qPrintable(r.errorMessages().join('\n')));
    QVERIFY2(linkStateProblem(r).isEmpty(), qPrintable(linkStateProblem(r)));
    QVERIFY(settlesToIdle());
}

// The live values arrive in spite of the damaged replies; nothing is written.
void TestCorruption::duringLive()
{
    QFETCH(QStringList, fault);
    Rig r({});
    QVERIFY(r.start());
    QVERIFY(r.openAndRead());
    QVERIFY(r.replaceController(QStringList{QStringLiteral("--awake")} + fault));

    r.messages.clear();
    r.showPage(kInputsPage);
    QTRY_VERIFY_WITH_TIMEOUT(!r.ui->time->text().isEmpty() &&
                                 r.ui->core_temp->text().endsWith(QStringLiteral(" (°C)")) &&
                                 r.ui->CT1_Imp_LCD->value() > 0,
                             kWaitMs);
    QVERIFY2(r.errorMessages().isEmpty(), qPrintable(r.errorMessages().join('\n')));
    QVERIFY(r.writes().isEmpty());
    QVERIFY2(linkStateProblem(r).isEmpty(), qPrintable(linkStateProblem(r)));
    QVERIFY(settlesToIdle());
}

// A block with one word missing never reaches the form or the configuration copy.
void TestCorruption::shortRepliesDuringRead()
{
    Rig r(kShortReply);
    QVERIFY(r.start());
    QVERIFY(r.open());
    QVERIFY(r.connectDevice());
    QTRY_VERIFY_WITH_TIMEOUT(r.requests(kRead, 153).size() == 1, kWaitMs);
    QVERIFY(r.quiet());
    QVERIFY(!r.blockRead());
    QCOMPARE(VTA::config(*r.v)[kEditedWord], quint16(0));
    QVERIFY(r.ui->ID->text().isEmpty());
    QVERIFY(r.writes().isEmpty());
    QVERIFY2(linkStateProblem(r).isEmpty(), qPrintable(linkStateProblem(r)));
    QVERIFY(settlesToIdle());

    QVERIFY(r.replaceController());
    r.ui->read_sett->click();
    QTRY_VERIFY_WITH_TIMEOUT(r.blockRead(), kWaitMs);
}

// Connecting read only a short block, so the configuration copy holds no block of the
// controller's: applying the form must not write it, or the controller would get a made-up
// identifier, word 84 and the fields of switched-off inputs. Once a complete block has been
// read, the same apply writes that block with the edit.
void TestCorruption::shortRepliesBeforeWrite()
{
    Rig r(kShortReply);
    QVERIFY(r.start());
    QVERIFY(r.open());
    QVERIFY(r.connectDevice());
    QTRY_VERIFY_WITH_TIMEOUT(r.requests(kRead, 153).size() == 1 && r.quiet(), kWaitMs);
    QVERIFY(!r.blockRead());

    r.ui->AN_Filt->setCurrentIndex(kEditedIndex);
    r.ui->write_sett->click();
    // Requests go out in order: once the read sent after the apply has arrived, a block
    // write sent by the apply would have arrived before it.
    r.ui->read_sett->click();
    QTRY_COMPARE_WITH_TIMEOUT(r.requests(kRead, 153).size(), 2, kWaitMs);
    QVERIFY2(r.writes().isEmpty(), "a block that was never read was written");

    QVERIFY(r.replaceController());
    r.ui->read_sett->click();
    QTRY_VERIFY_WITH_TIMEOUT(r.blockRead() && r.quiet(), kWaitMs);
    const auto read = VTA::config(*r.v);
    r.ui->AN_Filt->setCurrentIndex(kEditedIndex);
    r.ui->write_sett->click();
    QTRY_COMPARE_WITH_TIMEOUT(r.requests(kWriteMany, 0).size(), 1, kWaitMs);
    const QString problem = blockWritesProblem(r, read);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
}

// Two-register values come one register short and are not shown; one-register values are.
void TestCorruption::shortRepliesDuringLive()
{
    Rig r({});
    QVERIFY(r.start());
    QVERIFY(r.openAndRead());
    QVERIFY(r.replaceController(QStringList{QStringLiteral("--awake")} + kShortReply));

    r.showPage(kInputsPage);
    QTRY_VERIFY_WITH_TIMEOUT(!r.ui->sol_state->text().isEmpty(), kWaitMs);
    QVERIFY(r.ui->time->text().isEmpty());
    QVERIFY(r.ui->core_temp->text().isEmpty());
    QCOMPARE(r.ui->CT1_Imp_LCD->value(), 0.0);
    QVERIFY(r.writes().isEmpty());
    QVERIFY2(linkStateProblem(r).isEmpty(), qPrintable(linkStateProblem(r)));
    QVERIFY(settlesToIdle());

    QVERIFY(r.replaceController());
    QTRY_VERIFY_WITH_TIMEOUT(!r.ui->time->text().isEmpty() && r.ui->CT1_Imp_LCD->value() > 0,
                             kWaitMs);
}

QTEST_MAIN(TestCorruption)
#include "tst_corruption.moc"
