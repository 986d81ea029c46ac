#ifndef LINK_MESSAGES_H
#define LINK_MESSAGES_H

#include <QModbusDevice>
#include <QString>

class QModbusResponse;

// Status-bar texts of the device link. All pass through the translation function with the
// main window's context.
namespace morlenta::link {

QString connectError(const QString &reason);   // opening failed or the open port was lost
QString readSendError(const QString &reason);  // the client refused a read
QString writeSendError(const QString &reason); // the client refused a write

// A read or write reply that finished with an error. A protocol error (the controller sent an
// exception response) shows the exception code, any other error the error code, both in
// lower-case hex without leading zeros.
QString readReplyError(QModbusDevice::Error error, const QString &reason, int exceptionCode);
QString writeReplyError(QModbusDevice::Error error, const QString &reason, int exceptionCode);

// The exception code of a raw reply, 0xff when it is not an exception response.
int exceptionCodeOf(const QModbusResponse &raw);

// A USB vendor or product identifier as shown in the port snapshot: lower-case hex, or "N/A"
// for a port without one.
QString identifierText(quint16 identifier);

} // namespace morlenta::link

#endif // LINK_MESSAGES_H
