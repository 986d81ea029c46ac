#ifndef LINK_DISPATCH_H
#define LINK_DISPATCH_H

#include <QVector>
#include <QtGlobal>

#include "device/registermap.h"

namespace morlenta::link {

// Where a read reply goes, by the start address of its request: the register of the map that
// starts there and that the tool reads. Target::None for any other address.
device::Route routeFor(int start);

// Copies a reply's values into the mirror from index 0, as many as fit; returns the number
// copied. Words past them keep their previous content.
int copyToMirror(const QVector<quint16> &values, quint16 *mirror, int mirrorWords);

} // namespace morlenta::link

#endif // LINK_DISPATCH_H
