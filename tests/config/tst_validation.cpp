// The input checks of a configuration write, their messages and the service password.
#include <QtTest>

#include "config/validation.h"

using namespace config;

class TestValidation : public QObject
{
    Q_OBJECT

private slots:
    void messages();
    void multiples();
    void checks();
    void password();
};

void TestValidation::messages()
{
    for (int k = 0; k < kInputErrorCount; ++k) {
        const QString text = inputErrorMessage(k);
        if (k < 10) // Latin "CT" for the weight messages, Cyrillic "СТ" for the others
            QCOMPARE(text.left(2), k % 5 ? QStringLiteral("\u0421\u0422") : QStringLiteral("CT"));
        // Listing tests "contains": no message may contain another.
        for (int other = 0; other < kInputErrorCount; ++other)
            QVERIFY(other == k || !text.contains(inputErrorMessage(other), Qt::CaseInsensitive));
    }
    QCOMPARE(
        inputErrorMessage(10),
        QStringLiteral("AN1: верхняя граница(физ.вел.) меньше или равно нижняя граница(физ.вел.)"));
}

void TestValidation::multiples()
{
    QVERIFY(!isMultipleOf(1.2, 0.5)); // 2.4
    QVERIFY(isMultipleOf(0.3, 0.1));  // a hair below 3
    QVERIFY(isMultipleOf(100000, 0.01));
    QVERIFY(isMultipleOf(1.000005, 1));
    QVERIFY(!isMultipleOf(1.00002, 1));
    QVERIFY(!isMultipleOf(2.5, 1));
}

void TestValidation::checks()
{
    using P = MessageActions;
    const CountingValues values{1.2, 1.0, 2.0, 0.3};
    // Weight 0: its message only; the multiple messages stay as they are.
    QCOMPARE(countingCheck(2, 0.0, values), (P{{5, true}}));
    QCOMPARE(countingCheck(1, 0.5, values),
             (P{{0, false}, {1, true}, {2, false}, {3, false}, {4, true}}));
    QVERIFY(countingCheck(1, -1.0, values).isEmpty());
    QCOMPARE(limitCheck(1, 10.0, 10.0), (P{{10, true}}));
    QCOMPARE(limitCheck(2, 0.0, 0.01), (P{{11, false}}));
    QCOMPARE(limitCheck(1, qQNaN(), 1.0), (P{{10, true}}));
    // Messages of checks the type does not run are taken off.
    QCOMPARE(checksNotRun(1, 2), (P{{10, false}}));
    QCOMPARE(checksNotRun(2, 4), (P{{5, false}, {6, false}, {7, false}, {8, false}, {9, false}}));
    QCOMPARE(checksNotRun(1, 0).size(), 6);
    QCOMPARE(checksNotRun(2, 0xFFFF).size(), 6);
}

void TestValidation::password()
{
    QVERIFY(isServicePassword(QStringLiteral("mek_vorta")));
    QVERIFY(!isServicePassword(QStringLiteral("mek_vortA")));
    QVERIFY(!isServicePassword(QStringLiteral("mek_vorta ")));
    QVERIFY(!isServicePassword(QString()));
}

QTEST_MAIN(TestValidation)
#include "tst_validation.moc"
