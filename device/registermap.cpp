#include "device/registermap.h"

#include <cstring>
#include <iterator>

namespace morlenta::device {

namespace {

// One run of registers: the first, and the steps between the inputs (inputs 0: a run of no
// input) and between the quantities of an input.
struct Run
{
    Target target;
    quint16 first;
    quint16 words;
    int inputs = 0;
    int inputStep = 0;
    int quantities = 1;
    int quantityStep = 0;
};

// clang-format off
constexpr Run kMap[] = {
    {Target::Block,         kBlockStart, kBlockWords},
    {Target::StoredWord,    153,   1},
    {Target::Apply,         256,   1},
    {Target::ResetCounters, 259,   1},
    {Target::Solenoid,      32768, 1},
    {Target::Discrete,      32769, 1, kServedInputs, 1},
    // Counting quantities interleave the two inputs: input n, quantity k at 32771 + 2(n - 1) + 4k.
    {Target::Counter,       32771, 2, kServedInputs, 2, kCounterQuantities, 4},
    // Analog quantities lie in one run per input: input n, quantity k at 32811 + 12(n - 1) + 2k.
    {Target::Analog,        32811, 2, kServedInputs, 12, kAnalogQuantities, 2},
    {Target::Capacitor,     36851, 1},
    {Target::Probe,         36858, 1},
    {Target::Temperature,   36859, 2},
    {Target::Clock,         36861, 2},
};
// clang-format on

} // namespace

Route route(Target target, int input, int quantity)
{
    for (const Run &run : kMap) {
        if (run.target != target)
            continue;
        const bool inputValid = run.inputs == 0 ? input == 0 : input >= 1 && input <= run.inputs;
        if (!inputValid || quantity < 0 || quantity >= run.quantities)
            return {};
        const int offset = run.inputs == 0 ? 0 : input - 1;
        const int start = run.first + offset * run.inputStep + quantity * run.quantityStep;
        return {target, input, quantity, quint16(start), run.words};
    }
    return {};
}

int onlineSeconds(int code)
{
    static const int seconds[] = {5, 10, 15, 20, 30, 60, 120, 300, 600, 900};
    if (code < 0 || code >= int(std::size(seconds)))
        return seconds[0];
    return seconds[code];
}

quint32 floatBits(float value)
{
    quint32 bits;
    static_assert(sizeof bits == sizeof value, "IEEE-754 single is 32 bits");
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

float floatFromBits(quint32 bits)
{
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

void putFloat(Block &block, int reg, float value)
{
    const quint32 bits = floatBits(value);
    block[reg] = highWord(bits);
    block[reg + 1] = lowWord(bits);
}

float getFloat(const Block &block, int reg)
{
    return floatFromBits(joinWords(block[reg], block[reg + 1]));
}

} // namespace morlenta::device
