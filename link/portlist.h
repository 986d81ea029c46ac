#ifndef LINK_PORTLIST_H
#define LINK_PORTLIST_H

#include <QByteArray>
#include <QStringList>
#include <QVector>

// The serial ports offered in `ports`: the system's, then the device paths named in the
// environment variable MORLENTA_EXTRA_PORTS (colon-separated), which is how a virtual line
// (a pty pair) that the system never lists is reached.
namespace morlenta::link {

constexpr char kExtraPortsVariable[] = "MORLENTA_EXTRA_PORTS";

struct PortEntry
{
    QString name;
    quint16 vendorId = 0; // 0: none
    quint16 productId = 0;
};

QVector<PortEntry> systemPorts();
QVector<PortEntry> extraPorts(const QByteArray &variable);
QVector<PortEntry> availablePorts(); // system ports, then the extra ones

// Three entries per port: name, vendor id, product id; an identifier in lower-case hex, "N/A"
// for a port without one.
QStringList buildSnapshot(const QVector<PortEntry> &ports);
// Every third snapshot entry, starting with the first: the port names.
QStringList portNames(const QStringList &snapshot);

// The status text when opening failed or the open port was lost.
QString connectError(const QString &reason);

} // namespace morlenta::link

#endif // LINK_PORTLIST_H
