#ifndef LIVE_LIVECONV_H
#define LIVE_LIVECONV_H

#include <QLocale>
#include <QString>

#include <optional>

// Conversions of the live registers into what the inputs page shows. The controller computes
// every physical value itself; these only reinterpret register words.
namespace morlenta::live {

// The value range of a display spin box.
struct Range
{
    double minimum = 0.0;
    double maximum = 0.0;
};

// A counter (impulses) is unsigned: 0xFFFFFFFF is 4294967295, never -1. Values outside `range`
// give its nearest limit.
double counterValue(quint32 raw, const Range &range);

// A physical value is an IEEE-754 single. Finite values and infinities outside `range` give its
// nearest limit; NaN gives no value, the display keeps what it showed.
std::optional<double> floatValue(quint32 raw, const Range &range);

// The core temperature is a signed count of °C; only -99..99 is shown, as "23 (°C)". Anything else
// gives no text, the label keeps what it showed.
std::optional<QString> temperatureText(quint32 raw);

// The controller clock counts seconds since 1970-01-01 00:00:00 UTC (unsigned). Shown in the PC's
// local time with the day names of `locale`, as "dd-MM-yyyy (ddd) ~ hh:mm:ss ~".
QString clockText(quint32 seconds, const QLocale &locale = QLocale::system());

// Logic level of a discrete input.
QString discreteText(bool high);

// Caption of the counters' impulse values.
QString impulseUnit();

// Electrical unit of an analog input: "В" for a voltage input, else "мА".
QString electricalUnit(int inputTypeIndex);

} // namespace morlenta::live

#endif // LIVE_LIVECONV_H
