#include "mainwindow/valve.h"
#include "ui_valve.h"

#include <QDebug>
#include <QModbusDataUnit>
#include <QModbusReply>
#include <QModbusRtuSerialMaster>
#include <QStatusBar>
#include <QTimer>

#include <algorithm>

#include "device/registermap.h"
#include "link/dispatch.h"
#include "link/messages.h"

using namespace morlenta;

namespace {

constexpr int kMessageMs = 5000;

} // namespace

QModbusReply *Valve::read(quint16 start, quint16 count)
{
    if (!m_client)
        return nullptr;
    statusBar()->clearMessage();
    const QModbusDataUnit unit(QModbusDataUnit::HoldingRegisters, start, count);
    QModbusReply *reply = m_client->sendReadRequest(unit, m_serverAddress);
    if (!reply) {
        statusBar()->showMessage(link::readSendError(m_client->errorString()), kMessageMs);
        return nullptr;
    }
    if (reply->isFinished()) {
        delete reply;
        return nullptr;
    }
    connect(reply, &QModbusReply::finished, this, &Valve::onReadReply);
    return reply;
}

void Valve::write(quint16 start, quint16 count)
{
    if (!m_client)
        return;
    statusBar()->clearMessage();
    QModbusDataUnit unit(QModbusDataUnit::HoldingRegisters, start, count);
    const int words = std::min<int>(count, kMirrorWords);
    for (int i = 0; i < words; ++i)
        unit.setValue(i, m_mirror[i]);
    if (QModbusReply *reply = m_client->sendWriteRequest(unit, m_serverAddress)) {
        if (reply->isFinished())
            reply->deleteLater();
        else
            connect(reply, &QModbusReply::finished, this, [this, reply] { onWriteReply(reply); });
    } else {
        statusBar()->showMessage(link::writeSendError(m_client->errorString()), kMessageMs);
    }
    restartInactivityTimer();
}

void Valve::onReadReply()
{
    auto *reply = qobject_cast<QModbusReply *>(sender());
    if (!reply)
        return;
    if (reply->error() != QModbusDevice::NoError) {
        statusBar()->showMessage(link::readReplyError(reply->error(), reply->errorString(),
                                                      link::exceptionCodeOf(reply->rawResult())),
                                 kMessageMs);
    } else {
        const QModbusDataUnit unit = reply->result();
        if (unit.startAddress() != device::route(device::Target::Probe).start)
            restartInactivityTimer();
        const QVector<quint16> values = unit.values().mid(0, int(unit.valueCount()));
        const int copied = link::copyToMirror(values, m_mirror.data(), kMirrorWords);
        dispatchRead(unit.startAddress(), copied);
    }
    reply->deleteLater();
}

void Valve::onWriteReply(QModbusReply *reply)
{
    if (reply->error() != QModbusDevice::NoError)
        statusBar()->showMessage(link::writeReplyError(reply->error(), reply->errorString(),
                                                       link::exceptionCodeOf(reply->rawResult())),
                                 kMessageMs);
    reply->deleteLater();
}

// Runs after the mirror copy. A reply with fewer words than its handler reads would show or
// decode stale mirror words (the client does not check the count), so it is dropped here.
void Valve::dispatchRead(int start, int valueCount)
{
    using device::Target;
    const device::Route route = link::routeFor(start);
    if (route.target == Target::None)
        return;
    if (valueCount < route.words) {
        qDebug().noquote() << QStringLiteral("reply at %1 carries %2 of %3 words, not shown")
                                  .arg(start)
                                  .arg(valueCount)
                                  .arg(route.words);
        return;
    }
    const quint32 word32 = device::joinWords(m_mirror[0], m_mirror[1]);
    switch (route.target) {
    case Target::Block:
        decodeConfiguration();
        break;
    case Target::StoredWord:
        m_storedWord = m_mirror[0];
        break;
    case Target::Solenoid:
        showSolenoid(m_mirror[0]);
        break;
    case Target::Discrete:
        showDiscrete(route.input, m_mirror[0] != 0);
        break;
    case Target::Counter:
        showCounter(route.input, route.quantity, word32);
        break;
    case Target::Analog:
        showAnalog(route.input, route.quantity, word32);
        break;
    case Target::Capacitor:
        showCapacitor(m_mirror[0]);
        break;
    case Target::Probe:
        probeAnswer();
        break;
    case Target::Temperature:
        showTemperature(word32);
        break;
    case Target::Clock:
        showClock(word32);
        break;
    default:
        break;
    }
}

void Valve::restartInactivityTimer()
{
    m_inactivityTimer->start(device::onlineSeconds(m_config[device::reg::OnlineTime]) * 1000);
}
