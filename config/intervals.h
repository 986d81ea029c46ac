#ifndef CONFIG_INTERVALS_H
#define CONFIG_INTERVALS_H

#include <QStringList>

// Measurement and reset intervals: the interval combo index, the code the controller stores
// (the interval registers of the block) and the value list the moment within the interval is
// chosen from (the moment registers).
namespace morlenta::config {

// Item 0 ("выключен") is code 0, item k is code k + 2; codes 1 and 2 are never written.
int intervalCode(int index);
// Back from a stored code to the combo index: 0 for 0, else code - 2.
int intervalIndex(int code);
// The value list of an interval code; empty for codes without one (1, 2, above 6).
QStringList intervalValues(int code);

} // namespace morlenta::config

#endif // CONFIG_INTERVALS_H
