#ifndef CONFIG_REGISTERMAP_H
#define CONFIG_REGISTERMAP_H

#include <QString>
#include <QtGlobal>

#include <array>

// Layout of the controller's configuration block, holding registers 0..84, and the codecs of its
// fields. No widgets here: the main window moves values between these words and the form.
namespace morlenta::config {

constexpr int kBlockWords = 85;
using Block = std::array<quint16, kBlockWords>;
using IdentifierWords = std::array<quint16, 4>;

// Register numbers of the block.
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

// Input types (words 11..14) as the type combo boxes list them.
enum InputType : int {
    InputOff = 0,
    InputDiscrete = 1,
    InputCounting = 2,
    InputVoltage = 3,
    InputCurrent = 4,
};

// Rows of per-input floats. What a row holds depends on the input type: row 0 is the impulse
// weight of a counting input or the lower limit of an analog one, row 1 the analog upper limit,
// rows 2 and 3 the opening and closing thresholds (the edge codes of a discrete input), rows 4 and
// 5 the maximum opening and closing.
enum FloatRow : int {
    RowWeightOrLower = 0,
    RowUpper = 1,
    RowMinOpen = 2,
    RowMinClose = 3,
    RowMaxOpen = 4,
    RowMaxClose = 5,
};
constexpr int kFloatRows = 6;

// Register of a per-input 16-bit field: `first` is the register of input 1 (11, 15 or 19).
constexpr int inputWordRegister(int first, int input)
{
    return first + input - 1;
}

// First of the two registers of the float of `input` (1..4) in `row` (0..5).
constexpr int inputFloatRegister(int input, int row)
{
    return reg::Floats + 8 * row + 2 * (input - 1);
}

// Floats are IEEE 754 single precision, the high 16 bits of the pattern in the lower register.
quint32 floatBits(float value);
float floatFromBits(quint32 bits);
void putFloat(Block &block, int reg, float value);
float getFloat(const Block &block, int reg);

// The identifier as the header shows it: 16 lower-case hex digits "abc-12-3456ef-78-9a-b",
// byte 2k in the low and byte 2k+1 in the high half of word k.
QString identifierText(const IdentifierWords &words);
// The identifier as typed on the service page (dashes anywhere, 16 hex digits in either case)
// into words 0..3. False, and `words` untouched, unless the text holds exactly 16 hex digits.
bool parseIdentifier(const QString &text, IdentifierWords &words);

// Words 75 and 76: bit 0 for input 1, bit 1 for input 2.
quint16 packInputBits(int input1Index, int input2Index);
int inputBit(quint16 word, int input);

// A discrete edge code (0 off, 1 falling, 2 rising) is stored as a float; reading it back
// truncates toward zero. A value that is no integer at all (NaN, infinite, beyond int) gives -1,
// which leaves the combo box without a current item.
float discreteEdgeFloat(int index);
int discreteEdgeIndex(float stored);

// A combo box index as a word: no current item (-1) becomes 0xFFFF.
constexpr quint16 indexWord(int index)
{
    return quint16(index);
}

} // namespace morlenta::config

#endif // CONFIG_REGISTERMAP_H
