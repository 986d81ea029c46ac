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

// A display spin box of the inputs page: its range and the decimals it shows (the form's
// CT1_Imp_LCD .. AN2_Ph_Del_LCD are made with these).
struct Display
{
    Range range;
    int decimals = 0;
};

// Counting quantities: absolute value and delta in impulses, physical value and delta.
constexpr Display kImpulses{{0.0, 4294967296.0}, 0};
constexpr Display kImpulseDelta{{-2147483648.0, 2147483648.0}, 0};
constexpr Display kPhysicalCount{{0.0, 4294967296.0}, 2};
constexpr Display kPhysicalDelta{{-2147483648.0, 2147483648.0}, 2};
// Every analog quantity.
constexpr Display kAnalogValue{{-100000.0, 100000.0}, 2};

// The display of counting quantity 0..3 and of analog quantity 0..5, in the order of the inputs
// page (device::Route::quantity).
Display counterDisplay(int quantity);
Display analogDisplay(int quantity);

// A counter (impulses) is unsigned: 0xFFFFFFFF is 4294967295, never -1. Values outside `range`
// give its nearest limit.
double counterValue(quint32 raw, const Range &range);

// A physical value is an IEEE-754 single. Finite values and infinities outside `range` give its
// nearest limit; NaN gives no value, the display keeps what it showed.
std::optional<double> floatValue(quint32 raw, const Range &range);

// The core temperature is a signed count of °C; only -99..99 is shown, as "23 (°C)". Anything else
// gives no value and no text, the label keeps what it showed.
std::optional<int> temperatureCelsius(quint32 raw);
std::optional<QString> temperatureText(quint32 raw);

// The capacitor's charge, 0..device::kCapacitorFull; anything above is not a charge and leaves the
// bar as it was.
std::optional<int> capacitorCharge(quint16 raw);

// The valve state as the page names it ("открыт", "закрыт"); no text for any other value.
std::optional<QString> valveText(quint16 state);

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
