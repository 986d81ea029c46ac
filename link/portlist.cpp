#include "link/portlist.h"

#include <QCoreApplication>
#include <QSerialPortInfo>

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
