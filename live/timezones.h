#ifndef LIVE_TIMEZONES_H
#define LIVE_TIMEZONES_H

#include <QStringList>

namespace morlenta::live {

// The 49 offsets of the time-zone box, "-12.00" up to "0.00" in quarter hours, written as
// hours.minutes.
QStringList timeZoneItems();

} // namespace morlenta::live

#endif // LIVE_TIMEZONES_H
