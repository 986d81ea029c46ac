// morlenta-cli without a line: the command line, the exit statuses and messages of failures,
// the profile of a known block, what a profile is refused for, and the CSV quoting.
#include <QtTest>

#include <QJsonDocument>

#include "cli/csv.h"
#include "cli/options.h"
#include "cli/outcome.h"
#include "cli/profile.h"

using namespace morlenta;
using namespace morlenta::cli;

namespace {

// The simulator's default block: a counting input 1 (flow in m3, 0.01 per impulse) and a
// current input 2 (pressure in kPa over 0..1000), bistable solenoid.
const char kDefaultBlock[] =
    "c1ab 4523 f76e ab89 0001 0003 0001 0000 0000 0000 0003 0002 0004 0000 0000 0000 0003 0000 "
    "0000 0001 000b 0000 0000 3c23 d70a 0000 0000 0000 0000 0000 0000 0000 0000 447a 0000 0000 "
    "0000 0000 0000 3f00 0000 42c8 0000 0000 0000 0000 0000 3e80 0000 4248 0000 0000 0000 0000 "
    "0000 42c8 0000 4461 0000 0000 0000 0000 0000 4248 0000 4448 0000 0000 0000 0000 0000 0001 "
    "0003 0001 0004 0001 0000 0004 0002 0002 0006 0000 0001 0001 5a5a";

device::Block block(const QString &words = kDefaultBlock)
{
    device::Block b{};
    const QStringList hex = words.split(' ');
    for (int i = 0; i < device::kBlockWords; ++i)
        b[i] = quint16(hex.value(i).toUInt(nullptr, 16));
    return b;
}

QJsonObject json(const char *text)
{
    return QJsonDocument::fromJson(text).object();
}

} // namespace

class TestCli : public QObject
{
    Q_OBJECT

private slots:
    void commandLine_data();
    void commandLine();
    void failures_data();
    void failures();
    void profileOfAKnownBlock();
    void profileAcrossUnits();
    void refusals_data();
    void refusals();
    void csvQuoting();
};

void TestCli::commandLine_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("parsed"); // or "error: <part of the message>"
    QTest::newRow("line") << QStringList{"--port",      "p",     "--parity",    "odd",
                                         "--baud",      "19200", "--data-bits", "7",
                                         "--stop-bits", "2",     "--address",   "246",
                                         "read"}
                          << "read 246 19200 7 3 2";
    QTest::newRow("even, stdin") << QStringList{"--port", "p", "--parity", "even", "write", "-"}
                                 << "write - 1 9600 8 2 1";
    QTest::newRow("watch") << QStringList{"watch", "--port",  "p", "--interval",
                                          "0.5",   "--count", "3"}
                           << "watch 1 9600 8 0 1 500 ms x3";
    QTest::newRow("baud") << QStringList{"--port", "p", "--baud", "1234", "wake"}
                          << "error: --baud 1234";
    QTest::newRow("address") << QStringList{"--port", "p", "--address", "0", "wake"}
                             << "error: --address";
    QTest::newRow("another command's option")
        << QStringList{"--port", "p", "read", "--dry-run"} << "error: --dry-run";
    QTest::newRow("no port") << QStringList{"wake"} << "error: --port";
    QTest::newRow("valve") << QStringList{"--port", "p", "valve", "ajar"} << "error: open|close";
    QTest::newRow("password") << QStringList{"--port", "p", "set-identifier", "x"}
                              << "error: --service-password";
}

// Faults: a rate, parity or address outside the connection page's lists reaches the port; a
// parity name opens the port with another parity; "-" (stdin) is taken for an option; an option
// of another command is ignored, so that `read --dry-run` or `write --count` runs as if it
// were not there; the interval's seconds read as milliseconds.
void TestCli::commandLine()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, parsed);
    QString error;
    const Invocation inv = parseArguments(arguments, error);
    const LineOptions &l = inv.line;
    QString seen = QStringList{inv.command, inv.arguments.join(' ')}.join(' ').simplified() +
                   QStringLiteral(" %1 %2 %3 %4 %5")
                       .arg(l.address)
                       .arg(l.baud)
                       .arg(l.dataBits)
                       .arg(l.parity)
                       .arg(l.stopBits);
    if (inv.command == "watch")
        seen += QStringLiteral(" %1 ms x%2").arg(inv.intervalMs).arg(inv.count);
    if (parsed.startsWith("error: "))
        QVERIFY2(error.contains(parsed.mid(7)), qPrintable(error));
    else
        QCOMPARE(error.isEmpty() ? seen : error, parsed);
}

