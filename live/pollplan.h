#ifndef LIVE_POLLPLAN_H
#define LIVE_POLLPLAN_H

#include <QVector>

#include "device/registermap.h"

namespace morlenta::live {

// The reads of one poll cycle after any probe reads, in the order they go out: clock, capacitor
// charge (bistable solenoid only), solenoid state, temperature, then input 1 and input 2 by type
// (the solenoid type and the types of inputs 1 and 2 in the configuration block). Each live value
// is a read of its own.
QVector<device::Route> pollPlan(quint16 solenoidType, quint16 input1Type, quint16 input2Type);

} // namespace morlenta::live

#endif // LIVE_POLLPLAN_H
