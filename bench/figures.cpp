#include "bench/figures.h"

#include <QDateTime>
#include <QEventLoop>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QModbusReply>
#include <QModbusRtuSerialMaster>
#include <QRegularExpression>
#include <QSerialPort>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <time.h>

#include "bench/wirelimit.h"
#include "support/simharness.h"
#include "support/toolrig.h"
#include "widgets/windowframe.h"

using namespace morlenta;

namespace bench {

namespace {

using VTA = ValveTestAccess;
constexpr int kReplyMs = 30000;  // far above any answered exchange
constexpr int kRestMs = 150;     // idle line between two clicks
const Valve::ClientTiming kTool; // the tool's own time-out and retries

qint64 wallClockUs()
{
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    return qint64(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
}

bool fail(const char *what)
{
    std::fprintf(stderr, "morlenta-bench: %s\n", what);
    return false;
}

void printLine(const QJsonObject &o)
{
    std::printf("%s\n", QJsonDocument(o).toJson(QJsonDocument::Compact).constData());
}

qint64 statusKb(const char *field) // a field of /proc/self/status
{
    QFile status(QStringLiteral("/proc/self/status"));
    const QByteArray key = QByteArray(field) + ':';
    for (const QByteArray &line :
         status.open(QIODevice::ReadOnly) ? status.readAll().split('\n') : QList<QByteArray>())
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

// Runs a real event loop until `loop` is quit or `timeoutMs` passes; false on the time-out.
// (QTest::qWaitFor sleeps between its rounds, which would hold up the replies being timed.)
bool runLoop(QEventLoop &loop, int timeoutMs)
{
    bool late = false;
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &loop, [&] {
        late = true;
        loop.quit();
    });
    deadline.start(timeoutMs);
    loop.exec();
    return !late;
}

// Runs the event loop until every reply is handled; `handled` gets each, with the time the
// window's own handler (connected when the reply was made) has ended.
bool awaitReplies(const QVector<QModbusReply *> &replies,
                  const std::function<void(QModbusReply *, qint64)> &handled)
{
    QEventLoop loop;
    int left = replies.size();
    for (QModbusReply *reply : replies)
        QObject::connect(reply, &QModbusReply::finished, &loop, [&, reply] {
            handled(reply, monotonicNs());
            if (--left == 0)
                loop.quit();
        });
    return !replies.isEmpty() && !replies.contains(nullptr) && runLoop(loop, kReplyMs);
}

// An event filter made of a function; it never takes the event.
class Filter : public QObject
{
public:
    explicit Filter(std::function<void(QObject *, QEvent *)> f) : m_f(std::move(f)) {}
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        m_f(watched, event);
        return false;
    }

private:
    std::function<void(QObject *, QEvent *)> m_f;
};

// The tool's window on a fresh line, framed and shown, the controller awake, its block read.
struct Tool
{
    bool start(int baud, bool dumpLine = false)
    {
        line.dumpLine = dumpLine;
        if (!line.start(simArgs(kHeaviest, baud)) || !rig.start(line.toolPort(), baud))
            return fail("no line");
        frame = std::make_unique<windowframe>(nullptr, rig.valve.get());
        frame->show();
        return rig.openAndRead() || fail("the tool did not connect");
    }

    // The replies the client waits for that no earlier call returned.
    QVector<QModbusReply *> newReplies()
    {
        QVector<QModbusReply *> out;
        for (QModbusReply *r : VTA::client(*rig.valve)->findChildren<QModbusReply *>())
            if (!r->isFinished() && !r->property("benchSeen").toBool())
                r->setProperty("benchSeen", true), out.append(r);
        return out;
    }

    // Clicks `button` while awake and waits for its replies; false when it sent nothing or an
    // answer failed. Asleep, a click would first probe the controller: that is not the figure.
    bool click(QAbstractButton *button, const std::function<void(QModbusReply *, qint64)> &handled)
    {
        QTest::qWait(kRestMs);
        if (!rig.awake())
            return fail("the controller fell asleep");
        bool failed = false;
        clickedUs = wallClockUs();
        clickedNs = monotonicNs();
        button->click();
        return awaitReplies(newReplies(),
                            [&](QModbusReply *r, qint64 at) {
                                failed |= r->error() != QModbusDevice::NoError;
                                handled(r, at);
                            }) &&
               (!failed || fail("a reply failed"));
    }

