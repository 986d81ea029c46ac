// The device link without a line: the plan of each command, the refusal of short replies, the
// status texts and the online-time table.
#include <QtTest>

#include "link/commandplan.h"
#include "link/portlist.h"
#include "support/valvetestaccess.h"
#include "transport/messages.h"

using namespace morlenta;
using A = ValveTestAccess;

namespace {

// Everything a read reply may change: the form's texts and choices, the configuration copy, the
// register-153 word and whether the controller counts as awake.
QStringList observable(Valve &v)
{
    QStringList seen;
    for (QWidget *w : v.findChildren<QWidget *>())
        seen << w->property("text").toString() << w->property("currentText").toString();
    for (quint16 word : A::config(v))
        seen << QString::number(word);
    return seen << QString::number(A::storedWord(v)) << QString::number(A::awake(v));
}

} // namespace

class TestLink : public QObject
{
    Q_OBJECT

private slots:
    void commandPlans_data();
    void commandPlans();
    void shortRepliesAreRefused_data();
    void shortRepliesAreRefused();
    void statusTexts();
    void onlineTime();
};

void TestLink::commandPlans_data()
{
    QTest::addColumn<int>("command");
    QTest::addColumn<QString>("plan"); // requests, what follows, message, refusals
    QTest::newRow("1 connect") << 1 << "R0x85 R153x1 green connected подключён 5000";
    QTest::newRow("2 read") << 2 << "R0x85 R153x1 green Чтенеие конфигурации... 5000";
    QTest::newRow("3 apply") << 3
                             << "W0x85<block W256x1<block green reconnect checked Применение новой "
                                "конфигурации... 5000 Конфигурация не применена...   "
                                "настройки устройства не прочитаны 2000 Конфигурация не "
                                "применена...   ошибка ввода данных 2000";
    QTest::newRow("4 clock") << 4 << "W36861x2<clock poll Установка времени на устройстве... 5000";
    QTest::newRow("5 open") << 5 << "W32768x1=0 poll";
    QTest::newRow("6 close") << 6 << "W32768x1=1 poll";
    QTest::newRow("7 reset") << 7 << "W259x1=0";
    QTest::newRow("0 none") << 0 << "";
    QTest::newRow("8 unknown") << 8 << "";
}

// Faults: a command reads or writes another register, word count or value than the controller
// expects (open and close swapped, the clock's words, a reset that is no 0, the apply register
// without the block's first word), shows another message or for another time, or restarts the
// poll, reconnects, enables the pages or goes out without the form's checks where it should not.
void TestLink::commandPlans()
{
    QFETCH(int, command);
    QFETCH(QString, plan);
    const link::CommandPlan p = link::commandPlan(quint16(command));
    QStringList seen;
    for (const link::Request &r : p.requests) {
        const device::Route route = device::route(r.target);
        const QString values[] = {"=" + QString::number(r.value), "<block", "<clock"}; // by Source
        seen << QString("%1%2x%3%4")
                    .arg(r.write ? "W" : "R")
                    .arg(route.start)
                    .arg(route.words)
                    .arg(r.write ? values[int(r.source)] : QString());
    }
    for (const auto &[set, name] : {std::pair{p.ledGreen, "green"},
                                    {p.connected, "connected"},
                                    {p.restartsPoll, "poll"},
                                    {p.reconnects, "reconnect"},
                                    {p.encodesForm, "checked"}})
        if (set)
            seen << name;
    for (const link::Message *m : {&p.message, &p.notRead, &p.inputError})
        if (!m->text.isEmpty())
            seen << m->text + " " + QString::number(m->ms);
    QCOMPARE(seen.join(' '), plan);
}

void TestLink::shortRepliesAreRefused_data()
{
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("words");
    QTest::addColumn<int>("first"); // mirror word 0; every other word holds `rest`
    QTest::addColumn<int>("rest");
    QTest::newRow("block") << 0 << 85 << 1 << 1;
    QTest::newRow("153") << 153 << 1 << 7 << 0;
    QTest::newRow("solenoid") << 32768 << 1 << 0 << 0;
    QTest::newRow("discrete") << 32770 << 1 << 1 << 0;
    QTest::newRow("counter") << 32771 << 2 << 0 << 5;
    QTest::newRow("analog") << 32833 << 2 << 0x3F80 << 0;
    QTest::newRow("capacitor") << 36851 << 1 << 12 << 0;
    QTest::newRow("probe") << 36858 << 1 << 0xFACE << 0;
    QTest::newRow("temperature") << 36859 << 2 << 0 << 23;
    QTest::newRow("clock") << 36861 << 2 << 0x8000 << 0;
}

// The client does not check a reply's word count: one short of what its handler reads would show
// or decode stale mirror words.
void TestLink::shortRepliesAreRefused()
{
    QFETCH(int, start);
    QFETCH(int, words);
    QFETCH(int, first);
    QFETCH(int, rest);
    Valve v;
    A::mirror(v).fill(quint16(rest));
    A::mirror(v)[0] = quint16(first);
    const QStringList before = observable(v);
    for (int count = 0; count < words; ++count) {
        A::dispatch(v, start, count);
        QCOMPARE(observable(v), before);
    }
    A::dispatch(v, start, words);
    QVERIFY(observable(v) != before); // the whole reply does arrive
}

void TestLink::statusTexts()
{
    // The controller's exception code in hex (codes 1 to 4 and Qt's codes: the fault matrix).
    QCOMPARE(transport::readReplyError(QModbusDevice::ProtocolError, "E", 11),
             QStringLiteral("Read response error: E (Mobus exception: 0xb)"));
    QCOMPARE(transport::writeReplyError(QModbusDevice::ProtocolError, "E", 11),
             QStringLiteral("ошибка записи : E (Модбас исключение : 0xb)"));
    // The port snapshot: USB identifiers in hex, none as N/A.
    QCOMPARE(link::buildSnapshot({{"COM3", 0x1A86, 0}}), QStringList({"COM3", "1a86", "N/A"}));
}

void TestLink::onlineTime()
{
    for (int code : {10, 0xFFFF, -1}) // the shortest: the tool probes again
        QCOMPARE(device::onlineSeconds(code), 5);
    // The controller counts as asleep after the time of word 83, 900 s at most.
    Valve v;
    for (const auto &[code, ms] : {std::pair{9, 900000}, std::pair{12, 5000}}) {
        A::config(v)[83] = quint16(code);
        A::restartOnlineTime(v);
        QCOMPARE(A::inactivityTimer(v)->interval(), ms);
    }
}

QTEST_MAIN(TestLink)
#include "tst_link.moc"
