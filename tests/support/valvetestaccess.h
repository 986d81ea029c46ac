#ifndef VALVETESTACCESS_H
#define VALVETESTACCESS_H

#include <QModbusRtuSerialMaster>
#include <QTimer>

#include "device/registermap.h"
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
    // A block read into the mirror and decoded into the form, as a complete reply is.
    static void decode(Valve &v, const morlenta::device::Block &block)
    {
        std::copy(block.cbegin(), block.cend(), v.m_mirror.begin());
        v.decodeConfiguration(v.m_mirror.data());
    }
    static Valve::FormCheck encode(Valve &v) { return v.encodeConfiguration(); }
    // A reply of `valueCount` words, already in the mirror, to the read the tool sends at
    // `start`, handed to the handler its sender attaches; nothing when the tool reads nothing
    // there.
    static void dispatch(Valve &v, int start, int valueCount)
    {
        using namespace morlenta::device;
        for (int t = int(Target::Block); t <= int(Target::Clock); ++t)
            for (int input = 0; input <= kServedInputs; ++input) // 0: a target of no input
                for (int quantity = 0; quantity < kAnalogQuantities; ++quantity) {
                    const Route r = route(Target(t), input, quantity);
                    if (r.target != Target::None && r.start == start)
                        return v.deliverRead(r, handlerOf(r.target), valueCount);
                }
    }
    static Valve::ReadHandler handlerOf(morlenta::device::Target target)
    {
        using morlenta::device::Target;
        return target == Target::Block        ? &Valve::onBlockRead
               : target == Target::StoredWord ? &Valve::onStoredWordRead
               : target == Target::Probe      ? &Valve::probeAnswer
                                              : &Valve::showLive;
    }
    static bool awake(Valve &v) { return v.m_awake; }
    static quint16 pending(Valve &v) { return v.m_pending; }
    static bool blockRead(Valve &v) { return v.m_blockRead; }
    static int liveInFlight(Valve &v) { return v.m_liveInFlight; }
    static QModbusRtuSerialMaster *client(Valve &v) { return v.m_client; }
    static Valve::ClientTiming &clientTiming(Valve &v) { return v.m_timing; }
    static QTimer *portTimer(Valve &v) { return v.m_portTimer; }
    static QTimer *inactivityTimer(Valve &v) { return v.m_inactivityTimer; }
    static QTimer *probeTimer(Valve &v) { return v.m_probeTimer; }
    static QTimer *pollTimer(Valve &v) { return v.m_pollTimer; }
    static QTimer *valueHold(Valve &v) { return v.m_valueHold; }
    static void restartOnlineTime(Valve &v) { v.restartInactivityTimer(); } // as an answer does
};

#endif // VALVETESTACCESS_H
