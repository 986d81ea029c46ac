// The wire limit the benchmarks divide their cycle figures by. A wrong limit (a bit count, the
// t3.5 rule, the reply's length, a read missing from the cycle) makes every ratio in the table
// wrong while the figures themselves still look plausible. The expected times are worked out
// by hand from the bits on the line.
#include <QtTest>

#include "bench/wirelimit.h"

using namespace bench;

Q_DECLARE_METATYPE(bench::LineFormat)
Q_DECLARE_METATYPE(bench::Setup)

class tst_WireLimit : public QObject
{
    Q_OBJECT

private slots:
    void read_data()
    {
        QTest::addColumn<LineFormat>("line");
        QTest::addColumn<int>("registers");
        QTest::addColumn<double>("ms");
        // (8 + 5 + 2n bytes) x bits per character / baud, plus two t3.5 gaps
        QTest::newRow("2 registers, 9600 8N1") << LineFormat{9600, 'N', 1} << 2 << (170 + 70) / 9.6;
        QTest::newRow("85 registers, 9600 8N1")
            << LineFormat{9600, 'N', 1} << 85 << (1830 + 70) / 9.6;
        QTest::newRow("19200 8E1: t3.5 still 3.5 characters")
            << LineFormat{19200, 'E', 1} << 2 << (187 + 77) / 19.2;
        QTest::newRow("38400 8N2: t3.5 1.75 ms")
            << LineFormat{38400, 'N', 2} << 2 << 187 / 38.4 + 3.5;
        QTest::newRow("1 register, 115200 8O1")
            << LineFormat{115200, 'O', 1} << 1 << 165 / 115.2 + 3.5;
    }

    void read()
    {
        QFETCH(LineFormat, line);
        QFETCH(int, registers);
        QFETCH(double, ms);
        QCOMPARE(readLimitMs(line, registers), ms);
    }

    // The limit of a cycle at 9600 and 115200 baud, 8N1, by configuration (what it reads:
    // live/tst_live). 2-register read: 25 ms at 9600, 170/115.2 + 3.5 ms at 115200; 1-register
    // read: 220/9.6 ms and 150/115.2 + 3.5 ms.
    void cycle_data()
    {
        QTest::addColumn<Setup>("setup");
        QTest::addColumn<double>("ms9600");
        QTest::addColumn<double>("ms115200");
        const double two = 170 / 115.2 + 3.5, one = 150 / 115.2 + 3.5;
        // clock, capacitor, solenoid, temperature, six quantities of each analog input
        QTest::newRow("bistable, voltage, current (the benchmarks' cycle)")
            << kHeaviest << 14 * 25 + 2 * 220 / 9.6 << 14 * two + 2 * one;
        QTest::newRow("bistable, counting, discrete")
            << Setup{0, 2, 1} << 6 * 25 + 3 * 220 / 9.6 << 6 * two + 3 * one;
        // no capacitor without a bistable solenoid; inputs off or of unknown types read nothing
        QTest::newRow("normally open, inputs off")
            << Setup{1, 0, 0} << 2 * 25 + 220 / 9.6 << 2 * two + one;
    }

    void cycle()
    {
        QFETCH(Setup, setup);
        QFETCH(double, ms9600);
        QFETCH(double, ms115200);
        QCOMPARE(cycleLimitMs({9600}, cycleOf(setup)), ms9600);
        QCOMPARE(cycleLimitMs({115200}, cycleOf(setup)), ms115200);
    }
};

QTEST_APPLESS_MAIN(tst_WireLimit)
#include "tst_wirelimit.moc"
