#include <QtTest>

#include "link/dispatch.h"
#include "live/liveconv.h"

#include <limits>

using live::Range;

namespace {

const Range kImpulses{0, 4294967296.0};
const Range kImpulseDelta{-2147483648.0, 2147483648.0};
const Range kAnalog{-100000, 100000};

} // namespace

// Register words as the inputs page shows them.
class tst_LiveConv : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // Local time of this process: a fixed three hours east of UTC, whatever the machine says.
        qputenv("TZ", "XYZ-3");
    }

    void countersAreUnsignedHighWordFirst()
    {
        QCOMPARE(live::counterValue(link::joinWords(0x0001, 0x0000), kImpulses), 65536.0);
        QCOMPARE(live::counterValue(0xFFFFFFFFu, kImpulses), 4294967295.0);
        QCOMPARE(live::counterValue(0, kImpulseDelta), 0.0);
        // the delta box ends at 2^31: a full-scale counter shows that limit, not -1
        QCOMPARE(live::counterValue(0xFFFFFFFFu, kImpulseDelta), 2147483648.0);
        QCOMPARE(live::counterValue(0x80000000u, kImpulseDelta), 2147483648.0);
    }

    void floats_data()
    {
        QTest::addColumn<quint32>("raw");
        QTest::addColumn<double>("minimum");
        QTest::addColumn<double>("maximum");
        QTest::addColumn<double>("shown");
        QTest::newRow("1.0") << link::joinWords(0x3F80, 0x0000) << -1e5 << 1e5 << 1.0;
        QTest::newRow("-100.0") << link::joinWords(0xC2C8, 0x0000) << -1e5 << 1e5 << -100.0;
        QTest::newRow("0.5 low word set") << 0x3F000000u << -1e5 << 1e5 << 0.5;
        QTest::newRow("1e6 above range") << 0x49742400u << -1e5 << 1e5 << 100000.0;
        QTest::newRow("-1e6 below range") << 0xC9742400u << -1e5 << 1e5 << -100000.0;
        QTest::newRow("negative counting value") << 0xBF800000u << 0.0 << 4294967296.0 << 0.0;
        QTest::newRow("+inf") << 0x7F800000u << -1e5 << 1e5 << 100000.0;
        QTest::newRow("-inf") << 0xFF800000u << -1e5 << 1e5 << -100000.0;
        QTest::newRow("-inf counting delta")
            << 0xFF800000u << -2147483648.0 << 2147483648.0 << -2147483648.0;
    }
    void floats()
    {
        QFETCH(quint32, raw);
        QFETCH(double, minimum);
        QFETCH(double, maximum);
        QFETCH(double, shown);
        const std::optional<double> value = live::floatValue(raw, {minimum, maximum});
        QVERIFY(value.has_value());
        QCOMPARE(*value, shown);
    }

    void notANumberGivesNoValue()
    {
        for (quint32 raw : {0x7FC00000u, 0xFFC00000u, 0x7F800001u, 0xFFFFFFFFu})
            QVERIFY2(!live::floatValue(raw, kAnalog).has_value(),
                     qPrintable(QString::number(raw, 16)));
    }

    void temperatureWithinMinus99To99()
    {
        QCOMPARE(live::temperatureText(link::joinWords(0xFFFF, 0xFFFB)), QStringLiteral("-5 (°C)"));
        QCOMPARE(live::temperatureText(link::joinWords(0xFFFF, 0xFF9D)),
                 QStringLiteral("-99 (°C)"));
        QCOMPARE(live::temperatureText(23), QStringLiteral("23 (°C)"));
        QCOMPARE(live::temperatureText(0), QStringLiteral("0 (°C)"));
        QCOMPARE(live::temperatureText(99), QStringLiteral("99 (°C)"));
        for (quint32 raw : {100u, quint32(-100), 0x80000000u, 0x7FFFFFFFu, 0x00010017u})
            QVERIFY2(!live::temperatureText(raw).has_value(), qPrintable(QString::number(raw, 16)));
    }

    void clockInAGivenZone()
    {
        const QTimeZone utc(0);
        const QTimeZone east(3 * 3600);
        const QLocale c = QLocale::c();
        QCOMPARE(live::clockText(0, utc, c), QStringLiteral("01-01-1970 (Thu) ~ 00:00:00 ~"));
        QCOMPARE(live::clockText(0, east, c), QStringLiteral("01-01-1970 (Thu) ~ 03:00:00 ~"));
        // the seconds count is unsigned: 2^31 is in 2038, not 1901
        QCOMPARE(live::clockText(0x80000000u, utc, c),
                 QStringLiteral("19-01-2038 (Tue) ~ 03:14:08 ~"));
        QCOMPARE(live::clockText(0xFFFFFFFFu, utc, c),
                 QStringLiteral("07-02-2106 (Sun) ~ 06:28:15 ~"));
        QCOMPARE(live::clockText(1700000000, east, QLocale(QLocale::Russian)),
                 QStringLiteral("15-11-2023 (ср) ~ 01:13:20 ~"));
    }

    void clockInLocalTime()
    {
        const QLocale system = QLocale::system();
        QCOMPARE(live::clockText(0), live::clockText(0, QTimeZone(3 * 3600), system));
        QCOMPARE(live::clockText(0x80000000u),
                 live::clockText(0x80000000u, QTimeZone(3 * 3600), system));
        QVERIFY(live::clockText(0x80000000u).endsWith(QStringLiteral(" ~ 06:14:08 ~")));
    }

    void captions()
    {
        QCOMPARE(live::discreteText(true), QStringLiteral("1"));
        QCOMPARE(live::discreteText(false), QStringLiteral("0"));
        QCOMPARE(live::impulseUnit(), QStringLiteral("имп."));
        QCOMPARE(live::electricalUnit(3), QStringLiteral("В"));
        for (int index : {-1, 0, 1, 2, 4, 5})
            QCOMPARE(live::electricalUnit(index), QStringLiteral("мА"));
    }
};

QTEST_APPLESS_MAIN(tst_LiveConv)
#include "tst_liveconv.moc"