void TestCli::failures_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("detail");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message"); // a part of it
    QTest::newRow("permission")
        << int(LinkResult::OpenFailed) << "Permission denied" << 3
        << "ошибка подключения : Permission denied\nПользователь не в группе dialout";
    QTest::newRow("busy") << int(LinkResult::OpenFailed) << "Device or resource busy" << 3
                          << "Порт /dev/ttyUSB0 занят";
    QTest::newRow("locked") << int(LinkResult::OpenFailed)
                            << "Permission error while locking the device" << 3
                            << "Порт /dev/ttyUSB0 занят";
    QTest::newRow("six probes") << int(LinkResult::NoAnswer) << "" << 6
                                << "перепутаны линии A и B; не тот адрес (сейчас 7)";
    QTest::newRow("time-out") << int(LinkResult::Timeout) << "Request timeout." << 6
                              << "чётность odd, стоп-битов 2); не тот порт (/dev/ttyUSB0)";
    QTest::newRow("exception") << int(LinkResult::Exception) << "" << 1 << "0x2";
    QTest::newRow("port lost") << int(LinkResult::PortLost) << "Resource error." << 1
                               << "ошибка подключения : Resource error.";
}

// Faults: a failure ends with the wrong exit status (a time-out as 1 or success, a refused open as
// 6); the dialout hint or the busy port's name is missing; the causes of silence name another
// line than the one used.
void TestCli::failures()
{
    QFETCH(int, status);
    QFETCH(QString, detail);
    QFETCH(int, code);
    QFETCH(QString, message);
    LineOptions line;
    line.port = "/dev/ttyUSB0";
    line.address = 7;
    line.parity = 3; // QSerialPort::OddParity
    line.stopBits = 2;
    LinkResult r;
    r.status = LinkResult::Status(status);
    r.detail = detail;
    r.exceptionCode = 2;
    r.error =
        status == LinkResult::Exception ? QModbusDevice::ProtocolError : QModbusDevice::NoError;
    const Outcome outcome = outcomeOf(r, line);
    QCOMPARE(outcome.code, code);
    QVERIFY2(outcome.message.contains(message), qPrintable(outcome.message));
}

// Faults: a list field shown as another item (a unit's code taken for its place in the unit box,
// a counting quantity's code for its index, the baud rate's index, the online time's code, an
// interval's code for its item), a float not shown as the decimal it was entered as, or a key
// of a type the input does not have.
void TestCli::profileOfAKnownBlock()
{
    // clang-format off
    const QJsonObject expected = json(R"json({
      "format": "morlenta-profile/1",
      "line": {"address": 1, "baud": 9600, "dataBits": 8, "parity": "none", "stopBits": 1},
      "onlineTime": 10,
      "solenoid": {"type": "бистабильный", "pulseLength": "50"},
      "discreteDelay": "300",
      "inputs": [
        {"type": "счётный", "activeEdge": "нарастающий", "controlType": "абсолютный",
         "quantity": "Q (расход)", "unit": "м3", "weight": 0.01,
         "minOpen": 0.5, "minClose": 0.25, "maxOpen": 100, "maxClose": 50},
        {"type": "ток", "quantity": "P (давление)", "unit": "кПа", "lower": 0, "upper": 1000,
         "minOpen": 100, "minClose": 50, "maxOpen": 900, "maxClose": 800}],
      "counting": {"measurement": {"interval": "1-24 часа", "moment": "3 час."},
                   "reset": {"interval": "1-28 дней", "moment": "1 число"},
                   "frequencyFilter": "40 Гц"},
      "analog": {"measurement": {"interval": "1-60 минут", "moment": "5 мин."},
                 "pause": "50", "filter": "4"}})json");
    // clang-format on
    QVERIFY(!expected.isEmpty());
    QStringList skipped;
    QCOMPARE(profileOf(config::decodeSettings(block()), &skipped), expected);
    QVERIFY(skipped.isEmpty());
}

