#include "link/portlist.h"

#include <QCoreApplication>
#include <QFileSystemWatcher>
#include <QSerialPortInfo>

#include <algorithm>

namespace morlenta::link {

namespace {

QString identifierText(quint16 identifier)
{
    return identifier ? QString::number(identifier, 16)
                      : QCoreApplication::translate("Valve", "N/A");
}

} // namespace

QVector<PortEntry> systemPorts()
{
    QVector<PortEntry> ports;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
        ports.append({info.portName(), info.vendorIdentifier(), info.productIdentifier()});
    return ports;
}

QVector<PortEntry> extraPorts(const QByteArray &variable)
{
    QVector<PortEntry> ports;
    for (const QString &path : QString::fromLocal8Bit(variable).split(QLatin1Char(':')))
        if (!path.trimmed().isEmpty())
            ports.append({path.trimmed(), 0, 0});
    return ports;
}

QVector<PortEntry> availablePorts()
{
    return systemPorts() + extraPorts(qgetenv(kExtraPortsVariable));
}

SystemPorts::SystemPorts() : m_watch(std::make_unique<QFileSystemWatcher>())
{
    if (!m_watch->addPath(QStringLiteral("/dev")))
        m_watch.reset();
    else
        QObject::connect(m_watch.get(), &QFileSystemWatcher::directoryChanged, m_watch.get(),
                         [this] { m_listings = 3; });
}

SystemPorts::~SystemPorts() = default;

QVector<PortEntry> SystemPorts::available()
{
    if (!m_watch || m_listings > 0) {
        m_ports = systemPorts();
        m_listings = std::max(0, m_listings - 1);
    }
    return m_ports + extraPorts(qgetenv(kExtraPortsVariable));
}

QStringList buildSnapshot(const QVector<PortEntry> &ports)
{
    QStringList snapshot;
    for (const PortEntry &port : ports)
        snapshot << port.name << identifierText(port.vendorId) << identifierText(port.productId);
    return snapshot;
}

QStringList portNames(const QStringList &snapshot)
{
    QStringList names;
    for (int i = 0; i < snapshot.size(); i += 3)
        names << snapshot.at(i);
    return names;
}

QString connectError(const QString &reason)
{
    return QCoreApplication::translate("Valve", "ошибка подключения : %1").arg(reason);
}

} // namespace morlenta::link
