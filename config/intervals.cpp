#include "config/intervals.h"

namespace morlenta::config {

int intervalCode(int index)
{
    return index == 0 ? 0 : index + 2;
}

int intervalIndex(int code)
{
    return code == 0 ? 0 : code - 2;
}

namespace {

QStringList numbered(std::initializer_list<int> numbers, const QString &suffix)
{
    QStringList items;
    for (int n : numbers)
        items << QString::number(n) + suffix;
    return items;
}

} // namespace

QStringList intervalValues(int code)
{
    switch (code) {
    case 0:
        return {QStringLiteral("---")};
    case 3:
        return numbered({1, 5, 10, 15, 30}, QStringLiteral(" мин."));
    case 4:
        return numbered({1, 2, 3, 4, 6, 8, 12}, QStringLiteral(" час."));
    case 5:
        return {QStringLiteral("Пн"), QStringLiteral("Вт"), QStringLiteral("Ср"),
                QStringLiteral("Чт"), QStringLiteral("Пт"), QStringLiteral("Суб"),
                QStringLiteral("Вс")};
    case 6: {
        QStringList days;
        for (int d = 1; d <= 28; ++d)
            days << QString::number(d) + QStringLiteral(" число");
        return days;
    }
    default:
        return {};
    }
}

} // namespace morlenta::config
