#include "link/dispatch.h"

#include "link/registers.h"

#include <algorithm>

namespace morlenta::link {

namespace {

constexpr int kCounterQuantities = 4;
constexpr int kAnalogQuantities = 6;

Route perInputRoute(int start)
{
    // Counting quantities interleave the two inputs: input n, quantity k at base + 2n + 4k.
    const int counter = start - kCounterBase;
    if (counter >= 0 && counter < 2 * 2 * kCounterQuantities && counter % 2 == 0)
        return {Target::Counter, (counter / 2) % 2, counter / 4, 2};
    // Analog quantities lie in one run per input: input n, quantity k at base + 12n + 2k.
    const int analog = start - kAnalogBase;
    if (analog >= 0 && analog < 2 * 2 * kAnalogQuantities && analog % 2 == 0)
        return {Target::Analog, analog / (2 * kAnalogQuantities),
                (analog % (2 * kAnalogQuantities)) / 2, 2};
    return {};
}

} // namespace

Route routeFor(int start)
{
    switch (start) {
    case kConfigStart:
        return {Target::Configuration, 0, 0, kConfigWords};
    case kRegister153:
        return {Target::Register153, 0, 0, 1};
    case kSolenoid:
        return {Target::Solenoid, 0, 0, 1};
    case kDiscrete1:
    case kDiscrete1 + 1:
        return {Target::Discrete, start - kDiscrete1, 0, 1};
    case kCapacitor:
        return {Target::Capacitor, 0, 0, 1};
    case kProbe:
        return {Target::Probe, 0, 0, 1};
    case kTemperature:
        return {Target::Temperature, 0, 0, 2};
    case kClock:
        return {Target::Clock, 0, 0, 2};
    default:
        return perInputRoute(start);
    }
}

int copyToMirror(const QVector<quint16> &values, quint16 *mirror, int mirrorWords)
{
    const int count = std::clamp(values.size(), 0, std::max(mirrorWords, 0));
    std::copy_n(values.cbegin(), count, mirror);
    return count;
}

} // namespace morlenta::link
