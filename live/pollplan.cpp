#include "live/pollplan.h"

#include "link/registers.h"

namespace morlenta::live {

namespace {

void addInput(QVector<LiveRead> &plan, int input, quint16 type)
{
    switch (type) {
    case InputDiscrete:
        plan.append({quint16(link::kDiscrete1 + input), 1});
        break;
    case InputCounting:
        for (int k = 0; k < kCounterQuantities; ++k)
            plan.append({counterRegister(input, k), 2});
        break;
    case InputVoltage:
    case InputCurrent:
        for (int k = 0; k < kAnalogQuantities; ++k)
            plan.append({analogRegister(input, k), 2});
        break;
    default: // off, or a type the controller does not know: nothing to read
        break;
    }
}

} // namespace

quint16 counterRegister(int input, int quantity)
{
    return quint16(link::kCounterBase + 2 * input + 4 * quantity);
}

quint16 analogRegister(int input, int quantity)
{
    return quint16(link::kAnalogBase + 12 * input + 2 * quantity);
}

QVector<LiveRead> pollPlan(quint16 solenoidType, quint16 input1Type, quint16 input2Type)
{
    QVector<LiveRead> plan;
    plan.append({link::kClock, 2});
    if (solenoidType == kBistableSolenoid)
        plan.append({link::kCapacitor, 1});
    plan.append({link::kSolenoid, 1});
    plan.append({link::kTemperature, 2});
    addInput(plan, 0, input1Type);
    addInput(plan, 1, input2Type);
    return plan;
}

} // namespace morlenta::live
