#ifndef CONFIG_VALIDATION_H
#define CONFIG_VALIDATION_H

#include <QString>
#include <QStringList>
#include <QVector>

#include <array>

// Checks of the settings form before a configuration write, and the messages they list in
// `error_lcd`. Message k is checked, listed and marked by index 0..11 (the fields each marks:
// settingsIssue() in settings.h).
namespace morlenta::config {

constexpr int kInputErrorCount = 12;

// Messages of one input. Input 1: weight 0, multiples 1..4, limits 10; input 2: 5, 6..9, 11.
constexpr int weightMessage(int input)
{
    return input == 1 ? 0 : 5;
}
constexpr int multipleMessage(int input, int value) // value 0..3: min open .. max close
{
    return weightMessage(input) + 1 + value;
}
constexpr int limitMessage(int input)
{
    return input == 1 ? 10 : 11;
}

// The twelve message texts.
QString inputErrorMessage(int message);

// Style sheets of a marked spin box and of its reset two seconds later.
QString markedStyle();
QString unmarkedStyle();

// One step of a check: list the message (add) or take it off the list (remove).
struct MessageAction
{
    int message;
    bool add;
    bool operator==(const MessageAction &o) const { return message == o.message && add == o.add; }
};
using MessageActions = QVector<MessageAction>;

// The four thresholds of a counting input, in test order: minimum opening, minimum closing,
// maximum opening, maximum closing.
using CountingValues = std::array<double, 4>;

// Whether `value` is a whole multiple of `weight` (within 0.00001 of one); `weight` > 0.
bool isMultipleOf(double value, double weight);

// Weight 0 lists the weight message and leaves the multiple messages as they are; a positive
// weight takes the weight message off and tests the four values; a negative one does nothing.
MessageActions countingCheck(int input, double weight, const CountingValues &values);
// Upper limit must exceed the lower one.
MessageActions limitCheck(int input, double lower, double upper);
// The messages of checks that an input of `type` does not run: the limit message of a counting
// input, the counting messages of an analog one, all of them for a discrete or switched-off input.
// They are taken off so that a message left over from the input's former type does not block
// every later write.
MessageActions checksNotRun(int input, int type);

// The service page's password, compared case-sensitively with the whole text.
bool isServicePassword(const QString &text);

} // namespace morlenta::config

#endif // CONFIG_VALIDATION_H
