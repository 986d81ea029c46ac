#ifndef DEVICE_REGISTERMAP_H
#define DEVICE_REGISTERMAP_H

#include <QtGlobal>

#include <array>

// The valve controller's holding registers: every register the tool reads or writes, the layout
// of the configuration block, the codes and values exchanged with the controller, and the word
// codecs. The rest of the tool names registers only through this file.
namespace morlenta::device {

// --- The configuration block ---

constexpr quint16 kBlockStart = 0;
constexpr int kBlockWords = 85;
using Block = std::array<quint16, kBlockWords>;

// Registers of the block (the block starts at register 0: register = word index).
namespace reg {
constexpr int Identifier = 0; // 0..3
constexpr int NewAddress = 4;
constexpr int NewBaudRate = 5;
constexpr int NewDataBits = 6;
constexpr int NewParity = 7;
constexpr int NewStopBits = 8;
constexpr int SolenoidType = 9;
constexpr int PulseLength = 10;
constexpr int InputType = 11; // one word per input slot, 11..14
constexpr int Quantity = 15;  // 15..18
constexpr int Unit = 19;      // 19..22
constexpr int Floats = 23;    // 23..70, six rows of four floats
constexpr int AnalogPause = 71;
constexpr int AnalogInterval = 72;
constexpr int AnalogMoment = 73;
constexpr int AnalogFilter = 74;
constexpr int ActiveEdges = 75;
constexpr int ControlTypes = 76;
constexpr int CountingInterval = 77;
constexpr int CountingMoment = 78;
constexpr int FrequencyFilter = 79;
constexpr int ResetInterval = 80;
constexpr int ResetMoment = 81;
constexpr int DiscreteDelay = 82;
constexpr int OnlineTime = 83;
constexpr int Reserved = 84; // passed through untouched
} // namespace reg

// The block has room for four inputs; the tool serves the first two.
constexpr int kInputSlots = 4;
constexpr int kServedInputs = 2;

// Input types (words 11..14), in the order the type combo boxes list them.
enum InputType : int {
    InputOff = 0,
    InputDiscrete = 1,
    InputCounting = 2,
    InputVoltage = 3,
    InputCurrent = 4,
};
constexpr bool isAnalog(int type)
{
    return type == InputVoltage || type == InputCurrent;
}

// Solenoid type (word 9): only a bistable solenoid has the capacitor whose charge is shown.
constexpr quint16 kBistableSolenoid = 0;

// Register of a per-input 16-bit field: `first` is the register of input 1 (11, 15 or 19).
constexpr int inputWordRegister(int first, int input)
{
    return first + input - 1;
}

// Rows of per-input floats. What a row holds depends on the input type: row 0 is the impulse
// weight of a counting input or the lower limit of an analog one, row 1 the analog upper limit,
// rows 2 and 3 the opening and closing thresholds (the edge codes of a discrete input), rows 4
// and 5 the maximum opening and closing.
enum FloatRow : int {
    RowWeightOrLower = 0,
    RowUpper = 1,
    RowMinOpen = 2,
    RowMinClose = 3,
    RowMaxOpen = 4,
    RowMaxClose = 5,
};
constexpr int kFloatRows = 6;

// First of the two registers of the float of `input` (1..4) in `row` (0..5).
constexpr int inputFloatRegister(int input, int row)
{
    return reg::Floats + 8 * row + 2 * (input - 1);
}

// Seconds the controller stays awake for online-time code `code` (word 83). Codes without a
// table entry give the shortest time, so the tool probes again rather than talking to a
// controller that went to sleep.
int onlineSeconds(int code);

// --- Every register the tool reads or writes ---

enum class Target {
    None,
    Block,         // the configuration block
    StoredWord,    // read after the block, stored, not interpreted
    Apply,         // written after the block: apply the new block
    ResetCounters, // written with kResetValue
    Solenoid,      // valve state, read and written (kValveOpen, kValveClosed)
    Discrete,      // logic level of a discrete input
    Counter,       // the quantities of a counting input
    Analog,        // the quantities of an analog input
    Capacitor,     // capacitor charge, 0..kCapacitorFull
    Probe,         // wake-up probe: kAwakeAnswer when the controller is awake
    Temperature,   // core temperature, signed
    Clock,         // seconds since 1970-01-01 00:00 UTC, unsigned
};

constexpr int kCounterQuantities = 4; // absolute value, absolute delta, physical value and delta
constexpr int kAnalogQuantities = 6;  // value, physical value, previous of both, deltas of both

// Where a register lies and what it holds. A read request carries it to the reply's handler.
struct Route
{
    Target target = Target::None;
    int input = 0;    // 1 or 2 for the per-input targets, 0 for the others
    int quantity = 0; // counting 0..3, analog 0..5, in the order of the inputs page
    quint16 start = 0;
    quint16 words = 0; // 1, or 2 for a 32-bit value
};

// The register of `target`, for input `input` (1 or 2; 0 for a target of no input) and quantity
// `quantity` where it has several; Target::None for an input or quantity it does not have.
Route route(Target target, int input = 0, int quantity = 0);

constexpr quint16 kAwakeAnswer = 0xFACE;
constexpr quint16 kCapacitorFull = 24; // the capacitor's charge at full scale
constexpr quint16 kValveOpen = 0;
constexpr quint16 kValveClosed = 1;
constexpr quint16 kResetValue = 0;

// --- Word codecs ---

// A 32-bit value from two registers, the lower-numbered one holding the high half.
constexpr quint32 joinWords(quint16 high, quint16 low)
{
    return (quint32(high) << 16) | low;
}
constexpr quint16 highWord(quint32 value)
{
    return quint16(value >> 16);
}
constexpr quint16 lowWord(quint32 value)
{
    return quint16(value & 0xFFFF);
}

// Floats are IEEE 754 single precision, sent as their 32-bit pattern.
quint32 floatBits(float value);
float floatFromBits(quint32 bits);
void putFloat(Block &block, int reg, float value);
float getFloat(const Block &block, int reg);

} // namespace morlenta::device

#endif // DEVICE_REGISTERMAP_H
