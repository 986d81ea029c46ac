#include "config/catalog.h"

namespace morlenta::config {

QStringList quantityNames()
{
    return {
        QStringLiteral("Q (расход)"),
        QStringLiteral("I (ток)"),
        QStringLiteral("V (напряжение)"),
        QStringLiteral("P (давление)"),
        QStringLiteral("T (температура)"),
        QStringLiteral("C (заряд батареи)"),
        QStringLiteral("H (уровень)"),
        QStringLiteral("\u03A6 (отн.влаж.)"),
        QStringLiteral("f (абс.влаж.)"),
        QStringLiteral("m (масса)"),
        QStringLiteral("лог.состояние"),
        QStringLiteral("V (объём)"),
        QStringLiteral("C (концентрация)"),
        QStringLiteral("O (кислород)"),
        QStringLiteral("мутность"),
        QStringLiteral("pH"),
        QStringLiteral("ОВП"),
        QStringLiteral("Проводимость"),
        QStringLiteral("Солёность"),
        QStringLiteral("TDS"),
        QStringLiteral("Интенсивность"),
        QStringLiteral("Освещённость"),
        QStringLiteral("V (скорость)"),
        QStringLiteral("Направление"),
        QStringLiteral("Длительность"),
        QStringLiteral("Колличество"),
        QStringLiteral("Безразмерная"),
        QStringLiteral("T (период)"),
    };
}

QStringList unitNames()
{
    return {
        QStringLiteral("л"),        QStringLiteral("м3"),       QStringLiteral("мА"),
        QStringLiteral("мВ"),       QStringLiteral("МПа"),      QStringLiteral("\u00B0C"),
        QStringLiteral("%"),        QStringLiteral("м"),        QStringLiteral("мм"),
        QStringLiteral("кВт"),      QStringLiteral("г/м3"),     QStringLiteral("кПа"),
        QStringLiteral("Бар"),      QStringLiteral("кгс/см2"),  QStringLiteral("кгс/м2"),
        QStringLiteral("м3/ч"),     QStringLiteral("шт"),       QStringLiteral("г"),
        QStringLiteral("кг"),       QStringLiteral("т"),        QStringLiteral("\u00B0K"),
        QStringLiteral("\u00B0F"),  QStringLiteral("Па"),       QStringLiteral("мБар"),
        QStringLiteral("Psi"),      QStringLiteral("имп"),      QStringLiteral("-"),
        QStringLiteral("В"),        QStringLiteral("мм.рт.ст"), QStringLiteral("мм.вод.ст"),
        QStringLiteral("м.вод.ст"), QStringLiteral("ppm"),      QStringLiteral("мг/л"),
        QStringLiteral("NTU"),      QStringLiteral("FNU"),      QStringLiteral("pH"),
        QStringLiteral("мкСм/см"),  QStringLiteral("ppt"),      QStringLiteral("мм/ч"),
        QStringLiteral("мм/мин"),   QStringLiteral("уд./ч"),    QStringLiteral("уд./мин"),
        QStringLiteral("гПа"),      QStringLiteral("Вт/м2"),    QStringLiteral("lux"),
        QStringLiteral("м/с"),      QStringLiteral("км/ч"),     QStringLiteral("\u00B0(градусы)"),
        QStringLiteral("с"),        QStringLiteral("отн.ед."),
    };
}

QVector<int> unitCodesFor(int quantityCode)
{
    static const QVector<int> table[kQuantityCount] = {
        {0, 1, 15, 9, 16, 25, 17, 18, 19, 8, 49}, // Q (расход)
        {2},                                      // I (ток)
        {3, 27},                                  // V (напряжение)
        {4, 11, 22, 42, 12, 23, 13, 14, 24, 10},  // P (давление)
        {5, 20, 21},                              // T (температура)
        {3, 27, 6},                               // C (заряд батареи)
        {7, 8, 28, 29, 30},                       // H (уровень)
        {6},                                      // Φ (отн.влаж.)
        {10},                                     // f (абс.влаж.)
        {17, 18, 19},                             // m (масса)
        {26},                                     // лог.состояние
        {0, 1},                                   // V (объём)
        {6},                                      // C (концентрация)
        {6, 31, 32},                              // O (кислород)
        {32, 33, 34},                             // мутность
        {3, 35},                                  // pH
        {3},                                      // ОВП
        {36},                                     // Проводимость
        {37},                                     // Солёность
        {31},                                     // TDS
        {38, 39, 40, 41},                         // Интенсивность
        {43, 44},                                 // Освещённость
        {45, 46},                                 // V (скорость)
        {47},                                     // Направление
        {48},                                     // Длительность
        {16},                                     // Колличество
        {49},                                     // Безразмерная
        {48},                                     // T (период)
    };
    if (quantityCode < 0 || quantityCode >= kQuantityCount)
        return {};
    return table[quantityCode];
}

QVector<int> countingQuantityCodes()
{
    return {0, 11, 25};
}

int countingQuantityCode(int index)
{
    const QVector<int> codes = countingQuantityCodes();
    return index >= 0 && index < codes.size() ? codes.at(index) : -1;
}

int countingQuantityIndex(int quantityCode)
{
    return countingQuantityCodes().indexOf(quantityCode);
}

int unitCodeAt(int quantityCode, int unitIndex)
{
    const QVector<int> codes = unitCodesFor(quantityCode);
    return unitIndex >= 0 && unitIndex < codes.size() ? codes.at(unitIndex) : -1;
}

int unitIndexOf(int quantityCode, int unitCode)
{
    return unitCodesFor(quantityCode).indexOf(unitCode);
}

QStringList unitTextsFor(int quantityCode)
{
    const QStringList units = unitNames();
    QStringList texts;
    for (int code : unitCodesFor(quantityCode))
        texts << units.at(code);
    return texts;
}

} // namespace morlenta::config
