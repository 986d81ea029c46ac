#include "mainwindow/valve.h"
#include "ui_valve.h"

#include <QDebug>
#include <QModbusRtuSerialMaster>
#include <QSerialPort>
#include <QStatusBar>
#include <QTimer>

#include "link/portlist.h"

using namespace morlenta;

namespace {

int itemData(const QComboBox *box)
{
    return box->currentData().toInt(); // 0 when the data cannot be converted
}

ConnectionSettings settingsFrom(const Ui::Valve *ui)
{
    ConnectionSettings settings;
    settings.serverAddress = ui->dev_id_1->currentText().toUShort();
    settings.portName = ui->ports->currentText();
    settings.baudRate = itemData(ui->dev_br_1);
    settings.dataBits = itemData(ui->dev_db_1);
    settings.parity = itemData(ui->dev_par_1);
    settings.stopBits = itemData(ui->dev_sb_1);
    return settings;
}

bool meansPortLost(QModbusDevice::Error error)
{
    return error == QModbusDevice::ReadError || error == QModbusDevice::WriteError ||
           error == QModbusDevice::ConnectionError;
}

} // namespace

void Valve::setLed(QLedLabel::State state)
{
    ui->led->setState(state);
}

// The form over a closed port, also at start-up: only the connection page can be used. The
// settings and inputs pages are disabled as widgets, never as tabs: a disabled tab would make Qt
// move the selection away, and the user would leave the settings page at every reconnect after
// a write.
void Valve::showPortClosed()
{
    setLed(QLedLabel::StateRed);
    ui->connect->setText(tr("занять порт"));
    setConnectionGroupEnabled(true);
    ui->GBox_2->setEnabled(false);
    ui->Sett_Tab->setEnabled(false);
    ui->Ins_Tab->setEnabled(false);
    ui->conn_dev->setEnabled(false);
}

void Valve::setConnectionGroupEnabled(bool enabled)
{
    for (QWidget *w : {static_cast<QWidget *>(ui->dev_id_1), static_cast<QWidget *>(ui->dev_br_1),
                       static_cast<QWidget *>(ui->dev_db_1), static_cast<QWidget *>(ui->dev_par_1),
                       static_cast<QWidget *>(ui->dev_sb_1), static_cast<QWidget *>(ui->ports)})
        w->setEnabled(enabled);
}

void Valve::refreshPorts()
{
    const QStringList snapshot = link::buildSnapshot(m_systemPorts.available());
    // Only the count is compared: a port replaced by another within a second goes unnoticed.
    if (snapshot.size() != m_portSnapshot.size()) {
        m_portSnapshot = snapshot;
        ui->ports->clear();
        ui->ports->addItems(link::portNames(snapshot));
    }
    const int index = ui->ports->currentIndex();
    if (index != m_lastPortIndex) {
        m_lastPortIndex = index;
        releaseOnPortChange();
    }
}

void Valve::toggleConnection()
{
    m_connection = settingsFrom(ui);
    if (!m_client)
        return;
    if (isConnected())
        releasePort();
    else
        openPort();
    m_inactivityTimer->stop();
}

// The user's release, also used when the port list changes under an open link and when the
// port is lost: afterwards the controller counts as asleep and nothing runs on its own.
void Valve::releasePort()
{
    m_awake = false;
    m_blockRead = false;
    updatePolling(PollChange::PortClosed);
    m_inactivityTimer->stop();
    m_probeTimer->stop();
    m_probeCounter = 0;
    m_client->disconnectDevice(); // aborts every queued reply
    showPortClosed();
    statusBar()->showMessage(tr("порт освобождён"), kMessageMs);
}

void Valve::releaseOnPortChange()
{
    if (!isConnected())
        return;
    qDebug().noquote() << QStringLiteral("Kill Connection");
    releasePort();
}

void Valve::openPort()
{
    // The port opened is the one selected now, even if the user chose it within the last second
    // and no refresh has seen that choice yet: only a later change of the list releases it.
    m_lastPortIndex = ui->ports->currentIndex();
    m_blockRead = false;
    m_serverAddress = m_connection.serverAddress;
    m_client->setConnectionParameter(QModbusDevice::SerialPortNameParameter, m_connection.portName);
    m_client->setConnectionParameter(QModbusDevice::SerialBaudRateParameter, m_connection.baudRate);
    m_client->setConnectionParameter(QModbusDevice::SerialDataBitsParameter, m_connection.dataBits);
    m_client->setConnectionParameter(QModbusDevice::SerialParityParameter, m_connection.parity);
    m_client->setConnectionParameter(QModbusDevice::SerialStopBitsParameter, m_connection.stopBits);
    m_client->setTimeout(m_timing.responseTimeoutMs);
    m_client->setNumberOfRetries(m_timing.retries);
    connect(m_client, &QModbusDevice::errorOccurred, this, &Valve::onClientError,
            Qt::UniqueConnection);

    // A failed connectDevice() leaves the client unconnected and ready for the next attempt.
    if (m_client->connectDevice()) {
        // The client only ever raises its inter-frame delay; let it recompute it for this baud
        // rate after a line that was slower.
        m_client->setInterFrameDelay(0);
        setLed(QLedLabel::StateYellow);
        ui->connect->setText(tr("освободить порт"));
        statusBar()->showMessage(tr("порт занят"), kMessageMs);
        setConnectionGroupEnabled(false);
        ui->conn_dev->setEnabled(true);
        return;
    }
    updatePolling(PollChange::PortClosed);
    showPortClosed();
    statusBar()->showMessage(link::connectError(m_client->errorString()), kMessageMs);
    // As after a failed open ever since: the button stays usable; a press while the port is
    // closed only stores the command, which runs after a later open and wake-up.
    ui->conn_dev->setEnabled(true);
}

// A vanished port (adapter unplugged, far end of a pty closed) leaves the client "connected",
// signalling read and connection errors in a busy loop while its replies never finish. Release
// the port at the first such error, as the user's release does; the client's state is then no
// longer connected, so the rest of the storm and the errors of a refused request or a failed
// open (which happen while not connected) pass through here unnoticed.
void Valve::onClientError(QModbusDevice::Error error)
{
    if (!meansPortLost(error) || !isConnected())
        return;
    const QString reason = m_client->errorString();
    releasePort();
    statusBar()->showMessage(link::connectError(reason), kMessageMs);
}
