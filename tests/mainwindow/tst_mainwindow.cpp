// What the user meets in every combo box of the main window: a centred choice that cannot be
// typed over.
#include <QtTest>

#include <QLineEdit>

#include "support/valvetestaccess.h"

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void comboBoxesAreReadOnlyAndCentred()
    {
        Valve v;
        for (QComboBox *box : v.findChildren<QComboBox *>()) {
            const QString name = box->objectName();
            QVERIFY2(box->lineEdit() && box->lineEdit()->isReadOnly(), qPrintable(name));
            QVERIFY2(box->lineEdit()->alignment() == Qt::AlignCenter, qPrintable(name));
            for (int i = 0; i < box->count(); ++i)
                QVERIFY2(box->itemData(i, Qt::TextAlignmentRole).toInt() == Qt::AlignCenter,
                         qPrintable(name));
        }
        QComboBox *online = ValveTestAccess::ui(v)->mb_online;
        const QString chosen = online->currentText();
        QTest::keyClicks(online->lineEdit(), QStringLiteral("99"));
        QCOMPARE(online->currentText(), chosen);
        QCOMPARE(online->count(), 10);
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
