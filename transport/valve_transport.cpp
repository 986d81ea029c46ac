// The request transport: reads and writes through the one Modbus client, the messages of refused
// and failed requests, the mirror every reply lands in, and the inactivity time that every answer
// of the controller restarts. It calls nothing above it: a finished read goes to the handler its
// sender attached.
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
    if (m_requestsWaiting++ == 0)
        m_replyWait.start();
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
        if (reply->isFinished()) {
            reply->deleteLater();
            return;
        }
        connect(reply, &QModbusReply::finished, this, [this, reply] { onWriteReply(reply); });
        if (m_requestsWaiting++ == 0)
            m_replyWait.start();
    } else {
        statusBar()->showMessage(transport::writeSendError(m_client->errorString()), kMessageMs);
    }
}

void Valve::finishRead(QModbusReply *reply, const Route &route, ReadHandler handler)
{
    if (reply->error() != QModbusDevice::NoError) {
        statusBar()->showMessage(
            transport::readReplyError(reply->error(), reply->errorString(),
                                      transport::exceptionCodeOf(reply->rawResult())),
            kMessageMs);
    } else {
        const QModbusDataUnit unit = reply->result();
        const QVector<quint16> values = unit.values().mid(0, int(unit.valueCount()));
        deliverRead(route, handler, transport::copyToMirror(values, m_mirror.data(), kMirrorWords));
    }
    requestFinished(reply->error()); // after the handler: a block read sets the online time
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
    requestFinished(reply->error());
    reply->deleteLater();
}

// A reply with data or an exception came from the controller: it is awake for its online time
// from now. Nothing else keeps it counted as awake: not a request sent (it may never arrive), not
// a time-out, not a tick of the poll.
void Valve::requestFinished(QModbusDevice::Error error)
{
    --m_requestsWaiting;
    m_replyWait.start(); // the client sends the next request now
    if (error == QModbusDevice::NoError || error == QModbusDevice::ProtocolError)
        restartInactivityTimer();
}

// How long the request on the line has been waiting for its reply; 0 when none is.
qint64 Valve::replyWaitingMs() const
{
    return m_requestsWaiting > 0 ? m_replyWait.elapsed() : 0;
}

void Valve::restartInactivityTimer()
{
    m_inactivityTimer->start(device::onlineSeconds(m_config[device::reg::OnlineTime]) * 1000);
}

// The controller left a request unanswered through all the client's retries: its online time
// is over now, not when the timer would have run out.
void Valve::expireOnlineTime()
{
    m_inactivityTimer->start(0);
}
