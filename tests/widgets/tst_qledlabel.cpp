#include <QtTest>

#include <QHBoxLayout>

#include "widgets/qledlabel.h"

namespace {

QString sheet(const char *fill)
{
    return QStringLiteral("border-radius: 7; border-width: 2px; border-color: rgb(192,192,192); "
                          "border-style: solid; background-color: ") +
           QLatin1String(fill) + QLatin1Char(';');
}

// Calls the by-name slot setState(State) through the meta-object with a raw number, the way a
// value from outside the program's own code reaches it.
bool invokeState(QLedLabel *led, int value)
{
    const int index = led->metaObject()->indexOfMethod("setState(State)");
    if (index < 0)
        return false;
    return led->metaObject()->method(index).invoke(led, Qt::DirectConnection,
                                                   QGenericArgument("State", &value));
}

// Whether State has a fixed underlying type. Only then is every int a valid State; without one,
// a value outside 0..7 reaching the slot is undefined behaviour (and trips UBSan).
} // namespace

class tst_QLedLabel : public QObject
{
    Q_OBJECT

private slots:
    void startsRedAndRound();
    void sheets_data();
    void sheets();
    void outOfRangeIsRed_data();
    void outOfRangeIsRed();
    void boolSlot();
    void slotsByName();
    void keepsSizeInLayouts();
};

void tst_QLedLabel::startsRedAndRound()
{
    QLedLabel led(nullptr);
    QCOMPARE(led.styleSheet(), sheet("rgb(255, 0, 0)"));
    QCOMPARE(led.minimumSize(), QSize(14, 14));
    QCOMPARE(led.maximumSize(), QSize(14, 14));
    QVERIFY(led.text().isEmpty());
}

void tst_QLedLabel::sheets_data()
{
    QTest::addColumn<int>("state");
    QTest::addColumn<QString>("expected");
    // the blanks inside the red and orange rgb() belong to the sheets
    QTest::newRow("red") << int(QLedLabel::StateRed) << sheet("rgb(255, 0, 0)");
    QTest::newRow("green") << int(QLedLabel::StateGreen) << sheet("rgb(0,128,0)");
    QTest::newRow("blue") << int(QLedLabel::StateBlue) << sheet("rgb(0,0,255)");
    QTest::newRow("orange") << int(QLedLabel::StateOrange) << sheet("rgb(255, 128, 0)");
    QTest::newRow("yellow") << int(QLedLabel::StateYellow) << sheet("rgb(255,255,0)");
}

void tst_QLedLabel::sheets()
{
    QFETCH(int, state);
    QFETCH(QString, expected);
    QLedLabel led(nullptr);
    led.setState(QLedLabel::StateYellow);
    led.setState(static_cast<QLedLabel::State>(state));
    QCOMPARE(led.styleSheet(), expected);
    led.setState(static_cast<QLedLabel::State>(state)); // repeating changes nothing
    QCOMPARE(led.styleSheet(), expected);
}

void tst_QLedLabel::outOfRangeIsRed_data()
{
    QTest::addColumn<int>("value");
    QTest::newRow("5") << 5;
    QTest::newRow("7") << 7;
    QTest::newRow("255") << 255;
    QTest::newRow("-1") << -1;
}

void tst_QLedLabel::outOfRangeIsRed()
{
    QFETCH(int, value);
    QLedLabel led(nullptr);
    led.setState(QLedLabel::StateGreen);
    QVERIFY(invokeState(&led, value));
    QCOMPARE(led.styleSheet(), sheet("rgb(255, 0, 0)"));
}

void tst_QLedLabel::boolSlot()
{
    QLedLabel led(nullptr);
    led.setState(true);
    QCOMPARE(led.styleSheet(), sheet("rgb(0,128,0)"));
    led.setState(false);
    QCOMPARE(led.styleSheet(), sheet("rgb(255, 0, 0)"));
}

void tst_QLedLabel::slotsByName()
{
    // Exactly two slots of its own, setState(State) before setState(bool), each with one
    // argument named state; State is no meta-object enumerator.
    const QMetaObject *meta = &QLedLabel::staticMetaObject;
    QCOMPARE(meta->methodCount() - meta->methodOffset(), 2);
    const QMetaMethod first = meta->method(meta->methodOffset());
    const QMetaMethod second = meta->method(meta->methodOffset() + 1);
    QCOMPARE(first.methodSignature(), QByteArray("setState(State)"));
    QCOMPARE(second.methodSignature(), QByteArray("setState(bool)"));
    QCOMPARE(first.methodType(), QMetaMethod::Slot);
    QCOMPARE(second.methodType(), QMetaMethod::Slot);
    QCOMPARE(first.parameterNames(), QList<QByteArray>{"state"});
    QCOMPARE(second.parameterNames(), QList<QByteArray>{"state"});
    QCOMPARE(meta->enumeratorCount() - meta->enumeratorOffset(), 0);

    QLedLabel led(nullptr);
    QVERIFY(invokeState(&led, QLedLabel::StateBlue));
    QCOMPARE(led.styleSheet(), sheet("rgb(0,0,255)"));
    QVERIFY(QMetaObject::invokeMethod(&led, "setState", Q_ARG(bool, true)));
    QCOMPARE(led.styleSheet(), sheet("rgb(0,128,0)"));
}

void tst_QLedLabel::keepsSizeInLayouts()
{
    QWidget window;
    auto *layout = new QHBoxLayout(&window);
    auto *led = new QLedLabel(&window);
    layout->addWidget(led);
    for (const QSize &size : {QSize(300, 200), QSize(30, 30)}) {
        window.resize(size);
        layout->activate();
        QCOMPARE(led->size(), QSize(14, 14));
    }
}

QTEST_MAIN(tst_QLedLabel)
#include "tst_qledlabel.moc"
