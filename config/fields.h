#ifndef CONFIG_FIELDS_H
#define CONFIG_FIELDS_H

#include <QString>
#include <QtGlobal>

#include <array>

// The codecs of the configuration block's fields that the settings form shows: the identifier,
// the per-input bits, the discrete edge codes. The block itself is in device/registermap.h.
namespace morlenta::config {

using IdentifierWords = std::array<quint16, 4>;

// The identifier as the header shows it: 16 lower-case hex digits "abc-12-3456ef-78-9a-b",
// byte 2k in the low and byte 2k+1 in the high half of word k.
QString identifierText(const IdentifierWords &words);
// The identifier as typed on the service page (dashes anywhere, 16 hex digits in either case)
// into the identifier words. False, and `words` untouched, unless the text holds exactly 16 hex
// digits.
bool parseIdentifier(const QString &text, IdentifierWords &words);

// The edge and control-type words: bit 0 for input 1, bit 1 for input 2.
quint16 packInputBits(int input1Index, int input2Index);
int inputBit(quint16 word, int input);

// A discrete edge code (0 off, 1 falling, 2 rising) is stored as a float; reading it back
// truncates toward zero. A value that is no integer at all (NaN, infinite, beyond int) gives -1,
// which leaves the combo box without a current item.
float discreteEdgeFloat(int index);
int discreteEdgeIndex(float stored);

} // namespace morlenta::config

#endif // CONFIG_FIELDS_H
