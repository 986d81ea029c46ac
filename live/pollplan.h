#ifndef LIVE_POLLPLAN_H
#define LIVE_POLLPLAN_H

#include <QVector>

// The reads of one poll cycle (register addresses in link/registers.h).
namespace morlenta::live {

constexpr int kCounterQuantities = 4; // absolute value, absolute delta, physical value and delta
constexpr int kAnalogQuantities = 6;  // value, physical value, previous of both, deltas of both

// Input types (configuration words 11 and 12) and the bistable solenoid type (word 9).
enum InputType : quint16 {
    InputOff = 0,
    InputDiscrete = 1,
    InputCounting = 2,
    InputVoltage = 3,
    InputCurrent = 4
};
constexpr quint16 kBistableSolenoid = 0;

struct LiveRead
{
    quint16 start = 0;
    quint16 count = 0;
    bool operator==(const LiveRead &other) const
    {
        return start == other.start && count == other.count;
    }
};

// First register of counting quantity `quantity` (0..3) of input `input` (0, 1).
quint16 counterRegister(int input, int quantity);
// First register of analog quantity `quantity` (0..5) of input `input` (0, 1).
quint16 analogRegister(int input, int quantity);

// The reads of one poll cycle after any probe reads, in the order they go out: clock, capacitor
// charge (bistable solenoid only), solenoid state, temperature, then input 1 and input 2 by type.
// Each live value is a read of its own.
QVector<LiveRead> pollPlan(quint16 solenoidType, quint16 input1Type, quint16 input2Type);

} // namespace morlenta::live

#endif // LIVE_POLLPLAN_H
