#ifndef VALVETESTACCESS_H
#define VALVETESTACCESS_H

#include <QModbusRtuSerialMaster>
#include <QTimer>

#include "mainwindow/valve.h"
#include "ui_valve.h"

// White-box access to the main window's state for tests and fuzz targets.
class ValveTestAccess
{
public:
    static Ui::Valve *ui(Valve &v) { return v.ui; }
    static morlenta::device::Block &config(Valve &v) { return v.m_config; }
    static std::array<quint16, Valve::kMirrorWords> &mirror(Valve &v) { return v.m_mirror; }
    static quint16 storedWord(Valve &v) { return v.m_storedWord; }
    static void decode(Valve &v) { v.decodeConfiguration(); }
    static bool encode(Valve &v) { return v.encodeConfiguration(); }
    static void dispatch(Valve &v, int start, int valueCount) { v.dispatchRead(start, valueCount); }
    static bool awake(Valve &v) { return v.m_awake; }
    static quint16 pending(Valve &v) { return v.m_pending; }
    static bool idComplete(Valve &v) { return v.m_idComplete; }
    static bool blockRead(Valve &v) { return v.m_blockRead; }
    static int liveInFlight(Valve &v) { return v.m_liveInFlight; }
    static QModbusRtuSerialMaster *client(Valve &v) { return v.m_client; }
    static Valve::ClientTiming &clientTiming(Valve &v) { return v.m_timing; }
    static QTimer *portTimer(Valve &v) { return v.m_portTimer; }
    static QTimer *inactivityTimer(Valve &v) { return v.m_inactivityTimer; }
    static QTimer *probeTimer(Valve &v) { return v.m_probeTimer; }
    static QTimer *pollTimer(Valve &v) { return v.m_pollTimer; }
    static void pollCycle(Valve &v) { v.pollCycle(); }
    static QModbusReply *read(Valve &v, quint16 start, quint16 count)
    {
        return v.read(start, count);
    }
    static void write(Valve &v, quint16 start, quint16 count) { v.write(start, count); }
    static void goToSleep(Valve &v) { v.goToSleep(); }
};

#endif // VALVETESTACCESS_H
