#include "transport/messages.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QModbusPdu>

#include <algorithm>

namespace morlenta::transport {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("Valve", text);
}

QString hex(int value)
{
    return QString::number(value, 16);
}

} // namespace

QString readSendError(const QString &reason)
{
    return tr("ошибка чтения : %1").arg(reason);
}

QString writeSendError(const QString &reason)
{
    return tr("ошибка записи : %1").arg(reason);
}

QString readReplyError(QModbusDevice::Error error, const QString &reason, int exceptionCode)
{
    if (error == QModbusDevice::ProtocolError)
        return tr("Read response error: %1 (Mobus exception: 0x%2)")
            .arg(reason, hex(exceptionCode));
    return tr("Read response error: %1 (code: 0x%2)").arg(reason, hex(int(error)));
}

QString writeReplyError(QModbusDevice::Error error, const QString &reason, int exceptionCode)
{
    if (error == QModbusDevice::ProtocolError)
        return tr("ошибка записи : %1 (Модбас исключение : 0x%2)").arg(reason, hex(exceptionCode));
    return tr("ошибка записи : %1 (код : 0x%2)").arg(reason, hex(int(error)));
}

int exceptionCodeOf(const QModbusResponse &raw)
{
    // Read from the PDU's bytes: an exception response keeps its function code with the
    // exception bit set in an enum that has no such value, and the inline accessors that load
    // it are undefined behaviour (the sanitizer build stops on them).
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    stream << static_cast<const QModbusPdu &>(raw);
    const bool exception = bytes.size() >= 2 && (quint8(bytes.at(0)) & QModbusPdu::ExceptionByte);
    return exception ? quint8(bytes.at(1)) : 0xff;
}

int copyToMirror(const QVector<quint16> &values, quint16 *mirror, int mirrorWords)
{
    const int count = std::clamp(values.size(), 0, std::max(mirrorWords, 0));
    std::copy_n(values.cbegin(), count, mirror);
    return count;
}

} // namespace morlenta::transport
