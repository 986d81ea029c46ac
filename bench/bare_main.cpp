// morlenta-bench-bare: the reads of the heaviest poll cycle sent by a bare QModbusRtuSerialMaster
// with the tool's line settings, time-out and retries, and nothing else around it. It is the
// reference for what the tool itself adds to a cycle.
//
//   morlenta-bench-bare --port PATH --baud N [--cycles N] [--gap-ms N]
//
// Each cycle queues all reads at once, as the tool's poll tick does, and lasts from just before the
// first is queued to the end of the handler of the last reply. Prints one JSON line per cycle.
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QModbusDataUnit>
#include <QModbusReply>
#include <QModbusRtuSerialMaster>
#include <QSerialPort>
#include <QTimer>

#include <algorithm>
#include <cstdio>

#include "bench/clock.h"
#include "bench/jsonline.h"
#include "bench/wirelimit.h"

namespace {

class BareCycles
{
public:
    BareCycles(QModbusRtuSerialMaster &client, int cycles, int gapMs)
        : m_client(client), m_cycles(cycles), m_gapMs(gapMs)
    {
    }

    void runCycle()
    {
        m_left = 0;
        m_errors = 0;
        m_startNs = bench::monotonicNs();
        for (const bench::Read &r : bench::heaviestCycle()) {
            const QModbusDataUnit unit(QModbusDataUnit::HoldingRegisters, r.start, r.count);
            QModbusReply *reply = m_client.sendReadRequest(unit, 1);
            if (!reply || reply->isFinished()) {
                ++m_errors;
                delete reply;
                continue;
            }
            ++m_left;
            const uint expected = r.count;
            QObject::connect(reply, &QModbusReply::finished, reply,
                             [this, reply, expected] { handle(reply, expected); });
        }
        if (m_left == 0)
            finishCycle();
    }

private:
    // What any client does with a reply: check it, take its values, let it go.
    void handle(QModbusReply *reply, uint expected)
    {
        if (reply->error() != QModbusDevice::NoError || reply->result().valueCount() != expected)
            ++m_errors;
        reply->deleteLater();
        if (--m_left == 0)
            finishCycle();
    }

    void finishCycle()
    {
        bench::emitLine({{QStringLiteral("figure"), QStringLiteral("bare")},
                         {QStringLiteral("ms"), bench::msBetween(m_startNs, bench::monotonicNs())},
                         {QStringLiteral("replies"), bench::heaviestCycle().size()},
                         {QStringLiteral("errors"), m_errors}});
        if (++m_done >= m_cycles)
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        else
            QTimer::singleShot(m_gapMs, qApp, [this] { runCycle(); });
    }

    QModbusRtuSerialMaster &m_client;
    const int m_cycles;
    const int m_gapMs;
    int m_done = 0;
    int m_left = 0;
    int m_errors = 0;
    qint64 m_startNs = 0;
};

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addOptions(
        {{QStringLiteral("port"), QStringLiteral("Device path."), QStringLiteral("path")},
         {QStringLiteral("baud"), QStringLiteral("Baud rate."), QStringLiteral("n"),
          QStringLiteral("9600")},
         {QStringLiteral("cycles"), QStringLiteral("Cycles."), QStringLiteral("n"),
          QStringLiteral("20")},
         {QStringLiteral("gap-ms"), QStringLiteral("Idle line between cycles."),
          QStringLiteral("ms"), QStringLiteral("250")}});
    parser.process(app);

    QModbusRtuSerialMaster client;
    client.setConnectionParameter(QModbusDevice::SerialPortNameParameter,
                                  parser.value(QStringLiteral("port")));
    client.setConnectionParameter(QModbusDevice::SerialBaudRateParameter,
                                  parser.value(QStringLiteral("baud")).toInt());
    client.setConnectionParameter(QModbusDevice::SerialDataBitsParameter, QSerialPort::Data8);
    client.setConnectionParameter(QModbusDevice::SerialParityParameter, QSerialPort::NoParity);
    client.setConnectionParameter(QModbusDevice::SerialStopBitsParameter, QSerialPort::OneStop);
    client.setTimeout(5000);
    client.setNumberOfRetries(5);
    if (!client.connectDevice()) {
        std::fprintf(stderr, "morlenta-bench-bare: cannot open %s: %s\n",
                     qPrintable(parser.value(QStringLiteral("port"))),
                     qPrintable(client.errorString()));
        return 1;
    }
    client.setInterFrameDelay(0); // as the tool does: the delay of this baud rate, not more

    BareCycles cycles(client, std::max(1, parser.value(QStringLiteral("cycles")).toInt()),
                      parser.value(QStringLiteral("gap-ms")).toInt());
    QTimer::singleShot(0, &app, [&cycles] { cycles.runCycle(); });
    const int rc = app.exec();
    client.disconnectDevice();
    return rc;
}
