#include <QtTest>

#include "link/commparams.h"

class tst_CommParams : public QObject
{
    Q_OBJECT

    static QStringList texts(const link::CommList &list)
    {
        QStringList t;
        for (const auto &item : list.items)
            t << item.text;
        return t;
    }
    static QVariantList data(const link::CommList &list)
    {
        QVariantList d;
        for (const auto &item : list.items)
            d << item.data;
        return d;
    }

private slots:
    void listsCarryTheSerialEnumerationValues()
    {
        const link::CommList addresses = link::addressList();
        QCOMPARE(addresses.items.size(), 246);
        QCOMPARE(addresses.items.first().text, QStringLiteral("1"));
        QCOMPARE(addresses.items.last().text, QStringLiteral("246"));
        QVERIFY(!addresses.items.first().data.isValid());
        QCOMPARE(addresses.initialIndex, 0);

        const link::CommList baud = link::baudRateList();
        QCOMPARE(texts(baud), (QStringList{"1200", "2400", "4800", "9600", "19200", "38400",
                                           "57600", "115200"}));
        QCOMPARE(baud.items.last().data.toInt(), 115200);
        QCOMPARE(baud.initialIndex, 3);

        QCOMPARE(data(link::dataBitsList()), (QVariantList{7, 8}));
        QCOMPARE(link::dataBitsList().initialIndex, 1);
        QCOMPARE(texts(link::parityList()), (QStringList{"нет", "чётн.", "нечет."}));
        QCOMPARE(data(link::parityList()), (QVariantList{0, 2, 3}));
        QCOMPARE(data(link::stopBitsList()), (QVariantList{1, 2}));
        QCOMPARE(link::stopBitsList().initialIndex, 0);
    }

    void onlineTimeTableNeverReadsPastItsEnd()
    {
        const int seconds[] = {5, 10, 15, 20, 30, 60, 120, 300, 600, 900};
        for (int code = 0; code < 10; ++code)
            QCOMPARE(link::onlineSeconds(code), seconds[code]);
        for (int code : {10, 255, 0xFFFF, -1})
            QCOMPARE(link::onlineSeconds(code), 5);
    }
};

QTEST_APPLESS_MAIN(tst_CommParams)
#include "tst_commparams.moc"
