#ifndef CONFIG_SETTINGS_H
#define CONFIG_SETTINGS_H

#include <QString>
#include <QStringList>
#include <QVector>

#include <array>

#include "config/fields.h"
#include "config/validation.h"
#include "device/registermap.h"

// The controller's configuration as the settings pages show it, without a widget: every field by
// name, in the codes and units the pages use. The main window moves it to and from its widgets;
// morlenta-cli reads and writes it as a profile.
//
// Conventions:
// - A list field holds the index of the item the page shows. For most lists the block stores
//   that index itself; where it does not (the new address, the intervals, the discrete edges,
//   the quantities and units) the field says what it holds.
// - decodeSettings() keeps every word it reads, also one that no list item stands for (a code the
//   tool does not know): encodeSettings() of the decoded settings with the same block gives that
//   block back, word for word, but for the mends the tool applies to every write (the slots of
//   inputs 3 and 4 emptied, and bits 2..15 of words 75 and 76, which serve no input the tool
//   serves, written as 0, as the page always wrote them). Where several words show as one item
//   (an edge code of 1.5 or NaN of a discrete input, interval code 2 shown as "выключен"), the
//   item that `lastRead`'s word shows keeps that word; so does a NaN float over a NaN. A field
//   set to -1 ("no item", as a combo box without a current item gives it) encodes as the page
//   always has: 0xFFFF (-1.0 for a discrete edge), except the intervals, which then keep the
//   block's word.
// - Inputs are numbered 1 and 2, as the pages number them: inputs[0] is input 1.
namespace morlenta::config {

// The line parameters the controller takes when the block is applied (words 4..8).
struct NewLine
{
    int address = 1;       // the address itself, 1..246 (the page's item index + 1)
    int baudIndex = 3;     // 0..7: 1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200
    int dataBitsIndex = 1; // 0: 7 bits, 1: 8 bits
    int parityIndex = 0;   // 0 none, 1 even, 2 odd (the index, not QSerialPort's value)
    int stopBitsIndex = 0; // 0: 1 stop bit, 1: 2 stop bits
};

// The values the settings pages' spin boxes take, in the input's unit: the weight and thresholds
// of a counting input, the limits and thresholds of an analog input.
struct ValueRange
{
    double minimum;
    double maximum;
};
constexpr ValueRange kCountingRange{0, 100000};
constexpr ValueRange kAnalogRange{-100000, 100000};

// The thresholds of a counting or analog input, in the input's unit.
struct Thresholds
{
    double minOpen = 0;
    double minClose = 0;
    double maxOpen = 0;
    double maxClose = 0;
};

struct CountingInput
{
    int quantity = 0; // quantity code: 0, 11 or 25 on the page
    int unit = 0;     // unit code (a position in unitNames(), not the unit box's index)
    double weight = 0;
    Thresholds thresholds;
};

struct AnalogInput
{
    int quantity = 0; // quantity code 0..27 (the page's index)
    int unit = 0;     // unit code
    double lower = 0;
    double upper = 0;
    Thresholds thresholds;
};

struct InputSettings
{
    int type = device::InputOff; // 0 off, 1 discrete, 2 counting, 3 voltage, 4 current
    // Discrete: the solenoid's opening and closing edge, 0 off, 1 falling, 2 rising.
    // The block stores them as floats; a float that is no whole number decodes as
    // discreteEdgeIndex() reads it (truncated, -1 for NaN).
    int openEdge = 0;
    int closeEdge = 0;
    // Counting: the active edge (0 falling, 1 rising) and the control type (0 absolute, 1 per
    // period). The block keeps them as bits of words 75 and 76, written whatever the type.
    int activeEdge = 0;
    int controlType = 0;
    CountingInput counting;
    AnalogInput analog;
};

// A measurement or reset interval and the moment within it.
struct Interval
{
    int interval = 0; // item index 0..4: off, 1-60 minutes, 1-24 hours, 1-7 days, 1-28 days
    int moment = 0;   // index into intervalValues() of the interval's code
};

struct Settings
{
    // The device identifier (words 0..3) as read. Written only when writeIdentifier is set (the
    // service page's complete identifier); otherwise the block's words stay.
    IdentifierWords identifier{};
    bool writeIdentifier = false;

    NewLine line;
    int solenoidType = 0; // 0 bistable, 1 normally open, 2 normally closed
    int pulseLength = 0;  // code c: 20 + 10 c ms, 0..13
    std::array<InputSettings, device::kServedInputs> inputs;
    int discreteDelay = 0; // code c: 300 c ms, 0..16

    Interval countingMeasurement;
    Interval counterReset;
    int frequencyFilter = 0; // 0..8: 5 kHz, 60, 40, 20, 10, 5, 1, 0.5, 0.05 Hz

    Interval analogMeasurement;
    int analogPause = 0;  // 0 off, 1..8: 50 .. 55000 ms, 9 always on
    int analogFilter = 0; // the depth itself, 0..16

    int onlineTime = 0; // 0..9: 5 s .. 15 min
};

// Every field of the block, also those an input's type does not use (the page then shows them
// only once the type changes).
Settings decodeSettings(const device::Block &block);

// The block a write sends: the settings over the block last read. Words no setting covers (84)
// and the fields an input's type does not use keep their values from `lastRead`; the slots of
// inputs 3 and 4 are emptied.
device::Block encodeSettings(const Settings &settings, const device::Block &lastRead);

// A check of the settings page that fails: one of its input error messages (validation.h) and
// the fields it concerns, in the page's marking order.
struct SettingsIssue
{
    enum class Field { Weight, MinOpen, MinClose, MaxOpen, MaxClose, Lower, Upper };
    int message = 0; // 0..11, its text: inputErrorMessage(message)
    int input = 1;   // 1 or 2
    QVector<Field> fields;
};

// The messages the settings page would list after writing these settings with an empty error
// list, in the order it lists them. Empty: the settings may be written.
QVector<SettingsIssue> validateSettings(const Settings &settings);

// The page's checks of these settings, in the order it runs them: each adds a message to its
// list or takes one off (validation.h). The window applies them to the list it shows.
MessageActions settingsChecks(const Settings &settings);
// The input and the fields of message 0..11.
SettingsIssue settingsIssue(int message);

// The texts of the page's fixed lists, in index order.
enum class Choice {
    InputType,       // "выключен" .. "ток"
    SolenoidType,    // "бистабильный" ..
    PulseLength,     // "20" .. "150"
    DiscreteEdge,    // "отключён", "спадающий", "нарастающий"
    ActiveEdge,      // "спадающий", "нарастающий"
    ControlType,     // "абсолютный", "за период"
    Interval,        // "выключен", "1-60 минут", ..
    FrequencyFilter, // "5 кГц" .. "0.05 Гц"
    AnalogPause,     // "выключен", "50", .., "постоянно включён"
    AnalogFilter,    // "0" .. "16"
    DiscreteDelay,   // "0" .. "4800"
    OnlineTime,      // "5 сек." .. "15 мин."
};
QStringList choiceTexts(Choice choice);

} // namespace morlenta::config

#endif // CONFIG_SETTINGS_H