    qint64 clickedUs = 0, clickedNs = 0; // just before the last click, wall and monotonic clock
    SimHarness line;
    std::unique_ptr<windowframe> frame; // declared before the rig: the rig's window goes first
    ToolRig rig{kTool.responseTimeoutMs, kTool.retries};
};

// The requests socat moved toward the simulator: wall-clock time in microseconds, and bytes. Its
// dump has a header per chunk, then the bytes in hex:
//   > 2026/12/06 19:36:34.000164502  length=8 from=0 to=7
//    01 03 80 2b 00 02 9d c3
// socat 1.7.4 prints microseconds in that nine-digit field; a dump with a larger fraction is in
// nanoseconds.
QVector<QPair<qint64, QByteArray>> requestsOnLine(const QString &dumpPath)
{
    static const QRegularExpression header(
        QStringLiteral(R"(^> (\d{4}/\d\d/\d\d \d\d:\d\d:\d\d)\.(\d+) )"));
    QFile dump(dumpPath);
    const QList<QByteArray> lines =
        dump.open(QIODevice::ReadOnly) ? dump.readAll().split('\n') : QList<QByteArray>();
    QVector<QPair<qint64, QByteArray>> out;
    QVector<qint64> fractions;
    for (int i = 0; i + 1 < lines.size(); ++i) {
        const QRegularExpressionMatch m = header.match(QString::fromLatin1(lines[i]));
        if (!m.hasMatch())
            continue;
        const QDateTime t =
            QDateTime::fromString(m.captured(1), QStringLiteral("yyyy/MM/dd HH:mm:ss"));
        out.append({t.toSecsSinceEpoch() * 1000000, QByteArray::fromHex(lines[i + 1])});
        fractions.append(m.captured(2).toLongLong());
    }
    const bool ns =
        std::any_of(fractions.begin(), fractions.end(), [](qint64 f) { return f > 999999; });
    for (int i = 0; i < out.size(); ++i)
        out[i].first += ns ? fractions[i] / 1000 : fractions[i];
    return out;
}

} // namespace

qint64 monotonicNs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

ToolCycles toolCycles(int baud, int cycles)
{
    Tool tool;
    if (!tool.start(baud))
        return {};
    QTimer *poll = VTA::pollTimer(*tool.rig.valve);
    QTimer *hold = VTA::valueHold(*tool.rig.valve);
    qint64 tickNs = 0;
    Filter stamp([&](QObject *, QEvent *e) {
        if (e->type() == QEvent::Timer)
            tickNs = monotonicNs();
    });
    poll->installEventFilter(&stamp);
    ToolCycles out;
    QEventLoop loop;
    const int reads = cycleOf(kHeaviest).size();
    int handled = -1; // replies of the cycle handled; -1: none under way
    bool failed = false;
    qint64 tick = 0;
    // The window's pass over the held values runs on the hold timer, after the last reply; this
    // is connected after the window's.
    qint64 handledNs = 0;
    QObject::connect(hold, &QTimer::timeout, &loop, [&] {
        if (handledNs == 0)
            return;
        out.shown.append(msBetween(tick, monotonicNs()));
        handledNs = 0;
        if (out.shown.size() >= cycles)
            loop.quit();
    });
    // The window sends each read of a cycle from its handler of the one before; these are
    // connected after the window's handlers, so the next read is in the client by then.
    std::function<bool()> watchNext = [&] {
        const QVector<QModbusReply *> next = tool.newReplies();
        if (next.size() != 1)
            return false;
        QObject::connect(next[0], &QModbusReply::finished, &loop, [&, r = next[0]] {
            failed |= r->error() != QModbusDevice::NoError;
            if (++handled < reads) {
                if (!watchNext())
                    fail("a read of the cycle did not follow the one before"), loop.quit();
                return;
            }
            handledNs = monotonicNs();
            if (!failed || fail("a reply of the cycle failed"))
                out.handled.append(msBetween(tick, handledNs));
            handled = -1;
        });
        return true;
    };
    QObject::connect(poll, &QTimer::timeout, &loop, [&] {
        if (handled >= 0) // the last cycle is still being worked off
            return;
        tick = tickNs;
        handled = 0;
        failed = false;
        if (!watchNext())
            fail("a tick did not send the first read of the cycle"), loop.quit();
    });
    tool.rig.showPage(tool.rig.ui->Ins_Tab); // starts the poll timer
    runLoop(loop, cycles * 5000 + kReplyMs);
    return out;
}

QVector<double> bareCycles(int baud, int cycles)
{
    SimHarness line;
    if (!line.start(simArgs(kHeaviest, baud)))
        return {};
    QModbusRtuSerialMaster client;
    client.setConnectionParameter(QModbusDevice::SerialPortNameParameter, line.toolPort());
    client.setConnectionParameter(QModbusDevice::SerialBaudRateParameter, baud);
    client.setConnectionParameter(QModbusDevice::SerialDataBitsParameter, QSerialPort::Data8);
    client.setConnectionParameter(QModbusDevice::SerialParityParameter, QSerialPort::NoParity);
    client.setConnectionParameter(QModbusDevice::SerialStopBitsParameter, QSerialPort::OneStop);
    client.setTimeout(kTool.responseTimeoutMs);
    client.setNumberOfRetries(kTool.retries);
    if (!client.connectDevice())
        return fail("the bare client cannot open the line"), QVector<double>();
    client.setInterFrameDelay(0); // as the tool does: the delay of this baud rate, not more
    QVector<double> out;
    for (int i = 0; i < cycles; ++i) {
        QTest::qWait(250);
        const qint64 start = monotonicNs();
        QVector<QModbusReply *> replies;
        for (const device::Route &r : cycleOf(kHeaviest))
            replies.append(client.sendReadRequest(
                QModbusDataUnit(QModbusDataUnit::HoldingRegisters, r.start, r.words), 1));
        // what any client does with a reply: check it, take its values, let it go
        bool failed = false;
        qint64 end = 0;
        if (!awaitReplies(replies, [&](QModbusReply *r, qint64) {
                failed |= r->error() != QModbusDevice::NoError || r->result().values().isEmpty();
                r->deleteLater();
                end = monotonicNs();
            }))
            return fail("the bare client's cycle did not complete"), out;
        if (!failed || fail("a reply to the bare client failed"))
            out.append(msBetween(start, end));
    }
    client.disconnectDevice();
    return out;
}

ConfigReads configReads(int baud, int reps)
{
    ConfigReads out;
    Tool tool;
    if (!tool.start(baud))
        return out;
    tool.rig.showPage(tool.rig.ui->Sett_Tab);
    for (int i = 0; i < reps; ++i) {
        qint64 decoded = 0, done = 0;
        if (!tool.click(tool.rig.ui->read_sett, [&](QModbusReply *r, qint64 at) {
                decoded = r->result().startAddress() == 0 ? at : decoded; // the 85 registers
                done = at;
            }))
            break;
        out.decoded.append(msBetween(tool.clickedNs, decoded));
        out.done.append(msBetween(tool.clickedNs, done));
    }
    return out;
}

QVector<double> clickToWire(int baud, int reps, int *qtPauseMs)
{
    Tool tool;
    if (!tool.start(baud, true))
        return {};
    *qtPauseMs = VTA::client(*tool.rig.valve)->interFrameDelay() / 1000;
    // On the connection page the poll timer, restarted by the valve commands, sends nothing.
    QVector<qint64> clicks;
    for (int i = 0; i < reps; ++i) {
        if (!tool.click(i % 2 ? tool.rig.ui->sol_open : tool.rig.ui->sol_close,
                        [](QModbusReply *, qint64) {}))
            return {};
        clicks.append(tool.clickedUs);
    }
    // The first request on the line after each click: the write of register 32768.
    const auto requests = requestsOnLine(tool.line.dumpPath());
    QVector<double> out;
    for (qint64 click : clicks)
        for (const auto &[us, bytes] : requests)
            if (us >= click) {
                if (bytes.startsWith(QByteArray::fromHex("01068000")))
                    out.append((us - click) / 1000.0);
                break;
            }
    return out;
}

QVector<double> mbpollCycles(int baud, int polls, int pauseMs)
{
    QVector<double> cycles(polls, 0.0);
    for (const device::Route &r : cycleOf(kHeaviest)) {
        SimHarness line;
        line.dumpLine = true;
        if (!line.start(simArgs(kHeaviest, baud)))
            return {};
        ChildProcess mbpoll;
        mbpoll.setStandardOutputFile(QProcess::nullDevice());
        mbpoll.setStandardErrorFile(QProcess::nullDevice());
        mbpoll.start(QStringLiteral("mbpoll"),
                     QStringLiteral("-m rtu -a 1 -b %1 -d 8 -s 1 -P none -t 4:hex -0 -r %2 -c %3 "
                                    "-l %4 -o 1 %5")
                         .arg(baud)
                         .arg(r.start)
                         .arg(r.words)
                         .arg(pauseMs)
                         .arg(line.toolPort())
                         .split(QLatin1Char(' ')));
        if (!line.waitFor([&](const QVector<SimRequest> &log) { return log.size() > polls; }))
            return fail("mbpoll did not poll"), QVector<double>();
        mbpoll.end();
        QVector<qint64> sent; // times of mbpoll's requests, whole in one chunk each
        for (const auto &[us, bytes] : requestsOnLine(line.dumpPath()))
            if (bytes.size() == 8)
                sent.append(us);
        if (sent.size() <= polls)
            return fail("mbpoll's requests are not on the line"), QVector<double>();
        for (int k = 0; k < polls; ++k)
            cycles[k] += (sent[k + 1] - sent[k]) / 1000.0 - pauseMs;
    }
    return cycles;
}

int startChild(QApplication &app)
{
    const qint64 before = monotonicNs();
    auto *valve = new Valve;
    const double valveMs = msBetween(before, monotonicNs());
    windowframe frame(nullptr, valve);
    // The first paint pass of the window or of anything inside it has ended and its frame has
    // been flushed once the event loop is back.
    bool painted = false;
    Filter firstPaint([&](QObject *watched, QEvent *e) {
        if (painted || e->type() != QEvent::Paint ||
            (watched != valve && !valve->isAncestorOf(qobject_cast<QWidget *>(watched))))
            return;
        painted = true;
        QTimer::singleShot(0, &app, [&] {
            printLine({{"flushedNs", monotonicNs()},
                       {"valveMs", valveMs},
                       {"rssKb", statusKb("VmRSS")},
                       {"anonKb", statusKb("RssAnon")}});
            app.quit();
        });
    });
    app.installEventFilter(&firstPaint);
    frame.show();
    return app.exec();
}

int pollChild(const QString &port, double minutes)
{
    std::unique_ptr<windowframe> frame; // declared before the rig: the rig's window goes first
    ToolRig rig(kTool.responseTimeoutMs, kTool.retries);
    if (!rig.start(port, 9600))
        return fail("no line"), 1;
    frame = std::make_unique<windowframe>(nullptr, rig.valve.get());
    frame->show();
    if (!rig.openAndRead())
        return fail("the tool did not connect"), 1;
    int ticks = 0;
    QObject::connect(VTA::pollTimer(*rig.valve), &QTimer::timeout, [&] { ++ticks; });
    const int messages = rig.messages.size();
    rig.showPage(rig.ui->Ins_Tab);
    if (!QTest::qWaitFor([&] { return ticks > 0; }, SimHarness::kWaitMs))
        return fail("the tool does not poll"), 1;
    const qint64 rssKb = statusKb("VmRSS"), anonKb = statusKb("RssAnon");
    QEventLoop loop;
    runLoop(loop, int(minutes * 60000));
    QJsonObject o{{"ticks", ticks},
                  {"rssStartKb", rssKb},
                  {"anonStartKb", anonKb},
                  {"rssKb", statusKb("VmRSS")},
                  {"anonKb", statusKb("RssAnon")},
                  {"peakKb", statusKb("VmHWM")},
                  {"messages", rig.messages.size() - messages}};
    // Off the inputs page polling stops; every reply of the last cycle is then deleted.
    rig.showPage(rig.ui->Conn_Tab);
    QModbusClient *client = VTA::client(*rig.valve);
    if (!QTest::qWaitFor([&] { return client->findChildren<QModbusReply *>().isEmpty(); },
                         kReplyMs))
        fail("replies are left after polling");
    o.insert(QStringLiteral("repliesLeft"), client->findChildren<QModbusReply *>().size());
    printLine(o);
    return 0;
}

} // namespace bench
