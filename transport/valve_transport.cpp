// The request transport: reads and writes through the one Modbus client, the messages of refused
// and failed requests, the mirror every reply lands in, and the inactivity time that traffic
// restarts. It calls nothing above it: a finished read goes to the handler its sender attached.
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
#include "transport/messages.h"

using namespace morlenta;

bool Valve::isConnected() const
{
    return m_client && m_client->state() == QModbusDevice::ConnectedState;
}

QModbusReply *Valve::read(const Route &route, ReadHandler handler)
{
    if (!m_client)
        return nullptr;
    statusBar()->clearMessage();
    const QModbusDataUnit unit(QModbusDataUnit::HoldingRegisters, route.start, route.words);
    QModbusReply *reply = m_client->sendReadRequest(unit, m_serverAddress);
    if (!reply) {
        statusBar()->showMessage(transport::readSendError(m_client->errorString()), kMessageMs);
        return nullptr;
    }
    if (reply->isFinished()) {
        delete reply;
        return nullptr;
    }
    connect(reply, &QModbusReply::finished, this,
            [this, reply, route, handler] { finishRead(reply, route, handler); });
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
        statusBar()->showMessage(transport::writeSendError(m_client->errorString()), kMessageMs);
    }
    restartInactivityTimer();
}

void Valve::finishRead(QModbusReply *reply, const Route &route, ReadHandler handler)
{
    if (reply->error() != QModbusDevice::NoError) {
        statusBar()->showMessage(
            transport::readReplyError(reply->error(), reply->errorString(),
                                      transport::exceptionCodeOf(reply->rawResult())),
            kMessageMs);
    } else {
        // The probe's answer is no traffic: a controller that answers only the probe is asleep.
        if (route.target != device::Target::Probe)
            restartInactivityTimer();
        const QModbusDataUnit unit = reply->result();
        const QVector<quint16> values = unit.values().mid(0, int(unit.valueCount()));
        deliverRead(route, handler, transport::copyToMirror(values, m_mirror.data(), kMirrorWords));
    }
    reply->deleteLater();
}

// Runs after the mirror copy. A reply with fewer words than its handler reads would show or
// decode stale mirror words (the client does not check the count), so it is dropped here.
void Valve::deliverRead(const Route &route, ReadHandler handler, int valueCount)
{
    if (valueCount < route.words) {
        qDebug().noquote() << QStringLiteral("reply at %1 carries %2 of %3 words, not shown")
                                  .arg(route.start)
                                  .arg(valueCount)
                                  .arg(route.words);
        return;
    }
    (this->*handler)(route, m_mirror.data());
}

void Valve::onWriteReply(QModbusReply *reply)
{
    if (reply->error() != QModbusDevice::NoError)
        statusBar()->showMessage(
            transport::writeReplyError(reply->error(), reply->errorString(),
                                       transport::exceptionCodeOf(reply->rawResult())),
            kMessageMs);
    reply->deleteLater();
}

void Valve::restartInactivityTimer()
{
    m_inactivityTimer->start(device::onlineSeconds(m_config[device::reg::OnlineTime]) * 1000);
}
