#include "link/dispatch.h"

#include <algorithm>

namespace morlenta::link {

device::Route routeFor(int start)
{
    using device::Target;
    for (Target target :
         {Target::Block, Target::StoredWord, Target::Solenoid, Target::Discrete, Target::Counter,
          Target::Analog, Target::Capacitor, Target::Probe, Target::Temperature, Target::Clock})
        for (int input = 0; input < device::kServedInputs; ++input)
            for (int quantity = 0; quantity < device::kAnalogQuantities; ++quantity) {
                const device::Route r = device::route(target, input, quantity);
                if (r.target != Target::None && r.start == start)
                    return r;
            }
    return {};
}

int copyToMirror(const QVector<quint16> &values, quint16 *mirror, int mirrorWords)
{
    const int count = std::clamp(values.size(), 0, std::max(mirrorWords, 0));
    std::copy_n(values.cbegin(), count, mirror);
    return count;
}

} // namespace morlenta::link
