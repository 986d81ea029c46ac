#ifndef LINK_REGISTERS_H
#define LINK_REGISTERS_H

#include <QtGlobal>

// Holding registers of the valve controller that the device link reads or writes itself.
namespace morlenta::link {

constexpr quint16 kConfigStart = 0;      // configuration block 0..84
constexpr quint16 kConfigWords = 85;     // words in the configuration block
constexpr quint16 kRegister153 = 153;    // read after the block, stored, not interpreted
constexpr quint16 kApplyRegister = 256;  // written after the block: apply the new block
constexpr quint16 kResetCounters = 259;  // 0 resets the counters
constexpr quint16 kSolenoid = 32768;     // 0 open, 1 closed; written to switch the valve
constexpr quint16 kDiscrete1 = 32769;    // logic level of input 1 (input 2 at +1)
constexpr quint16 kCounterBase = 32771;  // counting quantities: +2n+4k
constexpr quint16 kAnalogBase = 32811;   // analog quantities: +12n+2k
constexpr quint16 kCapacitor = 36851;    // capacitor charge 0..24
constexpr quint16 kProbe = 36858;        // wake-up probe
constexpr quint16 kTemperature = 36859;  // core temperature, 2 words
constexpr quint16 kClock = 36861;        // device clock, 2 words
constexpr quint16 kAwakeAnswer = 0xFACE; // the controller answers the probe with it when awake

} // namespace morlenta::link

#endif // LINK_REGISTERS_H
