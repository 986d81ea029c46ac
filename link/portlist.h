#ifndef LINK_PORTLIST_H
#define LINK_PORTLIST_H

#include <QByteArray>
#include <QStringList>
#include <QVector>

#include <memory>

class QFileSystemWatcher;

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

// The system's ports as the port refresh sees them once a second. Listing them looks at every
// tty the kernel has and takes tens of milliseconds: once a second, that was most of what an
// idle tool cost, and a poll cycle it fell into took that much longer. So the list is taken
// again only after /dev has changed (the kernel makes a node there for every serial device, an
// adapter's included), on that refresh and the two after it, while device managers still add
// their names. Where /dev cannot be watched, every refresh takes the list.
class SystemPorts
{
public:
    SystemPorts();
    ~SystemPorts();
    SystemPorts(const SystemPorts &) = delete;
    SystemPorts &operator=(const SystemPorts &) = delete;

    QVector<PortEntry> available(); // as availablePorts()

private:
    std::unique_ptr<QFileSystemWatcher> m_watch;
    int m_listings = 1; // refreshes that still take the list
    QVector<PortEntry> m_ports;
};

// Three entries per port: name, vendor id, product id; an identifier in lower-case hex, "N/A"
// for a port without one.
QStringList buildSnapshot(const QVector<PortEntry> &ports);
// Every third snapshot entry, starting with the first: the port names.
QStringList portNames(const QStringList &snapshot);

// The status text when opening failed or the open port was lost.
QString connectError(const QString &reason);

} // namespace morlenta::link

#endif // LINK_PORTLIST_H
