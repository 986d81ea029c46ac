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

std::optional<QString> temperatureText(quint32 raw)
{
    const qint32 celsius = qint32(raw);
    if (celsius < -99 || celsius > 99)
        return std::nullopt;
    return QString::number(celsius) + QStringLiteral(" (°C)");
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
