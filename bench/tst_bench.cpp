// The pure parts of the benchmarks: the wire-time limit the figures are divided by, the reads the
// bare client sends, the statistics and table, and the reading of socat's line dump.
#include <QtTest>

#include <QWidget>

#include "bench/linetrace.h"
#include "bench/stats.h"
#include "bench/toolbench.h"
#include "bench/wirelimit.h"
#include "live/pollplan.h"

using namespace bench;

namespace {

LineFormat line(int baud, char parity = 'N', int stopBits = 1, int dataBits = 8)
{
    return {baud, dataBits, parity, stopBits};
}

// A socat -x block: direction, wall-clock time with socat's nine-digit fraction, hex bytes.
QByteArray block(char dir, const char *time, const char *fraction, const QByteArray &hex)
{
    const int length = hex.simplified().split(' ').size();
    return QByteArray(1, dir) + " 2026/12/06 " + time + '.' + fraction +
           "  length=" + QByteArray::number(length) +
           " from=0 to=" + QByteArray::number(length - 1) + "\n " + hex + "\n";
}

qint64 epochUs(const char *time, qint64 us)
{
    return QDateTime(QDate(2026, 12, 6), QTime::fromString(QLatin1String(time), "hh:mm:ss"),
                     Qt::LocalTime)
                   .toSecsSinceEpoch() *
               1000000 +
           us;
}

Exchange exchange(qint64 requestUs, qint64 replyUs, int start, int count = 2, int function = 3)
{
    return {requestUs, replyUs, function, start, count};
}

} // namespace

class tst_Bench : public QObject
{
    Q_OBJECT

private slots:
    void wireLimit()
    {
        QCOMPARE(bitsPerChar(line(9600)), 10);
        QCOMPARE(bitsPerChar(line(9600, 'E')), 11);
        QCOMPARE(bitsPerChar(line(9600, 'N', 2)), 11);
        QCOMPARE(bitsPerChar(line(9600, 'O', 1, 7)), 10);

        // t3.5 is 3.5 characters up to and including 19200 baud, 1.75 ms above
        QCOMPARE(t35Ms(line(9600)), 3.5 * 10 * 1000 / 9600);
        QCOMPARE(t35Ms(line(19200)), 3.5 * 10 * 1000 / 19200);
        QCOMPARE(t35Ms(line(9600, 'E')), 3.5 * 11 * 1000 / 9600);
        QCOMPARE(t35Ms(line(38400)), 1.75);
        QCOMPARE(t35Ms(line(115200, 'E')), 1.75);

        // a 2-register read: 8 bytes out, 9 back, and two gaps
        QCOMPARE(readReplyBytes(2), 9);
        QCOMPARE(readReplyBytes(85), 175);
        QVERIFY(qAbs(exchangeLimitMs(line(9600), 8, 9) - 25.0) < 1e-9);
        QVERIFY(qAbs(exchangeLimitMs(line(115200), 8, 9) - (170000.0 / 115200 + 3.5)) < 1e-9);
        QVERIFY(exchangeLimitMs(line(9600, 'E'), 8, 9) > exchangeLimitMs(line(9600), 8, 9));

        const QVector<Read> reads = {{0, 85}, {153, 1}};
        QCOMPARE(readsLimitMs(line(9600), reads),
                 exchangeLimitMs(line(9600), 8, 175) + exchangeLimitMs(line(9600), 8, 7));
        QCOMPARE(readsLimitMs(line(9600), {}), 0.0);
    }

    void qtInterFrameDelay()
    {
        QCOMPARE(qtInterFrameDelayMs(1200), 33);
        QCOMPARE(qtInterFrameDelayMs(9600), 5);
        QCOMPARE(qtInterFrameDelayMs(19200), 2);
        QCOMPARE(qtInterFrameDelayMs(115200), 2);
    }

