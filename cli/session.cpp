#include "cli/session.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QModbusReply>
#include <QModbusRtuSerialMaster>
#include <QSocketNotifier>
#include <QTimer>
#include <QVariant>

#include "cli/trace.h"
#include "transport/messages.h"

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace morlenta::cli {

namespace {

constexpr int kProbes = 6;
constexpr int kProbeMs = 1000;
// A controller counts as asleep this long before its online time is over: the time a request
// needs to reach it at a slow rate.
constexpr qint64 kOnlineMarginMs = 1000;

bool g_interrupted = false;
QSocketNotifier *g_interrupts = nullptr; // readable once a signal arrived
#ifdef Q_OS_UNIX
int g_signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(g_signalPipe[0], &byte, 1);
}
#endif

// Runs an event loop until `done` is emitted or an interrupt arrives.
template <typename Sender, typename Signal> void runUntil(Sender *sender, Signal done)
{
    QEventLoop loop;
    QObject::connect(sender, done, &loop, &QEventLoop::quit);
    if (g_interrupts)
        QObject::connect(g_interrupts, &QSocketNotifier::activated, &loop, &QEventLoop::quit);
    if (!g_interrupted)
        loop.exec();
}

QString outcomeText(const LinkResult &r)
{
    switch (r.status) {
    case LinkResult::Ok:
        return QStringLiteral("ok");
    case LinkResult::Timeout:
        return QStringLiteral("timeout");
    case LinkResult::Exception:
        return QStringLiteral("exception %1").arg(r.exceptionCode, 2, 16, QLatin1Char('0'));
    case LinkResult::ShortReply:
        return QStringLiteral("short %1/%2").arg(r.words.size()).arg(r.count);
    case LinkResult::PortLost:
        return QStringLiteral("port lost: ") + r.detail;
    default:
        return QStringLiteral("error: ") + r.detail;
    }
}

} // namespace

LineSession::LineSession(const LineOptions &line, QObject *parent) : QObject(parent), m_line(line)
{
}

LineSession::~LineSession()
{
    close();
}

LinkResult LineSession::open()
{
    if (!m_client) {
        m_client = new QModbusRtuSerialMaster(this);
        // A vanished port leaves the client connected, raising errors in a busy loop while its
        // replies never finish: disconnecting ends them all.
        connect(m_client, &QModbusDevice::errorOccurred, this, [this](QModbusDevice::Error error) {
            if ((error == QModbusDevice::ReadError || error == QModbusDevice::WriteError ||
                 error == QModbusDevice::ConnectionError) &&
                m_client->state() == QModbusDevice::ConnectedState) {
                m_lostReason = m_client->errorString();
                m_client->disconnectDevice();
            }
        });
    }
    m_lostReason.clear();
    m_awake = false;
    m_client->setConnectionParameter(QModbusDevice::SerialPortNameParameter, m_line.port);
    m_client->setConnectionParameter(QModbusDevice::SerialBaudRateParameter, m_line.baud);
    m_client->setConnectionParameter(QModbusDevice::SerialDataBitsParameter, m_line.dataBits);
    m_client->setConnectionParameter(QModbusDevice::SerialParityParameter, m_line.parity);
    m_client->setConnectionParameter(QModbusDevice::SerialStopBitsParameter, m_line.stopBits);
    m_client->setTimeout(m_line.timeoutMs);
    m_client->setNumberOfRetries(m_line.retries);
    traceLine(QStringLiteral("open %1 %2 baud, %3 data bits, parity %4, %5 stop bits, address %6")
                  .arg(m_line.port)
                  .arg(m_line.baud)
                  .arg(m_line.dataBits)
                  .arg(parityName(m_line.parity))
                  .arg(m_line.stopBits)
                  .arg(m_line.address));
    LinkResult r;
    if (!m_client->connectDevice()) {
        r.status = LinkResult::OpenFailed;
        r.error = m_client->error();
        r.detail = m_client->errorString();
        traceLine(QStringLiteral("open failed: ") + r.detail);
        return r;
    }
    // The client only ever raises its inter-frame delay: let it compute it for this rate.
    m_client->setInterFrameDelay(0);
    return r;
}

void LineSession::close()
{
    m_awake = false;
    if (m_client && m_client->state() != QModbusDevice::UnconnectedState) {
        m_client->disconnectDevice();
        traceLine(QStringLiteral("close"));
    }
}

bool LineSession::awake() const
{
    return m_awake && m_lastAnswer.isValid() &&
           m_lastAnswer.elapsed() + kOnlineMarginMs < m_onlineMs;
}

