// The configuration end to end against morlenta-sim: read, one edit on the form, applied, and
// read back after the tool has reopened the line. Every written word is checked against the block
// the simulator served (its log), never against the tool's own copy.
#include <QtTest>

#include "support/toolrig.h"

class TestConfigE2E : public QObject
{
    Q_OBJECT

private slots:
    void roundTrip();
    void refusedApplySendsNothing_data();
    void refusedApplySendsNothing();
};

// Faults: a read-then-write round trip changes a word the user did not edit (a field decoded into
// the wrong widget, a word of an unused input or row dropped, word 84 not passed through), or the
// write is not the block, the apply word, release 3 s and reopen 4 s after it, probe and read
// back; or the release takes the user off the settings page (a disabled tab makes Qt select another
// page), so that the block read back is not in view. (Every pair of input types: config/tst_config;
// counting and current inputs with the analog filter edited: the fault matrix's write phase.)
void TestConfigE2E::roundTrip()
{
    SimHarness h;
    ToolRig r; // voltage and counting inputs
    QVERIFY(h.start({"--input1", "3", "--input2", "2"}) && r.start(h.toolPort()) &&
            r.openAndRead());
    const QVector<quint16> served = h.requests(kRead, kBlock).last().served;
    const int before = h.requests().size();

    r.showPage(r.ui->Sett_Tab);
    QSignalSpy pageChanges(r.ui->Main_Tab_Widget, &QTabWidget::currentChanged);
    QVector<qint64> toggled; // when the port was released and when it was open again
    QObject scope;           // goes before `toggled`
    QObject::connect(ValveTestAccess::client(*r.valve), &QModbusDevice::stateChanged, &scope,
                     [&](QModbusDevice::State state) {
                         if (state == QModbusDevice::UnconnectedState ||
                             state == QModbusDevice::ConnectedState)
                             toggled.append(SimHarness::nowMs());
                     });
    r.ui->CT_Imp_Weight_2->setValue(0.25);
    r.ui->write_sett->click();
    QVERIFY(QTest::qWaitFor([&] { return !r.connected(); }, SimHarness::kWaitMs)); // at 3 s
    QVERIFY(!r.ui->Sett_Tab->isEnabled());
    QVERIFY(h.waitFor([&](const QVector<SimRequest> &log) {
        return log.size() > before && log.last().is(kRead, kWord153) && log.last().answered;
    }));
    QVERIFY(r.settle());
    // Disabled from the release until the controller answers again, current all along.
    QVERIFY(r.ui->Sett_Tab->isEnabled());
    QCOMPARE(pageChanges.count(), 0);

    // Apart from probes: the block, the apply word, the block read back and register 153, with
    // a probe after the reopening before the block is read again.
    const QVector<SimRequest> log = h.requests().mid(before);
    QVector<SimRequest> sent;
    int probesBeforeReread = 0;
    for (const SimRequest &q : log) {
        if (q.is(kRead, kProbe))
            probesBeforeReread += sent.size() == 2 ? 1 : 0;
        else
            sent.append(q);
    }
    QCOMPARE(sent.size(), 4);
    QVERIFY(sent[0].is(kWriteMany, kBlock) && sent[1].is(kWriteOne, kApply));
    QCOMPARE(toggled.size(), 2);
    const qint64 released = toggled[0] - sent[0].ms, reopened = toggled[1] - sent[0].ms;
    QVERIFY2(released > 2500 && released < 4000 && reopened > 3500 && reopened < 5000,
             qPrintable(QString::asprintf("%lld, %lld ms", released, reopened)));
    QVERIFY(sent[2].is(kRead, kBlock) && sent[3].is(kRead, kWord153));
    QVERIFY(probesBeforeReread > 0);
    // 0.25 is 0x3E800000, high word first; row 0 of input 2 holds words 25 and 26.
    const QString problem =
        ToolRig::writtenBlockProblem(sent[0].values, served, {{25, 0x3E80}, {26, 0}});
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    QCOMPARE(sent[1].values, QVector<quint16>{sent[0].values[0]}); // register 0's value
    QCOMPARE(sent[2].served, sent[0].values);                      // the controller took the block
    QCOMPARE(r.config(), sent[2].served);
}

// Faults: a form with an input error is written; or the form is written to a controller whose
// block was never read since the port was opened (it would get the identifier, word 84 and the
// unused fields of the block read before, from another controller).
void TestConfigE2E::refusedApplySendsNothing_data()
{
    QTest::addColumn<QStringList>("reopenWith"); // empty: the port is not reopened
    QTest::addColumn<QString>("refusal");
    QTest::newRow("input error") << QStringList() << QStringLiteral("ошибка ввода данных");
    QTest::newRow("another controller, block read refused")
        << QStringList{"--awake", "--exception", "84:2"}
        << QStringLiteral("настройки устройства не прочитаны");
}

void TestConfigE2E::refusedApplySendsNothing()
{
    QFETCH(QStringList, reopenWith);
    QFETCH(QString, refusal);
    SimHarness h;
    ToolRig r;
    QVERIFY(h.start() && r.start(h.toolPort()) && r.openAndRead());
    if (reopenWith.isEmpty()) {
        r.ui->CT_Imp_Weight_1->setValue(0.0);
    } else {
        r.ui->connect->click();
        QVERIFY(h.restartSim(reopenWith));
        QVERIFY(r.open() && r.connectDevice());
        QVERIFY(r.settle());
        QVERIFY(!r.blockDecoded());
    }
    const int before = h.requests().size();
    r.ui->write_sett->click();
    QVERIFY(r.messages.contains(QStringLiteral("Конфигурация не применена...   ") + refusal));

    // Requests go out in order: once a later read has arrived, a write would have shown.
    r.ui->read_sett->click();
    QVERIFY(h.waitFor([&](const QVector<SimRequest> &log) {
        return log.size() > before && log.last().is(kRead, kWord153);
    }));
    QVERIFY(h.requests(kWriteOne).isEmpty() && h.requests(kWriteMany).isEmpty());
}

QTEST_MAIN(TestConfigE2E)
#include "tst_config_e2e.moc"
