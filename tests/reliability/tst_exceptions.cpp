// Fault matrix: the controller answers with Modbus exception responses 1 to 4, during a
// configuration read, a configuration write and live polling.
#include "faultrig.h"

using namespace rig;

namespace {

QString readException(int code)
{
    return QStringLiteral("Read response error: Modbus Exception Response. (Mobus exception: 0x%1)")
        .arg(code);
}

QString writeException(int code)
{
    return QStringLiteral("ошибка записи : Modbus Exception Response. (Модбас исключение : 0x%1)")
        .arg(code);
}

} // namespace

class TestExceptions : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void duringRead_data();
    void duringRead();
    void duringWrite_data();
    void duringWrite();
    void duringLive_data();
    void duringLive();

private:
    void codes();
};

void TestExceptions::initTestCase()
{
    if (SimHarness::simPath().isEmpty())
        QSKIP("morlenta-sim is not built");
}

void TestExceptions::codes()
{
    QTest::addColumn<int>("code");
    for (int code = 1; code <= 4; ++code)
        QTest::addRow("exception %d", code) << code;
}

void TestExceptions::duringRead_data()
{
    codes();
}

// Every read of the block (it holds register 84) is refused: the form is never filled, nothing
// is written, and the next read after the controller recovers fills it.
void TestExceptions::duringRead()
{
    QFETCH(int, code);
    Rig r({QStringLiteral("--exception"), QStringLiteral("84:%1").arg(code)});
    QVERIFY(r.start());
    QVERIFY(r.open());
    r.ui->conn_dev->click();
    QTRY_VERIFY_WITH_TIMEOUT(r.sawMessage(readException(code)), kWaitMs);
    QVERIFY(r.quiet());
    QVERIFY(!r.blockRead());
    QCOMPARE(VTA::config(*r.v)[84], quint16(0));

    r.ui->read_sett->click();
    QTRY_COMPARE_WITH_TIMEOUT(r.message(), readException(code), kWaitMs);
    QVERIFY(r.quiet());
    QVERIFY(!r.blockRead());
    QVERIFY(r.writes().isEmpty());
    QVERIFY2(linkStateProblem(r).isEmpty(), qPrintable(linkStateProblem(r)));
    QVERIFY(r.led(kGreen)); // the controller is awake; only the block is refused
    QVERIFY(settlesToIdle());

    QVERIFY(r.replaceController());
    r.ui->read_sett->click();
    QTRY_VERIFY_WITH_TIMEOUT(r.blockRead(), kWaitMs);
    QVERIFY(r.writes().isEmpty());
}

void TestExceptions::duringWrite_data()
{
    codes();
}

// The controller refuses the apply register: the block was written but is not applied, the
// write error is shown, and the reconnect reads the old block back. Once the controller takes
// writes again the same edit is applied.
void TestExceptions::duringWrite()
{
    QFETCH(int, code);
    Rig r({QStringLiteral("--exception"), QStringLiteral("256:%1").arg(code)});
    QVERIFY(r.start());
    QVERIFY(r.openAndRead());
    const auto read = VTA::config(*r.v);

    r.ui->AN_Filt->setCurrentIndex(kEditedIndex);
    r.ui->write_sett->click();
    QTRY_VERIFY_WITH_TIMEOUT(r.sawMessage(writeException(code)), kWaitMs);
    QVERIFY(r.sawMessage(QStringLiteral("Применение новой конфигурации...")));
    const QList<QJsonObject> blocks = r.requests(kWriteMany, 0);
    QCOMPARE(blocks.size(), 1);
    const QString problem = writtenBlockProblem(values(blocks.first()), read);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    QCOMPARE(r.requests(kWriteOne, 256).size(), 1);

    // Released after 3 s, opened after 4 s and connected again: the old block comes back.
    const int readsBefore = r.requests(kRead, 0).size();
    QTRY_VERIFY_WITH_TIMEOUT(r.requests(kRead, 0).size() > readsBefore && r.led(kGreen) &&
                                 r.quiet() && r.blockRead(),
                             kWaitMs);
    QVERIFY(r.sawMessage(QStringLiteral("порт освобождён")));
    QCOMPARE(VTA::config(*r.v)[kEditedWord], read[kEditedWord]);
    QCOMPARE(r.writes().size(), 2);
    QVERIFY2(linkStateProblem(r).isEmpty(), qPrintable(linkStateProblem(r)));
    QVERIFY(settlesToIdle());

    QVERIFY(r.replaceController());
    r.messages.clear();
    r.ui->AN_Filt->setCurrentIndex(kEditedIndex);
    r.ui->write_sett->click();
    QTRY_VERIFY_WITH_TIMEOUT(r.requests(kWriteOne, 256).size() == 2, kWaitMs);
    const int readsAfter = r.requests(kRead, 0).size();
    QTRY_VERIFY_WITH_TIMEOUT(r.requests(kRead, 0).size() > readsAfter && r.led(kGreen) &&
                                 VTA::config(*r.v)[kEditedWord] == kEditedIndex,
                             kWaitMs);
    QVERIFY2(r.errorMessages().isEmpty(), qPrintable(r.errorMessages().join('\n')));
}

void TestExceptions::duringLive_data()
{
    codes();
}

// Every temperature read is refused: the message shows, the temperature keeps its empty text,
// the other values go on updating, and the temperature appears once the controller answers.
void TestExceptions::duringLive()
{
    QFETCH(int, code);
    Rig r({QStringLiteral("--exception"), QStringLiteral("36859:%1").arg(code)});
    QVERIFY(r.start());
    QVERIFY(r.openAndRead());
    r.showPage(kInputsPage);
    QTRY_COMPARE_WITH_TIMEOUT(r.message(), readException(code), kWaitMs);
    QTRY_VERIFY_WITH_TIMEOUT(!r.ui->time->text().isEmpty(), kWaitMs);
    QVERIFY(r.ui->core_temp->text().isEmpty());
    QVERIFY(r.writes().isEmpty());
    QVERIFY2(linkStateProblem(r).isEmpty(), qPrintable(linkStateProblem(r)));
    QVERIFY(settlesToIdle());

    QVERIFY(r.replaceController());
    QTRY_VERIFY_WITH_TIMEOUT(r.ui->core_temp->text().endsWith(QStringLiteral(" (°C)")), kWaitMs);
    QVERIFY(r.writes().isEmpty());
}

QTEST_MAIN(TestExceptions)
#include "tst_exceptions.moc"
