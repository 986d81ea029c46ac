// The configuration end to end: read from morlenta-sim over a pty pair, shown on the pages,
// edited, applied, and read back after the tool has reopened the line.
#include <QtTest>

#include <QJsonArray>
#include <QStatusBar>

#include <algorithm>
#include <memory>

#include "config/registermap.h"
#include "config/validation.h"
#include "link/portlist.h"
#include "support/simharness.h"
#include "support/valvetestaccess.h"

using namespace config;
using A = ValveTestAccess;

namespace {

constexpr int kWaitMs = 30000;
constexpr int kRead = 3, kWriteOne = 6, kWriteMany = 16;
constexpr quint16 kSimReserved = 0x5A5A; // word 84 of the simulator's own block
constexpr quint16 kSimWord153 = 0x0210;  // what the simulator answers for register 153

QList<int> valuesOf(const QJsonObject &request)
{
    QList<int> out;
    for (const QJsonValue &value : request["values"].toArray())
        out.append(value.toInt());
    return out;
}

QList<int> wordsOf(const Block &block)
{
    return QList<int>(block.cbegin(), block.cend());
}

bool isRequest(const QJsonObject &r, int fn, int start)
{
    return r["fn"].toInt() == fn && r["start"].toInt() == start;
}

int countOf(const QList<QJsonObject> &requests, int fn, int start)
{
    return int(std::count_if(requests.cbegin(), requests.cend(),
                             [&](const QJsonObject &r) { return isRequest(r, fn, start); }));
}

// Index of the first request of `fn` at `start` in `log`, or -1.
int indexOf(const QList<QJsonObject> &log, int fn, int start)
{
    for (int i = 0; i < log.size(); ++i)
        if (isRequest(log[i], fn, start))
            return i;
    return -1;
}

// Whether the requests [from, to) of `log` are all wake-up probes.
bool onlyProbes(const QList<QJsonObject> &log, int from, int to)
{
    for (int i = from; i < to; ++i)
        if (!isRequest(log[i], kRead, 36858))
            return false;
    return true;
}

Block configOf(Valve &v)
{
    Block b;
    std::copy_n(A::config(v).cbegin(), kBlockWords, b.begin());
    return b;
}

bool released(const QSignalSpy &states)
{
    return std::any_of(states.cbegin(), states.cend(), [](const QList<QVariant> &args) {
        return args.at(0).value<QModbusDevice::State>() == QModbusDevice::UnconnectedState;
    });
}

std::unique_ptr<Valve> makeValve(const SimHarness &h)
{
    qputenv(link::kExtraPortsVariable, h.toolPort().toUtf8());
    auto v = std::make_unique<Valve>();
    QComboBox *ports = A::ui(*v)->ports;
    ports->setCurrentIndex(ports->findText(h.toolPort()));
    // The port refresh takes note of the choice on its next tick; a port opened before that
    // would count as left behind by a change of the port list and be released again.
    QSignalSpy tick(A::portTimer(*v), &QTimer::timeout);
    tick.wait(kWaitMs);
    return v;
}

// Opens the line, wakes the controller and waits for its block to be shown.
bool connectAndRead(Valve &v)
{
    A::ui(v)->connect->click();
    if (A::client(v)->state() != QModbusDevice::ConnectedState)
        return false;
    A::ui(v)->conn_dev->click();
    // Both reads of command 1 answered: the block and register 153 after it.
    return QTest::qWaitFor(
        [&] {
            return A::awake(v) && A::config(v)[reg::Reserved] == kSimReserved &&
                   A::register153(v) == kSimWord153;
        },
        kWaitMs);
}

} // namespace

class TestConfigE2E : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void readEditApplyReadBack();
    void refusedWriteSendsNothing();
};

void TestConfigE2E::initTestCase()
{
    qRegisterMetaType<QModbusDevice::State>();
}

void TestConfigE2E::cleanup()
{
    qunsetenv(link::kExtraPortsVariable);
}

