// The time the reads of a poll cycle need on the wire: the floor no master can beat, which the
// cycle figures of the benchmarks are divided by, and the cycle the benchmarks poll.
//
// A character is a start bit, eight data bits, an optional parity bit and the stop bits (10 bits
// for 8N1, 11 with parity or two stop bits). Frames are separated by a silence of 3.5
// characters, or 1.75 ms above 19200 baud. One exchange needs both frames on the wire plus two
// such gaps: one before the reply (the server's) and one before the next request (the master's).
#pragma once

#include <QStringList>
#include <QVector>

#include "live/pollplan.h"

namespace bench {

struct LineFormat
{
    int baud = 9600;
    char parity = 'N'; // 'N', 'E' or 'O'
    int stopBits = 1;
};

double t35Ms(const LineFormat &line);
// A read of `registers` holding registers (0x03): 8 bytes out; address, function, byte count,
// the registers and the CRC back.
double readLimitMs(const LineFormat &line, int registers);
double cycleLimitMs(const LineFormat &line, const QVector<morlenta::device::Route> &reads);

// The configuration words the poll cycle depends on (9, 11 and 12).
struct Setup
{
    quint16 solenoid = morlenta::device::kBistableSolenoid;
    quint16 input1 = morlenta::device::InputVoltage;
    quint16 input2 = morlenta::device::InputCurrent;
};
// What the benchmarks poll: the heaviest cycle (bistable solenoid, two analog inputs).
constexpr Setup kHeaviest{};

inline QVector<morlenta::device::Route> cycleOf(const Setup &s)
{
    return morlenta::live::pollPlan(s.solenoid, s.input1, s.input2);
}
// morlenta-sim awake in `setup`, each reply held back by the time it and its request need on
// the wire plus one t3.5.
QStringList simArgs(const Setup &setup, int baud);

} // namespace bench
