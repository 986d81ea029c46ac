#include <QtTest>

#include "config/catalog.h"
#include "config/intervals.h"

class tst_Catalog : public QObject
{
    Q_OBJECT

private slots:
    void listsHaveTheirSizesAndSpellings()
    {
        const QStringList q = config::quantityNames();
        const QStringList u = config::unitNames();
        QCOMPARE(q.size(), config::kQuantityCount);
        QCOMPARE(u.size(), config::kUnitCount);
        // Greek phi, Cyrillic ОВП, the double л of "Колличество"
        QCOMPARE(q.at(7), QString::fromUtf8("\xce\xa6 (отн.влаж.)"));
        QCOMPARE(q.at(16), QStringLiteral("ОВП"));
        QCOMPARE(q.at(25), QStringLiteral("Колличество"));
        // the degree sign is U+00B0 followed by Latin letters; В and с are Cyrillic
        QCOMPARE(u.at(5).toUtf8(), QByteArray("\xc2\xb0"
                                              "C"));
        QCOMPARE(u.at(20).toUtf8(), QByteArray("\xc2\xb0"
                                               "K"));
        QCOMPARE(u.at(27).toUtf8(), QByteArray("\xd0\x92"));
        QCOMPARE(u.at(48).toUtf8(), QByteArray("\xd1\x81"));
        QCOMPARE(u.last(), QStringLiteral("отн.ед."));
    }

    void everyQuantityOffersValidUnits()
    {
        for (int q = 0; q < config::kQuantityCount; ++q) {
            const QVector<int> codes = config::unitCodesFor(q);
            QVERIFY2(!codes.isEmpty(), qPrintable(QString::number(q)));
            for (int c : codes)
                QVERIFY(c >= 0 && c < config::kUnitCount);
        }
        QVERIFY(config::unitCodesFor(-1).isEmpty());
        QVERIFY(config::unitCodesFor(28).isEmpty());
    }

    void unitListsOfSomeQuantities()
    {
        QCOMPARE(config::unitTextsFor(11), (QStringList{"л", "м3"}));
        const QStringList pressure = config::unitTextsFor(3);
        QCOMPARE(pressure.size(), 10);
        QCOMPARE(pressure.last(), QStringLiteral("г/м3"));
        QCOMPARE(config::unitTextsFor(0).size(), 11);
        QCOMPARE(config::unitTextsFor(25), QStringList{"шт"});
        // period and duration share the seconds unit
        QCOMPARE(config::unitCodeAt(27, 0), 48);
        QCOMPARE(config::unitCodeAt(24, 0), 48);
        QCOMPARE(config::unitCodeAt(24, 1), -1);
        QCOMPARE(config::unitIndexOf(0, 15), 2);
        QCOMPARE(config::unitIndexOf(11, 2), -1);
    }

    void countingInputsOfferThreeQuantities()
    {
        QCOMPARE(config::countingQuantityCodes(), (QVector<int>{0, 11, 25}));
        QCOMPARE(config::countingQuantityCode(1), 11);
        QCOMPARE(config::countingQuantityCode(3), -1);
        QCOMPARE(config::countingQuantityCode(-1), -1);
        QCOMPARE(config::countingQuantityIndex(25), 2);
        QCOMPARE(config::countingQuantityIndex(3), -1);
    }

    void intervalCodesSkipOneAndTwo()
    {
        const int codes[] = {0, 3, 4, 5, 6};
        for (int k = 0; k < 5; ++k) {
            QCOMPARE(config::intervalCode(k), codes[k]);
            QCOMPARE(config::intervalIndex(codes[k]), k);
        }
        QCOMPARE(config::intervalIndex(1), -1);
        QCOMPARE(config::intervalIndex(2), 0);
    }

    void intervalValueLists()
    {
        QCOMPARE(config::intervalValues(0), QStringList{"---"});
        QCOMPARE(config::intervalValues(3),
                 (QStringList{"1 мин.", "5 мин.", "10 мин.", "15 мин.", "30 мин."}));
        QCOMPARE(config::intervalValues(4).size(), 7);
        QCOMPARE(config::intervalValues(4).last(), QStringLiteral("12 час."));
        QCOMPARE(config::intervalValues(5),
                 (QStringList{"Пн", "Вт", "Ср", "Чт", "Пт", "Суб", "Вс"}));
        const QStringList days = config::intervalValues(6);
        QCOMPARE(days.size(), 28);
        QCOMPARE(days.first(), QStringLiteral("1 число"));
        QCOMPARE(days.last(), QStringLiteral("28 число"));
        for (int code : {1, 2, 7, 0xFFFF})
            QVERIFY(config::intervalValues(code).isEmpty());
        QCOMPARE(config::intervalValuesForIndex(2), config::intervalValues(4));
    }
};

QTEST_APPLESS_MAIN(tst_Catalog)
#include "tst_catalog.moc"
