// The controller stand-in, driven over a pty by a bare Modbus RTU master (and, for the damaged
// replies, by raw frames).
#include "support/simharness.h"

#include <QDateTime>
#include <QFileInfo>
#include <QModbusReply>
#include <QModbusRtuSerialMaster>
#include <QSerialPort>
#include <QSignalSpy>
#include <QtTest>

#include <cstring>

namespace {

constexpr int kReplyTimeoutMs = 2000; // the master's time-out: what an unanswered request costs
constexpr int kWaitMs = 15000;
constexpr quint16 kProbe = 36858;

struct Answer
{
    QModbusDevice::Error error = QModbusDevice::UnknownError;
    int exception = 0;
    QVector<quint16> values;
    bool ok() const { return error == QModbusDevice::NoError; }
};

class Master
{
public:
    ~Master() { m_client.disconnectDevice(); }

    bool open(const QString &port)
    {
        m_client.setConnectionParameter(QModbusDevice::SerialPortNameParameter, port);
        m_client.setConnectionParameter(QModbusDevice::SerialBaudRateParameter, 9600);
        m_client.setConnectionParameter(QModbusDevice::SerialDataBitsParameter, 8);
        m_client.setConnectionParameter(QModbusDevice::SerialParityParameter,
                                        QSerialPort::NoParity);
        m_client.setConnectionParameter(QModbusDevice::SerialStopBitsParameter, 1);
        m_client.setTimeout(kReplyTimeoutMs);
        m_client.setNumberOfRetries(0);
        return m_client.connectDevice() &&
               QTest::qWaitFor([&] { return m_client.state() == QModbusDevice::ConnectedState; },
                               kWaitMs);
    }
    Answer read(int address, int start, int count)
    {
        return finish(m_client.sendReadRequest(
            QModbusDataUnit(QModbusDataUnit::HoldingRegisters, start, count), address));
    }
    // one value goes out as 0x06, more as 0x10
    Answer write(int address, int start, const QVector<quint16> &values)
    {
        return finish(m_client.sendWriteRequest(
            QModbusDataUnit(QModbusDataUnit::HoldingRegisters, start, values), address));
    }

private:
    // From the PDU's bytes: QModbusPdu's inline accessors load the function code, exception bit
    // set, into an enum that has no such value (undefined behaviour the sanitizers stop on).
    static int exceptionCode(const QModbusResponse &raw)
    {
        QByteArray bytes;
        QDataStream stream(&bytes, QIODevice::WriteOnly);
        stream << static_cast<const QModbusPdu &>(raw);
        return bytes.size() >= 2 ? quint8(bytes.at(1)) : -1;
    }

    Answer finish(QModbusReply *reply)
    {
        Answer a;
        if (!reply)
            return a;
        if (!reply->isFinished()) {
            QSignalSpy spy(reply, &QModbusReply::finished);
            if (!spy.wait(kWaitMs))
                return a;
        }
        a.error = reply->error();
        if (a.error == QModbusDevice::ProtocolError)
            a.exception = exceptionCode(reply->rawResult());
        else if (a.ok())
            a.values = reply->result().values();
        reply->deleteLater();
        return a;
    }
    QModbusRtuSerialMaster m_client;
};

quint32 pairAt(const QVector<quint16> &v, int i)
{
    return quint32(v.at(i)) << 16 | v.at(i + 1);
}

float floatAt(const QVector<quint16> &v, int i)
{
    const quint32 bits = pairAt(v, i);
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

quint16 crc16(const QByteArray &data)
{
    quint16 crc = 0xFFFF;
    for (const char c : data) {
        crc ^= quint8(c);
        for (int b = 0; b < 8; ++b)
            crc = (crc & 1) ? quint16((crc >> 1) ^ 0xA001) : quint16(crc >> 1);
    }
    return crc;
}

bool crcOk(const QByteArray &frame)
{
    const quint16 crc = crc16(frame.left(frame.size() - 2));
    return quint8(frame.at(frame.size() - 2)) == (crc & 0xFF) &&
           quint8(frame.at(frame.size() - 1)) == crc >> 8;
}

QVector<int> logged(const QList<QJsonObject> &lines, int i, const char *key)
{
    QVector<int> out;
    for (const auto &v : lines.value(i).value(QLatin1String(key)).toArray())
        out.append(v.toInt());
    return out;
}

} // namespace

#define START(harness, master)                                                                     \
    QVERIFY2(harness.start(), qPrintable(harness.simOutput()));                                    \
    QVERIFY(master.open(harness.toolPort()))

class TestSimulator : public QObject
{
    Q_OBJECT

private slots:
    void sleepsUntilTheNthProbe()
    {
        SimHarness h({"--wake-at", "2"});
        Master m;
        START(h, m);
        QCOMPARE(m.read(1, 32768, 1).error, QModbusDevice::TimeoutError);
        QCOMPARE(m.read(1, kProbe, 1).error, QModbusDevice::TimeoutError);
        const Answer probe = m.read(1, kProbe, 1);
        QVERIFY(probe.ok());
        QCOMPARE(probe.values, QVector<quint16>{0xFACE});
        QCOMPARE(m.read(1, 32768, 1).values, QVector<quint16>{1});

        QVERIFY(h.waitForRequests(4, kWaitMs));
        const auto log = h.requests();
        const int starts[] = {32768, kProbe, kProbe, 32768};
        const bool answered[] = {false, false, true, true};
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(log[i].value("addr").toInt(), 1);
            QCOMPARE(log[i].value("fn").toInt(), 3);
            QCOMPARE(log[i].value("start").toInt(), starts[i]);
            QCOMPARE(log[i].value("count").toInt(), 1);
            QCOMPARE(log[i].value("answered").toBool(), answered[i]);
            QVERIFY(!log[i].contains("values"));
        }
    }