// Faults: a key written by read but not taken by write, or taken as another code (the two
// directions of a list disagree), so that one unit's profile does not make another unit alike.
void TestCli::profileAcrossUnits()
{
    // Another unit: discrete and voltage inputs, normally closed solenoid, 115200 baud, odd
    // parity, counting every 1-28 days on the 28th, the analog pause always on.
    device::Block other = block();
    for (const auto &[word, value] : {std::pair{5, 7},
                                      {7, 2},
                                      {9, 2},
                                      {11, 1},
                                      {12, 3},
                                      {16, 6},
                                      {20, 7},
                                      {71, 9},
                                      {77, 6},
                                      {78, 27},
                                      {83, 9}})
        other[word] = quint16(value);
    const QJsonObject mine = profileOf(config::decodeSettings(block()));
    const QJsonObject theirs = profileOf(config::decodeSettings(other));
    QVERIFY(mine != theirs);
    for (const auto &[profile, onto] : {std::pair{mine, other}, {theirs, block()}}) {
        config::Settings settings = config::decodeSettings(onto);
        QCOMPARE(applyProfile(profile, settings), QStringList());
        QCOMPARE(profileOf(settings), profile);
    }
}

void TestCli::refusals_data()
{
    QTest::addColumn<QByteArray>("profile"); // without its format, over the default block
    QTest::addColumn<QString>("refusal");
    QTest::newRow("one key, the floats as the unit has them") // 100 / 0.01f is 10000.0002
        << QByteArray(R"("onlineTime": 5)") << "";
    QTest::newRow("unknown key") << QByteArray(R"("colour": 1)") << "colour: неизвестный ключ";
    QTest::newRow("wrong type")
        << QByteArray(R"("onlineTime": "10")")
        << R"(onlineTime: ожидается одно из: 5, 10, 15, 20, 30, 60, 120, 300, 600, 900, не "10")";
    QTest::newRow("another quantity's unit")
        << QByteArray(R"("inputs": [{}, {"unit": "м3"}])")
        << R"(inputs[1].unit: ожидается одно из: "МПа", "кПа")";
    QTest::newRow("another type's key") << QByteArray(R"("inputs": [{"lower": 0}, {}])")
                                        << "inputs[0].lower: не используется входом типа «счётный»";
    QTest::newRow("new type without its keys")
        << QByteArray(R"("inputs": [{"type": "дискретный"}, {}])")
        << "inputs[0].openEdge: нужен входу типа «дискретный»";
    QTest::newRow("interval without moment")
        << QByteArray(R"("analog": {"measurement": {"interval": "выключен"}})")
        << "analog.measurement.moment: нужен вместе с analog.measurement.interval";
    QTest::newRow("beyond the spin box") // a negative weight also escapes the page's checks
        << QByteArray(R"("inputs": [{"weight": -0.5}, {"upper": 1e6}])")
        << "inputs[0].weight: ожидается число от 0 до 100000, не -0.5\n"
           "inputs[1].upper: ожидается число от -100000 до 100000, не 1000000";
    QTest::newRow("one input") << QByteArray(R"("inputs": [{}])")
                               << "inputs: ожидается массив из двух объектов";
    QTest::newRow("not a multiple")
        << QByteArray(R"("inputs": [{"weight": 0.25, "minOpen": 0.6}, {}])")
        << "inputs[0].minOpen: СТ1: Миним.открытие(физ.вел.) не кратно весу импульса(физ.вел.)";
    QTest::newRow("limits") << QByteArray(R"("inputs": [{}, {"lower": 5, "upper": 5}])")
                            << "inputs[1].lower, inputs[1].upper: AN2: верхняя граница(физ.вел.) "
                               "меньше или равно нижняя граница(физ.вел.)";
}

// Faults: a key the profile misspells, a value of the wrong type or outside its list (or a
// number outside the range the page's spin box takes) is ignored or written as some code; a type
// changed without the keys it needs takes the words of the old type; a check of the settings page
// is not made, or its message does not say which key; the checks judge a float the profile leaves
// alone by its binary noise and refuse a unit the page accepts.
void TestCli::refusals()
{
    QFETCH(QByteArray, profile);
    QFETCH(QString, refusal);
    config::Settings settings = shownSettings(block());
    QStringList messages =
        applyProfile(json("{\"format\": \"morlenta-profile/1\", " + profile + "}"), settings);
    if (messages.isEmpty())
        messages = validationMessages(settings);
    QVERIFY2(refusal.isEmpty() ? messages.isEmpty() : messages.join('\n').contains(refusal),
             qPrintable(messages.join('\n')));
}

// Fault: a report message or value with a comma or a quote shifts the columns after it.
void TestCli::csvQuoting()
{
    QCOMPARE(csvLine({"a,b", "say \"hi\"", "x", ""}), QString(R"("a,b","say ""hi""",x,)"));
}

QTEST_MAIN(TestCli)
#include "tst_cli.moc"
