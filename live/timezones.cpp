#include "live/timezones.h"

namespace morlenta::live {

QStringList timeZoneItems()
{
    static const int minutes[] = {0, 45, 30, 15};
    QStringList items;
    for (int i = 0; i < 49; ++i) {
        const int hours = i / 4 - 12;
        // h + f with f = 0, 0.55, 0.70, 0.85: the minutes read after the point of a negative
        // hour count, e.g. -12 + 0.55 = "-11.45".
        if (i % 4 == 0) {
            items << QString::number(hours) + QStringLiteral(".00");
        } else {
            items << QStringLiteral("-%1.%2").arg(-(hours + 1)).arg(minutes[i % 4]);
        }
    }
    return items;
}

} // namespace morlenta::live
