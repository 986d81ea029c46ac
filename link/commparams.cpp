#include "link/commparams.h"

#include <QCoreApplication>
#include <QSerialPort>

namespace morlenta::link {

CommList addressList()
{
    CommList list;
    for (int address = 1; address <= 246; ++address)
        list.items.append({QString::number(address), QVariant()});
    list.initialIndex = 0;
    return list;
}

CommList baudRateList()
{
    CommList list;
    for (int baud : {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200})
        list.items.append({QString::number(baud), baud});
    list.initialIndex = 3;
    return list;
}

CommList dataBitsList()
{
    return {{{QStringLiteral("7"), int(QSerialPort::Data7)},
             {QStringLiteral("8"), int(QSerialPort::Data8)}},
            1};
}

CommList parityList()
{
    return {{{QCoreApplication::translate("Valve", "нет"), int(QSerialPort::NoParity)},
             {QCoreApplication::translate("Valve", "чётн."), int(QSerialPort::EvenParity)},
             {QCoreApplication::translate("Valve", "нечет."), int(QSerialPort::OddParity)}},
            0};
}

CommList stopBitsList()
{
    return {{{QStringLiteral("1"), int(QSerialPort::OneStop)},
             {QStringLiteral("2"), int(QSerialPort::TwoStop)}},
            0};
}

} // namespace morlenta::link