void TestConfigE2E::readEditApplyReadBack()
{
    SimHarness h;
    QVERIFY(h.start());
    auto v = makeValve(h);
    Ui::Valve *ui = A::ui(*v);
    QVERIFY(connectAndRead(*v));

    // The simulator's configuration on the pages: input 1 counts flow in m3, input 2 measures
    // pressure in kPa over a current loop.
    QCOMPARE(ui->ID->text(), QStringLiteral("abc-12-3456ef-78-9a-b"));
    QCOMPARE(ui->in_type_2->currentIndex(), int(InputCurrent));
    QCOMPARE(ui->CT_Phys_Unit_1->currentText(), QStringLiteral("м3"));
    QCOMPARE(ui->CT_Imp_Weight_1->value(), 0.01);
    QCOMPARE(ui->AN_Phys_Unit_2->currentText(), QStringLiteral("кПа"));
    QCOMPARE(ui->CT_meas_value->currentText(), QStringLiteral("3 час."));
    const Block read = configOf(*v);

    // Edits on the solenoid, counting, analog and connection pages.
    ui->sol_type->setCurrentIndex(1);
    ui->CT_max_open_1->setValue(20.0);
    ui->CT_reset_interval->setCurrentIndex(3); // "1-7 дней", code 5
    ui->CT_reset_value->setCurrentIndex(2);    // "Ср"
    ui->AN_Phys_Value_2->setCurrentIndex(4);   // "T (температура)"
    ui->AN_Phys_Unit_2->setCurrentIndex(2);    // "°F", unit code 21
    ui->AN_max_open_2->setValue(15.25);
    ui->mb_online->setCurrentIndex(2);
    Block expected = read;
    expected[reg::SolenoidType] = 1;
    putFloat(expected, 55, 20.0f);
    expected[reg::ResetInterval] = 5;
    expected[reg::ResetMoment] = 2;
    expected[reg::Quantity + 1] = 4;
    expected[reg::Unit + 1] = 21;
    putFloat(expected, 57, 15.25f);
    expected[reg::OnlineTime] = 2;

    QSignalSpy states(A::client(*v), &QModbusDevice::stateChanged);
    const int before = h.requests().size();
    ui->write_sett->click();
    QCOMPARE(v->statusBar()->currentMessage(), QStringLiteral("Применение новой конфигурации..."));

    // Released, reopened, woken with command 1 and read again.
    QTRY_VERIFY_WITH_TIMEOUT(released(states), kWaitMs);
    QTRY_VERIFY_WITH_TIMEOUT(countOf(h.requests().mid(before), kRead, 0) == 1 &&
                                 A::config(*v)[reg::Reserved] == kSimReserved &&
                                 A::client(*v)->state() == QModbusDevice::ConnectedState,
                             kWaitMs);
    QVERIFY(A::awake(*v));

    // Apart from wake-up probes: the block, the apply word, and after the reopening at least
    // one probe before the block is read again.
    const QList<QJsonObject> log = h.requests().mid(before);
    const int blockWrite = indexOf(log, kWriteMany, 0);
    const int apply = indexOf(log, kWriteOne, 256);
    const int reread = indexOf(log, kRead, 0);
    QVERIFY(blockWrite >= 0 && onlyProbes(log, 0, blockWrite));
    QCOMPARE(apply, blockWrite + 1);
    QVERIFY(reread > apply + 1 && onlyProbes(log, apply + 1, reread));
    QCOMPARE(log[blockWrite]["count"].toInt(), kBlockWords);
    QCOMPARE(valuesOf(log[blockWrite]), wordsOf(expected));
    QCOMPARE(valuesOf(log[apply]), QList<int>{expected[0]});
    QVERIFY(log[blockWrite]["answered"].toBool() && log[apply]["answered"].toBool());
    QCOMPARE(countOf(log, kWriteMany, 0) + countOf(log, kWriteOne, 256), 2);

    // The second read shows what was written.
    QCOMPARE(configOf(*v), expected);
    QCOMPARE(ui->CT_reset_value->currentText(), QStringLiteral("Ср"));
    QCOMPARE(ui->AN_Phys_Unit_2->currentText(), QStringLiteral("\u00B0F"));
}

void TestConfigE2E::refusedWriteSendsNothing()
{
    SimHarness h;
    QVERIFY(h.start());
    auto v = makeValve(h);
    Ui::Valve *ui = A::ui(*v);
    QVERIFY(connectAndRead(*v));

    ui->CT_Imp_Weight_1->setValue(0.0);
    const int before = h.requests().size();
    ui->write_sett->click();
    QCOMPARE(v->statusBar()->currentMessage(),
             QStringLiteral("Конфигурация не применена...   ошибка ввода данных"));
    QCOMPARE(ui->error_lcd->count(), 1);
    QCOMPARE(ui->error_lcd->item(0)->text(), inputErrorMessage(0));

    // The message goes after its 2000 ms.
    QTRY_COMPARE_WITH_TIMEOUT(v->statusBar()->currentMessage(), QString(), kWaitMs);

    // Requests go out in order: once a later read has arrived, a write would have shown.
    ui->read_sett->click();
    QTRY_VERIFY_WITH_TIMEOUT(countOf(h.requests().mid(before), kRead, 153) == 1, kWaitMs);
    const QList<QJsonObject> log = h.requests().mid(before);
    QCOMPARE(countOf(log, kWriteMany, 0), 0);
    QCOMPARE(countOf(log, kWriteOne, 256), 0);
    QVERIFY(A::client(*v)->state() == QModbusDevice::ConnectedState);
}

QTEST_MAIN(TestConfigE2E)
#include "tst_config_e2e.moc"
