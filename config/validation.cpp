#include "config/validation.h"

#include <cmath>

#include "device/registermap.h"

namespace morlenta::config {

namespace {

// Messages 0 and 5 start with Latin "CT", 1..4 and 6..9 with Cyrillic "СТ": both kinds are what
// the controller's users know, keep them as they are.
const char *const kMessages[kInputErrorCount] = {
    "CT1: Вес импульса(физ.вел.) не может быть равен 0",
    "СТ1: Миним.открытие(физ.вел.) не кратно весу импульса(физ.вел.)",
    "СТ1: Миним.закрытие(физ.вел.) не кратно весу импульса(физ.вел.)",
    "СТ1: Макс.открытие(физ.вел.) не кратно весу импульса(физ.вел.)",
    "СТ1: Макс.закрытие(физ.вел.) не кратно весу импульса(физ.вел.)",
    "CT2: Вес импульса(физ.вел.) не может быть равен 0",
    "СТ2: Миним.открытие(физ.вел.) не кратно весу импульса(физ.вел.)",
    "СТ2: Миним.закрытие(физ.вел.) не кратно весу импульса(физ.вел.)",
    "СТ2: Макс.открытие(физ.вел.) не кратно весу импульса(физ.вел.)",
    "СТ2: Макс.закрытие(физ.вел.) не кратно весу импульса(физ.вел.)",
    "AN1: верхняя граница(физ.вел.) меньше или равно нижняя граница(физ.вел.)",
    "AN2: верхняя граница(физ.вел.) меньше или равно нижняя граница(физ.вел.)",
};

constexpr double kMultipleTolerance = 0.00001;

} // namespace

QString inputErrorMessage(int message)
{
    if (message < 0 || message >= kInputErrorCount)
        return {};
    return QString::fromUtf8(kMessages[message]);
}

QString markedStyle()
{
    return QStringLiteral("background-color:#FF9696;");
}

QString unmarkedStyle()
{
    return QStringLiteral("background-color:#F5F5F5;");
}

bool isMultipleOf(double value, double weight)
{
    const double q = value / weight;
    return std::fabs(q - std::nearbyint(q)) <= kMultipleTolerance;
}

MessageActions countingCheck(int input, double weight, const CountingValues &values)
{
    MessageActions actions;
    if (weight == 0) {
        actions.append({weightMessage(input), true});
    } else if (weight > 0) {
        actions.append({weightMessage(input), false});
        for (int value = 0; value < 4; ++value)
            actions.append({multipleMessage(input, value), !isMultipleOf(values[value], weight)});
    }
    return actions;
}

MessageActions limitCheck(int input, double lower, double upper)
{
    // Written so that a NaN limit also counts as an error.
    return {{limitMessage(input), !(upper - lower > 0)}};
}

MessageActions checksNotRun(int input, int type)
{
    MessageActions actions;
    if (type != device::InputCounting)
        for (int message = weightMessage(input); message <= multipleMessage(input, 3); ++message)
            actions.append({message, false});
    if (!device::isAnalog(type))
        actions.append({limitMessage(input), false});
    return actions;
}

bool isServicePassword(const QString &text)
{
    return text == QLatin1String("mek_vorta");
}

} // namespace morlenta::config
