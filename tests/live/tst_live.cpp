// The inputs page: conversions of live register words, the reads of one poll cycle, and what the
// page shows for a reply.
#include <QtTest>

#include <QProgressBar>

#include "live/liveconv.h"
#include "live/pollplan.h"
#include "support/valvetestaccess.h"

using namespace morlenta;
using A = ValveTestAccess;
using Plan = QVector<QPair<int, int>>; // start, words

class TestLive : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        qputenv("TZ", "UTC0");
        QLocale::setDefault(QLocale::c());
    }
    void conversions();
    void pollPlan();
    void display();
};

void TestLive::conversions()
{
    // Counters are unsigned; the delta box ends at 2^31.
    QCOMPARE(live::counterValue(0xFFFFFFFFu, {0, 4294967296.0}), 4294967295.0);
    QCOMPARE(live::counterValue(0xFFFFFFFFu, {-2147483648.0, 2147483648.0}), 2147483648.0);
    // Floats out of range and infinities give the nearest limit, NaN gives no value.
    const QVector<QPair<quint32, std::optional<double>>> floats = {
        {0x3FC00000u, 1.5},          {0xC2C80000u, -100.0},       {0x49742400u, 1e5},
        {0xC9742400u, -1e5},         {0x7F800000u, 1e5},          {0xFF800000u, -1e5},
        {0x7FC00000u, std::nullopt}, {0x7F800001u, std::nullopt}, {0xFFFFFFFFu, std::nullopt}};
    for (const auto &[raw, shown] : floats)
        QVERIFY2(live::floatValue(raw, {-1e5, 1e5}) == shown, qPrintable(QString::number(raw, 16)));
    // A signed count of degrees; only -99..99 is a reading.
    const QVector<QPair<quint32, QString>> temperatures = {
        {0xFFFFFFFBu, "-5 (°C)"}, {0xFFFFFF9Du, "-99 (°C)"}, {99, "99 (°C)"},  {100, ""},
        {quint32(-100), ""},      {0x80000000u, ""},         {0x00010017u, ""}};
    for (const auto &[raw, text] : temperatures)
        QCOMPARE(live::temperatureText(raw).value_or(QString()), text);
    // Unsigned seconds: 2^31 is in 2038, not 1901 (local time is UTC here).
    QCOMPARE(live::clockText(0x80000000u, QLocale::c()),
             QStringLiteral("19-01-2038 (Tue) ~ 03:14:08 ~"));
    QCOMPARE(live::clockText(0xFFFFFFFFu, QLocale::c()),
             QStringLiteral("07-02-2106 (Sun) ~ 06:28:15 ~"));
}

void TestLive::pollPlan()
{
    const Plan status{{36861, 2}, {32768, 1}, {36859, 2}}; // clock, solenoid, temperature
    const Plan bistable{{36861, 2}, {36851, 1}, {32768, 1}, {36859, 2}}; // and the capacitor
    const auto run = [](int first, int step, int n) {
        Plan plan;
        for (int k = 0; k < n; ++k)
            plan.append({first + step * k, 2});
        return plan;
    };
    const QVector<std::tuple<int, int, int, Plan>> cases = {
        {0, 4, 2, bistable + run(32811, 2, 6) + run(32773, 4, 4)},
        {1, 0, 0, status},
        {7, 0, 0, status},
        {1, 1, 1, status + Plan{{32769, 1}, {32770, 1}}},
        {1, 2, 0, status + run(32771, 4, 4)},
        {1, 0, 3, status + run(32823, 2, 6)},
        {1, 5, 0xFFFF, status}}; // types the controller does not know read nothing
    for (const auto &[solenoid, type1, type2, plan] : cases) {
        Plan reads;
        for (const device::Route &r : live::pollPlan(solenoid, type1, type2))
            reads.append({r.start, r.words});
        QVERIFY2(reads == plan,
                 qPrintable(QStringLiteral("%1 %2 %3").arg(solenoid).arg(type1).arg(type2)));
    }
}

void TestLive::display()
{
    Valve v;
    Ui::Valve *ui = A::ui(v);
    struct Row
    {
        int start;
        quint16 high, low;
        QWidget *box;
        const char *shown;
    };
    const Row rows[] = {
        {32771, 0xFFFF, 0xFFFF, ui->CT1_Imp_LCD, "4294967295"},
        {32775, 0xFFFF, 0xFFFF, ui->CT1_Abs_Del_LCD, "2147483648"}, // the delta clamps
        {32811, 0x3FC0, 0, ui->AN1_Val_LCD, "1.50"},
        {32811, 0x7FC0, 0, ui->AN1_Val_LCD, "1.50"}, // NaN: the last value stays
        {32811, 0x7F80, 0, ui->AN1_Val_LCD, "100000.00"},
        {32811, 0xFF80, 0, ui->AN1_Val_LCD, "-100000.00"},
        {36859, 0xFFFF, 0xFFFB, ui->core_temp, "-5 (°C)"},
        {36859, 0, 100, ui->core_temp, "-5 (°C)"}, // 100 °C is no reading
        {36851, 24, 0, ui->cap_charge, "24"},
        {36851, 25, 0, ui->cap_charge, "24"}}; // above full scale
    for (const Row &r : rows) {
        A::mirror(v)[0] = r.high;
        A::mirror(v)[1] = r.low;
        A::dispatch(v, r.start, 2);
        const auto *bar = qobject_cast<QProgressBar *>(r.box);
        QCOMPARE(bar ? QString::number(bar->value()) : r.box->property("text").toString(),
                 QString::fromUtf8(r.shown));
    }
    A::mirror(v)[0] = 0x8000;
    A::mirror(v)[1] = 0;
    A::dispatch(v, 36861, 2);
    QVERIFY2(ui->time->text().startsWith("19-01-2038 ("), qPrintable(ui->time->text()));
}

QTEST_MAIN(TestLive)
#include "tst_live.moc"
