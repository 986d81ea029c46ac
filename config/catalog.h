#ifndef CONFIG_CATALOG_H
#define CONFIG_CATALOG_H

#include <QStringList>
#include <QVector>

// The catalogues behind the quantity and unit codes of the configuration block.
namespace morlenta::config {

constexpr int kQuantityCount = 28;
constexpr int kUnitCount = 50;

// Quantity code = position in this list.
QStringList quantityNames();
// Unit code = position in this list.
QStringList unitNames();

// The unit codes a quantity may use, in the order the unit box offers them; the first is the one
// shown after a refill. Empty for a code outside 0..27.
QVector<int> unitCodesFor(int quantityCode);

// Counting inputs offer three quantities: combo index 0, 1, 2 stand for these codes.
QVector<int> countingQuantityCodes();
// Quantity code of counting combo index k, or -1 when k is not 0..2.
int countingQuantityCode(int index);
// Counting combo index of a quantity code, or -1 when counting inputs do not offer it.
int countingQuantityIndex(int quantityCode);

// Unit code of entry `unitIndex` of the unit list of `quantityCode`, or -1 when there is none.
int unitCodeAt(int quantityCode, int unitIndex);
// Index of `unitCode` within the unit list of `quantityCode`, or -1 when that list lacks it.
int unitIndexOf(int quantityCode, int unitCode);
// Unit texts of `quantityCode`, in table order.
QStringList unitTextsFor(int quantityCode);

} // namespace morlenta::config

#endif // CONFIG_CATALOG_H