    void sleepsAfterAnsweredRequests()
    {
        SimHarness h({"--awake", "--sleep-after", "2"});
        Master m;
        START(h, m);
        QVERIFY(m.read(1, 32768, 1).ok());
        QVERIFY(m.read(1, 36859, 2).ok());
        QCOMPARE(m.read(1, 32768, 1).error, QModbusDevice::TimeoutError);
        QCOMPARE(m.read(1, kProbe, 1).values, QVector<quint16>{0xFACE});
        QVERIFY(m.read(1, 32768, 1).ok());
    }

    void configurationBlock_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("address");
        QTest::addColumn<QVariantMap>("words");
        QTest::addColumn<QVariantMap>("floats");
        QTest::newRow("default") << QStringList{"--awake"} << 1
                                 << QVariantMap{{"0", 0xC1AB}, {"1", 0x4523}, {"2", 0xF76E},
                                                {"3", 0xAB89}, {"4", 1},      {"5", 3},
                                                {"6", 1},      {"7", 0},      {"8", 0},
                                                {"9", 0},      {"11", 2},     {"12", 4},
                                                {"13", 0},     {"15", 0},     {"16", 3},
                                                {"19", 1},     {"20", 11},    {"72", 3},
                                                {"73", 1},     {"77", 4},     {"78", 2},
                                                {"80", 6},     {"83", 1},     {"84", 0x5A5A}}
                                 << QVariantMap{{"23", 0.01}, {"39", 0.5},    {"55", 100.0},
                                                {"25", 0.0},  {"33", 1000.0}, {"27", 0.0}};
        QTest::newRow("overrides")
            << QStringList{"--awake", "--address",  "9", "--baud",   "19200", "--parity",
                           "E",       "--stop",     "2", "--input1", "1",     "--input2",
                           "3",       "--solenoid", "2", "--online", "7"}
            << 9 << QVariantMap{{"4", 9}, {"5", 4},  {"7", 1},  {"8", 1},
                                {"9", 2}, {"11", 1}, {"12", 3}, {"83", 7}}
            << QVariantMap{{"39", 2.0}, {"47", 1.0}, {"33", 10.0}};
    }

    void configurationBlock()
    {
        QFETCH(QStringList, args);
        QFETCH(int, address);
        QFETCH(QVariantMap, words);
        QFETCH(QVariantMap, floats);
        SimHarness h(args);
        Master m;
        START(h, m);
        const Answer block = m.read(address, 0, 85);
        QVERIFY(block.ok());
        QCOMPARE(block.values.size(), 85);
        for (auto it = words.cbegin(); it != words.cend(); ++it)
            QCOMPARE(int(block.values[it.key().toInt()]), it.value().toInt());
        for (auto it = floats.cbegin(); it != floats.cend(); ++it)
            QCOMPARE(floatAt(block.values, it.key().toInt()), it.value().toFloat());
        QCOMPARE(m.read(address, 153, 1).values.size(), 1);
    }

    void registerList()
    {
        SimHarness h({"--awake"});
        Master m;
        START(h, m);
        struct Range
        {
            int start, count;
        };
        const Range answered[] = {{0, 85}, {153, 1}, {32768, 67}, {36851, 1}, {kProbe, 5}};
        const Range outside[] = {{85, 1},    {84, 2},    {256, 1},  {259, 1},
                                 {32767, 2}, {36852, 1}, {36857, 2}};
        for (const Range r : answered)
            QVERIFY2(m.read(1, r.start, r.count).ok(), qPrintable(QString::number(r.start)));
        for (const Range r : outside) {
            const Answer a = m.read(1, r.start, r.count);
            QCOMPARE(a.error, QModbusDevice::ProtocolError);
            QCOMPARE(a.exception, 2);
        }
        QCOMPARE(m.write(1, 32769, {1}).exception, 2); // live values are read-only
        QCOMPARE(m.write(1, kProbe, {1}).exception, 2);
    }

    void appliesWrittenConfiguration()
    {
        SimHarness h({"--awake"});
        Master m;
        START(h, m);
        const QVector<quint16> before = m.read(1, 0, 85).values;
        QCOMPARE(before.size(), 85);
        QVector<quint16> next = before;
        next[4] = 7;
        next[9] = 1;
        next[83] = 2;
        next[84] = 0x1234;
        next[23] = 0x3DCC; // impulse weight 0.1
        next[24] = 0xCCCD;

        QVERIFY(m.write(1, 0, next).ok());
        QCOMPARE(m.read(1, 0, 85).values, before); // only pending until 256 is written
        QVERIFY(m.write(1, 256, {next[0]}).ok());
        QCOMPARE(m.read(1, 0, 1).error, QModbusDevice::TimeoutError); // old address ignored
        QCOMPARE(m.read(7, 0, 85).values, next);

        // a block that would make the controller unreachable is not applied
        QVector<quint16> bad = next;
        bad[4] = 0;
        QVERIFY(m.write(7, 0, bad).ok());
        QCOMPARE(m.write(7, 256, {bad[0]}).exception, 3);
        QCOMPARE(m.read(7, 0, 85).values, next);

        QVERIFY(h.waitForRequests(9, kWaitMs));
        const auto log = h.requests();
        QCOMPARE(log[1].value("fn").toInt(), 0x10);
        QCOMPARE(log[1].value("start").toInt(), 0);
        QCOMPARE(log[1].value("count").toInt(), 85);
        QCOMPARE(logged(log, 1, "values"), QVector<int>(next.cbegin(), next.cend()));
        QCOMPARE(log[3].value("fn").toInt(), 6);
        QCOMPARE(log[3].value("start").toInt(), 256);
        QCOMPARE(log[3].value("count").toInt(), 1);
        QCOMPARE(logged(log, 3, "values"), QVector<int>{next[0]});
        QCOMPARE(log[4].value("addr").toInt(), 1);
        QCOMPARE(log[4].value("answered").toBool(), false);
        QCOMPARE(log[5].value("addr").toInt(), 7);
        QCOMPARE(log[7].value("exception").toInt(), 3);
    }

    void countersFollowTheWeightAndReset()
    {
        SimHarness h({"--awake"});
        Master m;
        START(h, m);
        QVector<quint16> v; // 32771..32786: impulses, deltas, physical values, physical deltas
        QTRY_VERIFY_WITH_TIMEOUT(
            (v = m.read(1, 32771, 16).values).size() == 16 && pairAt(v, 0) >= 40, kWaitMs);
        const quint32 impulses = pairAt(v, 0);
        QCOMPARE(floatAt(v, 8), float(impulses * double(0.01f)));
        QCOMPARE(floatAt(v, 12), float(pairAt(v, 4) * double(0.01f)));

        QVERIFY(m.write(1, 259, {0}).ok());
        const Answer after = m.read(1, 32771, 2);
        QVERIFY(after.ok());
        QVERIFY(pairAt(after.values, 0) < impulses);
    }

    void valveAndClock()
    {
        SimHarness h({"--awake"});
        Master m;
        START(h, m);
        QCOMPARE(m.read(1, 32768, 1).values, QVector<quint16>{1});
        QVERIFY(m.write(1, 32768, {0}).ok());
        QCOMPARE(m.read(1, 32768, 1).values, QVector<quint16>{0});
        QVERIFY(m.write(1, 32768, {1}).ok());
        QCOMPARE(m.write(1, 32768, {2}).exception, 3);
        QCOMPARE(m.read(1, 32768, 1).values, QVector<quint16>{1});

        const qint64 host = QDateTime::currentSecsSinceEpoch();
        QVERIFY(qAbs(qint64(pairAt(m.read(1, 36861, 2).values, 0)) - host) < 120);
        QVERIFY(m.write(1, 36861, {0x8000, 0x0001}).ok());
        const quint32 clock = pairAt(m.read(1, 36861, 2).values, 0);
        QVERIFY(clock >= 0x80000001u && clock < 0x80000001u + 120);
        QCOMPARE(m.write(1, 36861, {0}).exception, 2); // half a clock is refused
    }

    void exceptionOption()
    {
        SimHarness h({"--awake", "--exception", "32768:4", "--exception", "259:6"});
        Master m;
        START(h, m);
        QCOMPARE(m.read(1, 32768, 1).exception, 4);
        QCOMPARE(m.read(1, 32768, 3).exception, 4);
        QCOMPARE(m.write(1, 32768, {0}).exception, 4);
        QCOMPARE(m.write(1, 259, {0}).exception, 6);
        QVERIFY(m.read(1, 32769, 2).ok());
        QVERIFY(h.waitForRequests(5, kWaitMs));
        QCOMPARE(h.requests()[3].value("exception").toInt(), 6);
        QVERIFY(!h.requests()[4].contains("exception"));
    }

    void damagedReplies_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QVector<int>>("lengths"); // of the three replies
        QTest::addColumn<int>("secondAddress");
        QTest::addColumn<bool>("secondCrcOk");
        QTest::newRow("sound") << QStringList{} << QVector<int>{9, 9, 9} << 1 << true;
        QTest::newRow("wire time")
            << QStringList{"--wire-time"} << QVector<int>{9, 9, 9} << 1 << true;
        QTest::newRow("bad crc") << QStringList{"--bad-crc-every", "2"} << QVector<int>{9, 9, 9}
                                 << 1 << false;
        QTest::newRow("wrong address")
            << QStringList{"--wrong-address-every", "2"} << QVector<int>{9, 9, 9} << 2 << true;
        QTest::newRow("truncated")
            << QStringList{"--truncate-every", "2"} << QVector<int>{9, 6, 9} << 1 << true;
        QTest::newRow("short") << QStringList{"--short-reply"} << QVector<int>{7, 7, 7} << 1
                               << true;
    }

    void damagedReplies()
    {
        QFETCH(QStringList, args);
        QFETCH(QVector<int>, lengths);
        QFETCH(int, secondAddress);
        QFETCH(bool, secondCrcOk);
        SimHarness h(QStringList{"--awake"} + args);
        QVERIFY2(h.start(), qPrintable(h.simOutput()));
        QSerialPort port(h.toolPort());
        QVERIFY(port.open(QIODevice::ReadWrite));

        QByteArray request = QByteArray::fromHex("01038ffb0002"); // temperature, 2 registers
        const quint16 crc = crc16(request);
        request.append(char(crc & 0xFF)).append(char(crc >> 8));
        for (int i = 0; i < 3; ++i) {
            QVERIFY(port.write(request) == request.size());
            QByteArray frame;
            QVERIFY(QTest::qWaitFor(
                [&] {
                    frame += port.read(lengths[i] - frame.size());
                    return frame.size() == lengths[i];
                },
                kWaitMs));
            QCOMPARE(int(quint8(frame[0])), i == 1 ? secondAddress : 1);
            QCOMPARE(int(frame[1]), 3);
            QCOMPARE(int(frame[2]), lengths[i] == 7 ? 2 : 4);
            if (lengths[i] != 6)
                QCOMPARE(crcOk(frame), i == 1 ? secondCrcOk : true);
        }
        QVERIFY(h.waitForRequests(3, kWaitMs));
        for (const auto &line : h.requests())
            QVERIFY(line.value("answered").toBool());
    }

    void lineLossAndRestart()
    {
        SimHarness h({"--awake"});
        QVERIFY2(h.start(), qPrintable(h.simOutput()));
        {
            Master m;
            QVERIFY(m.open(h.toolPort()));
            QVERIFY(m.read(1, 32768, 1).ok());
        }
        h.stopLine();
        QVERIFY(!QFileInfo::exists(h.toolPort()));
        QVERIFY(!h.simRunning());
        QVERIFY2(h.restartLine(), qPrintable(h.simOutput()));
        Master m;
        QVERIFY(m.open(h.toolPort()));
        QVERIFY(m.read(1, 32768, 1).ok());
        QVERIFY(h.waitForRequests(2, kWaitMs));
        QCOMPARE(h.requests().size(), 2); // the new sim appends to the same log
    }
};

QTEST_GUILESS_MAIN(TestSimulator)
#include "tst_simulator.moc"