    // The bare client and mbpoll must send what the tool sends in its heaviest cycle.
    void heaviestCycleIsTheToolsPlan()
    {
        const QVector<Read> reads = heaviestCycle();
        QCOMPARE(reads.size(), 16);
        for (quint16 analog : {quint16(live::InputVoltage), quint16(live::InputCurrent)}) {
            const QVector<live::LiveRead> plan =
                live::pollPlan(live::kBistableSolenoid, analog, live::InputCurrent);
            QCOMPARE(plan.size(), reads.size());
            for (int i = 0; i < plan.size(); ++i) {
                QCOMPARE(reads.at(i).start, plan.at(i).start);
                QCOMPARE(reads.at(i).count, plan.at(i).count);
            }
        }
    }

    void summaries()
    {
        const Summary odd = summarize({5, 1, 3});
        QCOMPARE(odd.n, 3);
        QCOMPARE(odd.min, 1.0);
        QCOMPARE(odd.median, 3.0);
        QCOMPARE(odd.max, 5.0);
        QCOMPARE(summarize({4, 1, 2, 3}).median, 2.5);
        QCOMPARE(summarize({}).n, 0);

        QCOMPARE(ratioText(27.3, 25.0), QStringLiteral("1.09x"));
        QCOMPARE(ratioText(1, 0), QStringLiteral("-"));
        QCOMPARE(ratioText(0, 1), QStringLiteral("-"));
    }

