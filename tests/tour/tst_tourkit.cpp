// The window-free parts of the headless tour, and the widgets it drives by name.
#include <QtTest>

#include <QLabel>

#include "mainwindow/valve.h"
#include "tour.h"
#include "tourkit.h"
#include "widgets/qledlabel.h"
#include "widgets/windowframe.h"

using namespace tour;

class tst_TourKit : public QObject
{
    Q_OBJECT

private slots:
    void arguments();
    void badArguments_data();
    void badArguments();
    void shotNames();
    void ledColours();
    void requestLog();
    void waiting();
    void widgetsTheTourDrives();
    void aFailedStepIsReportedWithItsPicture();
};

void tst_TourKit::arguments()
{
    Options o;
    QString error;
    QVERIFY(parseArguments({"--out", "/tmp/o", "--port", "/tmp/l/tool", "--sim-log", "/tmp/l/log"},
                           o, error));
    QCOMPARE(o.port, QStringLiteral("/tmp/l/tool"));
    QCOMPARE(o.outDir, QStringLiteral("/tmp/o"));
    QCOMPARE(o.simLog, QStringLiteral("/tmp/l/log"));
    QCOMPARE(o.waitMs, 30000);

    QVERIFY(parseArguments({"--port", "p", "--out", "o", "--sim-log", "l", "--wait-seconds", "90"},
                           o, error));
    QCOMPARE(o.waitMs, 90000);
}

void tst_TourKit::badArguments_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("mentions");
    const QStringList all = {"--port", "p", "--out", "o", "--sim-log", "l"};
    QTest::newRow("nothing") << QStringList() << "--port";
    QTest::newRow("no port") << QStringList(all.mid(2)) << "--port";
    QTest::newRow("no out") << QStringList(all.mid(0, 2) + all.mid(4)) << "--out";
    QTest::newRow("no log") << QStringList(all.mid(0, 4)) << "--sim-log";
    QTest::newRow("unknown") << (all + QStringList{"--fast"}) << "--fast";
    QTest::newRow("value missing at the end") << QStringList(all.mid(0, 5)) << "--sim-log";
    QTest::newRow("flag taken as value") << QStringList{"--port", "--out", "o"} << "--port";
    QTest::newRow("wait not a number")
        << (all + QStringList{"--wait-seconds", "x"}) << "--wait-seconds";
    QTest::newRow("wait zero") << (all + QStringList{"--wait-seconds", "0"}) << "--wait-seconds";
}

void tst_TourKit::badArguments()
{
    QFETCH(QStringList, args);
    QFETCH(QString, mentions);
    Options o;
    QString error;
    QVERIFY(!parseArguments(args, o, error));
    QVERIFY2(error.contains(mentions), qPrintable(error));
}

void tst_TourKit::shotNames()
{
    QCOMPARE(shotFileName(1, "port open"), QStringLiteral("01-port-open.png"));
    QCOMPARE(shotFileName(12, "Valve  Closed!"), QStringLiteral("12-valve-closed.png"));
    QCOMPARE(shotFileName(3, " settings / common "), QStringLiteral("03-settings-common.png"));
    QCOMPARE(shotFileName(7, "общие 2"), QStringLiteral("07-2.png"));
    QCOMPARE(shotFileName(100, "x"), QStringLiteral("100-x.png"));
}

void tst_TourKit::ledColours()
{
    // What the real LED shows in each state.
    QLedLabel led;
    const QList<QPair<QLedLabel::State, Led>> states = {
        {QLedLabel::StateRed, Led::Red},       {QLedLabel::StateGreen, Led::Green},
        {QLedLabel::StateYellow, Led::Yellow}, {QLedLabel::StateOrange, Led::Orange},
        {QLedLabel::StateBlue, Led::Blue},
    };
    for (const auto &state : states) {
        led.setState(state.first);
        QCOMPARE(ledName(ledOf(led.styleSheet())), ledName(state.second));
    }
    QCOMPARE(ledOf(QString()), Led::Unknown);
    QCOMPARE(ledOf("border-color: rgb(0,128,0);"), Led::Unknown); // not the fill
    QCOMPARE(ledOf("background-color: rgb(1,2,3);"), Led::Unknown);
    QCOMPARE(ledOf("background-color: rgb(0,128,0"), Led::Unknown);
}

