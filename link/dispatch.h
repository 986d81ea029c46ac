#ifndef LINK_DISPATCH_H
#define LINK_DISPATCH_H

#include <QVector>
#include <QtGlobal>

// Where a read reply goes, by the start address of its request.
namespace morlenta::link {

enum class Target {
    None,          // copied into the mirror, otherwise ignored
    Configuration, // the whole configuration block
    Register153,   // stored as it is
    Solenoid,
    Discrete,
    Counter,
    Analog,
    Capacitor,
    Probe,
    Temperature,
    Clock,
};

struct Route
{
    Target target = Target::None;
    int input = 0;       // 0 or 1 for the per-input targets
    int quantity = 0;    // counting 0..3, analog 0..5, in the order of the inputs page
    int wordsNeeded = 0; // words the handler reads from the mirror
};

Route routeFor(int start);

// A 32-bit value from two registers, the lower-numbered one holding the high half.
inline quint32 joinWords(quint16 high, quint16 low)
{
    return (quint32(high) << 16) | low;
}
inline quint16 highWord(quint32 value)
{
    return quint16(value >> 16);
}
inline quint16 lowWord(quint32 value)
{
    return quint16(value & 0xFFFF);
}

// Copies a reply's values into the mirror from index 0, as many as fit; returns the number
// copied. Words past them keep their previous content.
int copyToMirror(const QVector<quint16> &values, quint16 *mirror, int mirrorWords);

} // namespace morlenta::link

#endif // LINK_DISPATCH_H
