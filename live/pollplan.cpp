#include "live/pollplan.h"

namespace morlenta::live {

namespace {

using device::route;
using device::Target;

void addInput(QVector<device::Route> &plan, int input, quint16 type)
{
    switch (type) {
    case device::InputDiscrete:
        plan.append(route(Target::Discrete, input));
        break;
    case device::InputCounting:
        for (int k = 0; k < device::kCounterQuantities; ++k)
            plan.append(route(Target::Counter, input, k));
        break;
    case device::InputVoltage:
    case device::InputCurrent:
        for (int k = 0; k < device::kAnalogQuantities; ++k)
            plan.append(route(Target::Analog, input, k));
        break;
    default: // off, or a type the controller does not know: nothing to read
        break;
    }
}

} // namespace

QVector<device::Route> pollPlan(quint16 solenoidType, quint16 input1Type, quint16 input2Type)
{
    QVector<device::Route> plan{route(Target::Clock)};
    if (solenoidType == device::kBistableSolenoid)
        plan.append(route(Target::Capacitor));
    plan.append(route(Target::Solenoid));
    plan.append(route(Target::Temperature));
    addInput(plan, 1, input1Type);
    addInput(plan, 2, input2Type);
    return plan;
}

} // namespace morlenta::live
