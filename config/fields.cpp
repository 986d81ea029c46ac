#include "config/fields.h"

#include <cmath>
#include <limits>

namespace morlenta::config {

QString identifierText(const IdentifierWords &words)
{
    QString digits;
    for (quint16 word : words) {
        digits += QStringLiteral("%1").arg(word & 0xFF, 2, 16, QLatin1Char('0'));
        digits += QStringLiteral("%1").arg(word >> 8, 2, 16, QLatin1Char('0'));
    }
    // Groups of 3, 2, 6, 2, 2 and 1 digits; the dashes do not follow the bytes.
    for (int pos : {3, 6, 13, 16, 19})
        digits.insert(pos, QLatin1Char('-'));
    return digits;
}

namespace {

int hexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}

} // namespace

bool parseIdentifier(const QString &text, IdentifierWords &words)
{
    QString digits = text;
    digits.remove(QLatin1Char('-'));
    if (digits.size() != 16)
        return false;
    IdentifierWords parsed{};
    for (int i = 0; i < 16; ++i) {
        const int nibble = hexDigit(digits.at(i));
        if (nibble < 0)
            return false;
        // digit i belongs to byte i / 2 (first digit high nibble); even bytes go low in a word
        const int byte = i / 2;
        const int shift = (byte % 2 ? 8 : 0) + (i % 2 ? 0 : 4);
        parsed[byte / 2] |= quint16(nibble << shift);
    }
    words = parsed;
    return true;
}

quint16 packInputBits(int input1Index, int input2Index)
{
    return quint16(input1Index + 2 * input2Index);
}

int inputBit(quint16 word, int input)
{
    return (word >> (input - 1)) & 1;
}

float discreteEdgeFloat(int index)
{
    return float(index);
}

int discreteEdgeIndex(float stored)
{
    // Converting a float beyond int's range (or NaN) to int is undefined behaviour.
    constexpr float limit = 2147483648.0f; // 2^31, exact in single precision
    if (!std::isfinite(stored) || stored >= limit || stored <= -limit)
        return -1;
    return int(stored); // truncation toward zero
}

} // namespace morlenta::config
