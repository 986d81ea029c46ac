#include "live/liveconv.h"

#include <QDateTime>

#include <cmath>

#include "device/registermap.h"

namespace morlenta::live {

namespace {

const QString kClockFormat = QStringLiteral("dd-MM-yyyy (ddd) ~ hh:mm:ss ~");

double clamp(double value, const Range &range)
{
    if (value < range.minimum)
        return range.minimum;
    if (value > range.maximum)
        return range.maximum;
    return value;
}

} // namespace

Display counterDisplay(int quantity)
{
    const Display displays[device::kCounterQuantities] = {kImpulses, kImpulseDelta, kPhysicalCount,
                                                          kPhysicalDelta};
    return quantity >= 0 && quantity < device::kCounterQuantities ? displays[quantity] : Display{};
}

Display analogDisplay(int)
{
    return kAnalogValue;
}

double counterValue(quint32 raw, const Range &range)
{
    return clamp(double(raw), range);
}

std::optional<double> floatValue(quint32 raw, const Range &range)
{
    const float value = device::floatFromBits(raw);
    if (std::isnan(value))
        return std::nullopt;
    return clamp(double(value), range);
}

std::optional<int> temperatureCelsius(quint32 raw)
{
    const qint32 celsius = qint32(raw);
    if (celsius < -99 || celsius > 99)
        return std::nullopt;
    return celsius;
}

std::optional<QString> temperatureText(quint32 raw)
{
    if (const std::optional<int> celsius = temperatureCelsius(raw))
        return QString::number(*celsius) + QStringLiteral(" (°C)");
    return std::nullopt;
}

std::optional<int> capacitorCharge(quint16 raw)
{
    if (raw > device::kCapacitorFull)
        return std::nullopt;
    return raw;
}

std::optional<QString> valveText(quint16 state)
{
    if (state == device::kValveOpen)
        return QStringLiteral("открыт");
    if (state == device::kValveClosed)
        return QStringLiteral("закрыт");
    return std::nullopt;
}

QString clockText(quint32 seconds, const QLocale &locale)
{
    return locale.toString(QDateTime::fromSecsSinceEpoch(qint64(seconds), Qt::LocalTime),
                           kClockFormat);
}

QString discreteText(bool high)
{
    return high ? QStringLiteral("1") : QStringLiteral("0");
}

QString impulseUnit()
{
    return QStringLiteral("имп.");
}

QString electricalUnit(int inputTypeIndex)
{
    return inputTypeIndex == device::InputVoltage ? QStringLiteral("В") : QStringLiteral("мА");
}

} // namespace morlenta::live
