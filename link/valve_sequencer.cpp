#include "mainwindow/valve.h"
#include "ui_valve.h"

#include <QDateTime>
#include <QDebug>
#include <QModbusRtuSerialMaster>
#include <QStatusBar>
#include <QTimer>

#include <algorithm>

#include "device/registermap.h"
#include "link/commandplan.h"

using namespace morlenta;

namespace {

constexpr int kLastProbe = 4; // the probe counted with 5 is the sixth and last

// How long a request may wait for its reply before the line counts as quiet: three times the
// longest exchange the tool makes (the block written, 179 + 8 characters of up to 11 bits), and
// never less than half a second, far above what a busy machine adds.
qint64 overdueMs(int baudRate)
{
    constexpr qint64 kLongestExchangeBits = (179 + 8) * 11;
    return std::max<qint64>(500, 3 * kLongestExchangeBits * 1000 / std::max(baudRate, 1));
}

} // namespace

void Valve::requestCommand(quint16 code)
{
    m_pending = code; // replaces a command still waiting for the controller
    // A request still waiting far past its time on the wire means a line or a controller gone
    // quiet: a command sent now would queue behind it and might reach the controller after it
    // fell asleep. Probe first; the answer runs the command.
    if (m_awake && replyWaitingMs() > overdueMs(m_connection.baudRate))
        goToSleep();
    probeStep();
}

void Valve::probeStep()
{
    if (m_awake) {
        if (isConnected())
            runSequencer();
        return;
    }
    if (!isConnected())
        return; // the command stays pending until a later wake-up
    if (!m_probeTimer->isActive()) {
        m_probeTimer->start(kTickMs);
        m_probeCounter = 0;
    }
    qDebug().noquote() << QStringLiteral("I am trying%1").arg(m_probeCounter);
    sendProbe();
    if (m_probeCounter++ > kLastProbe) {
        m_probeTimer->stop();
        m_awake = false;
        m_probeCounter = 0;
    }
}

// The answer runs the pending command first, then the reads of a tick held for it.
void Valve::probeAnswer(const Route &, const quint16 *words)
{
    if (words[0] != device::kAwakeAnswer)
        return;
    runSequencer();
    m_probeTimer->stop();
    m_awake = true;
    m_probeCounter = 0;
    // Awake again, whether a command or a tick of the inputs page woke it: a yellow LED over a
    // controller whose values keep coming in would say it sleeps.
    if (isConnected())
        setLed(QLedLabel::StateGreen);
    sendNextLiveRead();
}

// Against a silent line every probe read takes the client's whole time-out and retries, and the
// reads of the probe timer, of command buttons and of live ticks would queue behind it without
// bound (any later command waiting hours). A probe step that finds a pair of probe reads still
// waiting sends none; it still counts toward the six.
void Valve::sendProbe()
{
    if (m_probesInFlight >= 2)
        return;
    if (QModbusReply *reply = read(device::route(device::Target::Probe), &Valve::probeAnswer)) {
        ++m_probesInFlight;
        connect(reply, &QObject::destroyed, this, [this] { --m_probesInFlight; });
    }
}

void Valve::runSequencer()
{
    const link::CommandPlan plan = link::commandPlan(m_pending);
    m_pending = link::NoCommand;
    const auto show = [this](const link::Message &m) { statusBar()->showMessage(m.text, m.ms); };
    if (plan.encodesForm) {
        if (!m_blockRead)
            return show(plan.notRead);
        if (encodeConfiguration() == FormCheck::InputErrors)
            return show(plan.inputError);
    }
    for (const link::Request &request : plan.requests)
        send(request);
    if (plan.ledGreen)
        setLed(QLedLabel::StateGreen);
    if (plan.connected) {
        ui->conn_dev->setEnabled(false);
        ui->GBox_2->setEnabled(true);
        ui->Sett_Tab->setEnabled(true);
        ui->Ins_Tab->setEnabled(true);
    }
    if (!plan.message.text.isEmpty())
        show(plan.message);
    if (plan.restartsPoll)
        updatePolling(PollChange::ValveCommand);
    if (plan.reconnects)
        scheduleReconnect();
}

void Valve::send(const link::Request &request)
{
    using device::Target;
    const device::Route route = device::route(request.target);
    if (!request.write) {
        read(route,
             request.target == Target::Block ? &Valve::onBlockRead : &Valve::onStoredWordRead);
        return;
    }
    switch (request.source) {
    case link::Source::Value:
        m_mirror[0] = request.value;
        break;
    case link::Source::Block:
        std::copy_n(m_config.cbegin(), route.words, m_mirror.begin());
        break;
    case link::Source::Clock: {
        const auto seconds = quint32(QDateTime::currentSecsSinceEpoch());
        m_mirror[0] = device::highWord(seconds);
        m_mirror[1] = device::lowWord(seconds);
        break;
    }
    }
    write(route.start, route.words);
}

// The controller takes the new block (and perhaps new line parameters) after the write: the
// port is released and opened again with whatever the current-connection group shows, and the
// controller is woken with command 1. Each step simply toggles the port.
void Valve::scheduleReconnect()
{
    QTimer::singleShot(link::kReleaseMs, this, [this] {
        m_probeCounter = 0;
        toggleConnection();
    });
    QTimer::singleShot(link::kReopenMs, this, [this] {
        m_probeCounter = 0;
        toggleConnection();
        m_pending = link::ConnectDevice;
        probeStep();
    });
}

void Valve::goToSleep()
{
    m_inactivityTimer->stop();
    m_awake = false;
    // A closed port keeps its red LED.
    if (isConnected())
        setLed(QLedLabel::StateYellow);
    qDebug().noquote() << QStringLiteral("go to sleep");
}

// On the inputs page, once the controller's block has been read, a tick wakes a sleeping
// controller and starts the cycle's reads (they wait for the probe's answer).
void Valve::onPollTick()
{
    if (!inputsPageShown() || !m_blockRead)
        return;
    // A tick made while the controller sleeps probes it twice: one read of its own, one from the
    // probe step. Probe reads are not live reads and are never held back.
    if (!m_awake) {
        sendProbe();
        probeStep();
    }
    pollCycle();
}

void Valve::onBlockRead(const Route &, const quint16 *words)
{
    decodeConfiguration(words);
    m_blockRead = true; // the transport then restarts the inactivity time with the online time read
}

void Valve::onStoredWordRead(const Route &, const quint16 *words)
{
    m_storedWord = words[0];
}
