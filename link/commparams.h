#ifndef LINK_COMMPARAMS_H
#define LINK_COMMPARAMS_H

#include <QString>
#include <QVariant>
#include <QVector>

// The line-parameter choices of the connection page. The same lists serve the current
// connection (used to open the port) and the new one (written into the configuration block).
namespace morlenta::link {

struct CommItem
{
    QString text;
    QVariant data; // stored under Qt::UserRole; invalid for the address list
};

struct CommList
{
    QVector<CommItem> items;
    int initialIndex = 0;
};

CommList addressList();  // "1".."246", no item data, "1" current
CommList baudRateList(); // 1200..115200 with the baud rate as data, "9600" current
CommList dataBitsList(); // 7, 8; "8" current
CommList parityList();   // none, even, odd with QSerialPort::Parity values 0, 2, 3
CommList stopBitsList(); // 1, 2

} // namespace morlenta::link

#endif // LINK_COMMPARAMS_H