void tst_TourKit::requestLog()
{
    const QByteArray text = "{\"ms\":1,\"addr\":1,\"fn\":3,\"start\":36858,\"count\":1,"
                            "\"answered\":true}\n"
                            "not json\n"
                            "{\"ms\":2,\"addr\":1,\"fn\":16,\"start\":36861,\"count\":2,"
                            "\"values\":[26000,4660],\"answered\":true}\n"
                            "{\"ms\":3,\"addr\":1,\"fn\":3,\"start\":36858,\"count\":1,"
                            "\"answered\":false}\n"
                            "{\"ms\":4,\"addr\":1,\"fn\":6,\"sta";
    const QList<Request> log = parseRequestLog(text);
    QCOMPARE(log.size(), 3);
    QCOMPARE(log.at(1).fn, 16);
    QCOMPARE(log.at(1).start, 36861);
    QCOMPARE(log.at(1).count, 2);
    QCOMPARE(log.at(1).values, QList<int>({26000, 4660}));
    QVERIFY(log.at(0).answered);
    QVERIFY(!log.at(2).answered);
    QVERIFY(log.at(0).values.isEmpty());

    QCOMPARE(findRequest(log, 0, 3, 36858), 0);
    QCOMPARE(findRequest(log, 1, 3, 36858), 2);
    QCOMPARE(findRequest(log, 3, 3, 36858), -1);
    QCOMPARE(findRequest(log, 0, 6, 36858), -1);
    QCOMPARE(findRequest(log, -5, 16, 36861), 1);
    QVERIFY(parseRequestLog(QByteArray()).isEmpty());
}

void tst_TourKit::waiting()
{
    bool flag = false;
    QTimer::singleShot(50, this, [&flag] { flag = true; });
    QVERIFY(waitUntil([&flag] { return flag; }, 30000)); // the event loop ran meanwhile

    int asked = 0;
    QVERIFY(!waitUntil([&asked] { return ++asked < 0; }, 100));
    QVERIFY(asked > 1);
}

void tst_TourKit::widgetsTheTourDrives()
{
    auto *valve = new Valve;
    windowframe frame(nullptr, valve);
    QCOMPARE(missingWidgets(valve, mainWindowWidgets()), QStringList());
    QCOMPARE(missingWidgets(&frame, frameWidgets()), QStringList());

    // A name of another class, and a name that is not there, are both reported.
    const QStringList missing =
        missingWidgets(valve, {{"led", "QPushButton"}, {"no_such_widget", "QWidget"}});
    QCOMPARE(missing, QStringList({"led (QPushButton)", "no_such_widget (QWidget)"}));
}

void tst_TourKit::aFailedStepIsReportedWithItsPicture()
{
    // No such port: the first step gives up, and the run says so instead of going on.
    QTemporaryDir out;
    QVERIFY(out.isValid());
    Options o;
    o.port = out.filePath("no-such-port");
    o.outDir = out.filePath("pictures");
    o.simLog = out.filePath("sim.log");
    o.waitMs = 1000;
    auto *valve = new Valve;
    windowframe frame(nullptr, valve);
    Tour tour(&frame, valve, o);
    QVERIFY(!tour.run());
    QCOMPARE(QDir(o.outDir).entryList(QDir::Files), QStringList({"01-failed.png"}));
    QVERIFY(!QImage(QDir(o.outDir).filePath("01-failed.png")).isNull());
}

QTEST_MAIN(tst_TourKit)
#include "tst_tourkit.moc"