    void table()
    {
        Row measured{QStringLiteral("1"),
                     QStringLiteral("cycle"),
                     9600,
                     QStringLiteral("ms"),
                     summarize({440, 436, 450}),
                     400,
                     QStringLiteral("tool/bare 1.01x"),
                     QStringLiteral("<= 1.10x limit")};
        Row missing{QStringLiteral("6"),
                    QStringLiteral("start"),
                    0,
                    QStringLiteral("ms"),
                    Summary{},
                    0,
                    QString(),
                    QString()};
        const QStringList lines =
            formatTable({measured, missing}).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 4); // header, rule, two rows
        for (const QString &l : lines) {
            QCOMPARE(l.size(), lines.first().size()); // columns line up
            QCOMPARE(l.count(QLatin1Char('|')), 12);
        }
        QVERIFY(lines.at(2).contains(QStringLiteral("| 436.00 ")));
        QVERIFY(lines.at(2).contains(QStringLiteral("| 440.00 ms ")));
        QVERIFY(lines.at(2).contains(QStringLiteral("| 400.00 ms ")));
        QVERIFY(lines.at(2).contains(QStringLiteral("| 1.10x ")));
        QVERIFY(lines.at(3).contains(QStringLiteral("not measured")));
        QVERIFY(!lines.at(3).contains(QStringLiteral("x ")));
    }

    void socatDump()
    {
        const QByteArray text = "2026/12/06 19:36:33 socat[1] N starting data transfer loop\n" +
                                block('>', "19:36:34", "000164502", "01 03 80 2b 00 02 9d c3") +
                                block('<', "19:36:34", "000186429", "01 03 04 41 40") +
                                block('<', "19:36:34", "000186500", "00 00 ef db") +
                                block('>', "19:36:35", "000001126", "01 06 80 00 00 01 e1 c9");
        const QVector<LineChunk> chunks = parseSocatDump(text);
        QCOMPARE(chunks.size(), 4);
        QVERIFY(chunks.at(0).toSimulator);
        QVERIFY(!chunks.at(1).toSimulator);
        QCOMPARE(chunks.at(0).bytes, QByteArray::fromHex("0103802b00029dc3"));
        QCOMPARE(chunks.at(0).epochUs, epochUs("19:36:34", 164502));
        QCOMPARE(chunks.at(3).epochUs, epochUs("19:36:35", 1126));

        // a reply in two chunks ends with the second; a request without reply has none
        const QVector<Exchange> ex = exchangesOf(chunks);
        QCOMPARE(ex.size(), 2);
        QCOMPARE(ex.at(0).function, 3);
        QCOMPARE(ex.at(0).start, 32811);
        QCOMPARE(ex.at(0).count, 2);
        QCOMPARE(ex.at(0).replyUs, epochUs("19:36:34", 186500));
        QCOMPARE(ex.at(1).function, 6);
        QCOMPARE(ex.at(1).start, 32768);
        QCOMPARE(ex.at(1).replyUs, 0);
        QCOMPARE(replyWaitMs(ex), QVector<double>{21.998});
    }

    void socatDumpInNanoseconds()
    {
        const QByteArray text = block('>', "10:00:00", "000500000", "01 03") +
                                block('<', "10:00:00", "021350000", "01 03");
        const QVector<LineChunk> chunks = parseSocatDump(text);
        QCOMPARE(chunks.size(), 2);
        QCOMPARE(chunks.at(0).epochUs, epochUs("10:00:00", 500));
        QCOMPARE(chunks.at(1).epochUs, epochUs("10:00:00", 21350));
        QCOMPARE(exchangesOf(chunks).at(0).start, -1); // too short to tell
        QVERIFY(parseSocatDump("garbage\n 01 02\n").isEmpty());
    }

    void clicksAndTurnaround()
    {
        const QVector<Exchange> ex = {exchange(1000, 0, 32768, 1, 6), exchange(50000, 60000, 36861),
                                      exchange(65000, 80000, 36851, 1),
                                      exchange(900000, 920000, 32768, 1, 6)};
        // the first click's request comes 1 ms after it; the second click sent nothing of its
        // own before the third, so the third's request is not credited to it
        QCOMPARE(clickToWireMs({0, 40000, 899000}, ex, 6, 32768), (QVector<double>{1.0, 1.0}));
        QCOMPARE(clickToWireMs({950000}, ex, 6, 32768), QVector<double>{});

        // gaps longer than the idle limit are the line resting between bursts
        QCOMPARE(turnaroundMs(ex, 200), QVector<double>{5.0});
    }

    void mbpollCycles()
    {
        const QVector<Read> reads = {{36861, 2}, {36851, 1}};
        QVector<Exchange> ex;
        for (int k = 0; k < 4; ++k)
            ex << exchange(k * 30000, k * 30000 + 20000, 36861);
        for (int k = 0; k < 3; ++k)
            ex << exchange(500000 + k * 25000, 500000 + k * 25000 + 10000, 36851, 1);
        ex << exchange(700000, 710000, 36851, 2); // another count: not this read
        // periods 30 ms and 25 ms, pause 11 ms; the second read has only two periods
        QCOMPARE(composedCycles(ex, reads, 11), (QVector<double>{33.0, 33.0}));
        QCOMPARE(composedCycles(ex, {{1, 1}}, 11), QVector<double>{});
    }

    void processStatus()
    {
        QVERIFY(procStatusKb("VmRSS") > 0);
        QVERIFY(procStatusKb("VmHWM") > 0);
        QCOMPARE(procStatusKb("NoSuchField"), -1);
        QCOMPARE(procStatusKb("VmRS"), -1); // a prefix of a field is not the field
    }

    // The start figure ends at the first paint of the main window or of anything inside it, once.
    void firstFrame()
    {
        QWidget other;
        QWidget window;
        auto *child = new QWidget(&window);
        child->setMinimumSize(20, 20);
        int calls = 0;
        qint64 paint = 0;
        qint64 flushed = 0;
        FirstFrame frame(&window, [&](qint64 p, qint64 f) {
            ++calls;
            paint = p;
            flushed = f;
        });

        other.show();
        QVERIFY(QTest::qWaitForWindowExposed(&other));
        QCOMPARE(calls, 0); // another window's paint is not the main window's

        window.show();
        QTRY_COMPARE_WITH_TIMEOUT(calls, 1, 10000);
        QVERIFY(paint > 0 && paint <= flushed);
        child->repaint();
        window.repaint();
        QVERIFY(!waitUntil([&calls] { return calls > 1; }, 200));
        QCOMPARE(calls, 1);
    }

    void waitingOnConditions()
    {
        bool flag = false;
        QTimer::singleShot(10, [&flag] { flag = true; }); // needs the event loop to run
        QVERIFY(waitUntil([&flag] { return flag; }, 30000));
        QVERIFY(!waitUntil([] { return false; }, 50));
    }
};

QTEST_MAIN(tst_Bench)
#include "tst_bench.moc"