LinkResult LineSession::wake()
{
    if (!m_client)
        return send(device::route(device::Target::Probe), nullptr); // fails: not open
    m_client->setTimeout(kProbeMs);
    m_client->setNumberOfRetries(0);
    LinkResult last;
    bool answered = false;
    for (m_probes = 1; m_probes <= kProbes; ++m_probes) {
        QElapsedTimer started;
        started.start();
        last = send(device::route(device::Target::Probe), nullptr);
        answered = last.ok() && last.words.value(0) == device::kAwakeAnswer;
        if (answered || last.status == LinkResult::PortLost || m_probes == kProbes ||
            !pause(kProbeMs - started.elapsed()))
            break;
    }
    m_client->setTimeout(m_line.timeoutMs);
    m_client->setNumberOfRetries(m_line.retries);
    m_awake = answered;
    if (!answered && last.status != LinkResult::PortLost) {
        last.status = LinkResult::NoAnswer;
        last.words.clear();
    }
    return last;
}

LinkResult LineSession::read(const device::Route &route)
{
    if (!awake()) {
        const LinkResult woken = wake();
        if (!woken.ok())
            return woken;
    }
    return send(route, nullptr);
}

LinkResult LineSession::write(const device::Route &route, const QVector<quint16> &words)
{
    if (!awake()) {
        const LinkResult woken = wake();
        if (!woken.ok())
            return woken;
    }
    return send(route, &words);
}

LinkResult LineSession::send(const device::Route &route, const QVector<quint16> *words)
{
    LinkResult r;
    r.write = words != nullptr;
    r.start = route.start;
    r.count = route.words;
    const TracedRequest traced{words ? (route.words == 1 ? 0x06 : 0x10) : 0x03, route.start,
                               route.words, words ? *words : QVector<quint16>()};
    if (!m_client || m_client->state() != QModbusDevice::ConnectedState) {
        r.status = m_lostReason.isEmpty() ? LinkResult::Failed : LinkResult::PortLost;
        r.detail = m_lostReason.isEmpty() ? QStringLiteral("порт закрыт") : m_lostReason;
        return r;
    }
    QModbusDataUnit unit(QModbusDataUnit::HoldingRegisters, route.start, route.words);
    if (words)
        unit.setValues(*words);
    traceLine(requestText(traced));
    QElapsedTimer sent;
    sent.start();
    QModbusReply *reply = words ? m_client->sendWriteRequest(unit, m_line.address)
                                : m_client->sendReadRequest(unit, m_line.address);
    if (!reply) {
        r.status = LinkResult::Failed;
        r.error = m_client->error();
        r.detail = m_client->errorString();
        traceLine(replyText(sent.elapsed(), traced, {}, outcomeText(r)));
        return r;
    }
    if (!reply->isFinished())
        runUntil(reply, &QModbusReply::finished);
    if (!reply->isFinished())
        m_client->disconnectDevice(); // interrupted: ends the reply

    r.error = reply->error();
    r.detail = reply->errorString();
    switch (reply->error()) {
    case QModbusDevice::NoError:
        if (!words) {
            const QModbusDataUnit result = reply->result();
            r.words = result.values().mid(0, int(result.valueCount()));
            if (r.words.size() < route.words)
                r.status = LinkResult::ShortReply;
        }
        break;
    case QModbusDevice::TimeoutError:
        r.status = LinkResult::Timeout;
        break;
    case QModbusDevice::ProtocolError:
        r.status = LinkResult::Exception;
        r.exceptionCode = transport::exceptionCodeOf(reply->rawResult());
        break;
    default:
        r.status = m_lostReason.isEmpty() ? LinkResult::Failed : LinkResult::PortLost;
        if (!m_lostReason.isEmpty())
            r.detail = m_lostReason;
        break;
    }
    // Finished, and no longer in the client's hands (it keeps only a guarded pointer).
    delete reply;

    traceLine(replyText(sent.elapsed(), traced, r.words, outcomeText(r)));
    if (r.ok() || r.status == LinkResult::Exception || r.status == LinkResult::ShortReply) {
        m_awake = true; // whatever it answered, the controller is awake since this request
        m_lastAnswer = sent;
    } else if (r.status == LinkResult::Timeout) {
        m_awake = false; // it may have fallen asleep
    }
    return r;
}

bool LineSession::pause(qint64 ms)
{
    if (ms > 0 && !g_interrupted) {
        QTimer timer;
        timer.setSingleShot(true);
        timer.setTimerType(Qt::PreciseTimer); // a coarse timer may end 5 % early
        timer.start(int(ms));
        runUntil(&timer, &QTimer::timeout);
    }
    return !g_interrupted;
}

bool LineSession::interrupted()
{
    return g_interrupted;
}

void LineSession::catchInterrupts()
{
#ifdef Q_OS_UNIX
    if (g_interrupts || ::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe) != 0)
        return;
    g_interrupts = new QSocketNotifier(g_signalPipe[1], QSocketNotifier::Read, qApp);
    QObject::connect(g_interrupts, &QSocketNotifier::activated, [] {
        char byte;
        [[maybe_unused]] const ssize_t got = ::read(g_signalPipe[1], &byte, 1);
        g_interrupted = true;
    });
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
#endif
}

} // namespace morlenta::cli
