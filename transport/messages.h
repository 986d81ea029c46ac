#ifndef TRANSPORT_MESSAGES_H
#define TRANSPORT_MESSAGES_H

#include <QModbusDevice>
#include <QString>
#include <QVector>

class QModbusResponse;

// Pure helpers of the request transport: the status-bar texts of refused and failed requests
// (through the translation function with the main window's context) and the mirror copy.
namespace morlenta::transport {

QString readSendError(const QString &reason);  // the client refused a read
QString writeSendError(const QString &reason); // the client refused a write

// A read or write reply that finished with an error. A protocol error (the controller sent an
// exception response) shows the exception code, any other error the error code, both in
// lower-case hex without leading zeros.
QString readReplyError(QModbusDevice::Error error, const QString &reason, int exceptionCode);
QString writeReplyError(QModbusDevice::Error error, const QString &reason, int exceptionCode);

// The exception code of a raw reply, 0xff when it is not an exception response.
int exceptionCodeOf(const QModbusResponse &raw);

// Copies a reply's values into the mirror from index 0, as many as fit; returns the number
// copied. Words past them keep their previous content.
int copyToMirror(const QVector<quint16> &values, quint16 *mirror, int mirrorWords);

} // namespace morlenta::transport

#endif // TRANSPORT_MESSAGES_H
