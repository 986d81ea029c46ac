#include <QtTest>

#include "live/timezones.h"

class tst_TimeZones : public QObject
{
    Q_OBJECT

private slots:
    void quarterHoursFromMinusTwelveToZero()
    {
        const QStringList items = live::timeZoneItems();
        QCOMPARE(items.size(), 49);
        QCOMPARE(items.mid(0, 6),
                 (QStringList{"-12.00", "-11.45", "-11.30", "-11.15", "-11.00", "-10.45"}));
        QCOMPARE(items.mid(44), (QStringList{"-1.00", "-0.45", "-0.30", "-0.15", "0.00"}));
        // item i is h + f with h = i div 4 - 12 and f = 0, .55, .70, .85
        const double f[] = {0, 0.55, 0.70, 0.85};
        for (int i = 0; i < 49; ++i)
            QCOMPARE(items.at(i), QString::number(i / 4 - 12 + f[i % 4], 'f', 2));
    }
};

QTEST_APPLESS_MAIN(tst_TimeZones)
#include "tst_timezones.moc"
