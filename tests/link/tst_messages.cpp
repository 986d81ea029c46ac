// Status-bar texts of the link and the port snapshot.
#include <QtTest>

#include <QModbusPdu>

#include "link/messages.h"
#include "link/portlist.h"

class TestMessages : public QObject
{
    Q_OBJECT

private slots:
    void replyErrors();
    void sendErrors();
    void exceptionCodes();
    void snapshot();
    void extraPorts();
};

void TestMessages::replyErrors()
{
    // The controller's exception code, in hex without leading zeros.
    QCOMPARE(link::readReplyError(QModbusDevice::ProtocolError, "Bad", 2),
             QStringLiteral("Read response error: Bad (Mobus exception: 0x2)"));
    QCOMPARE(link::readReplyError(QModbusDevice::ProtocolError, "Bad", 0xff),
             QStringLiteral("Read response error: Bad (Mobus exception: 0xff)"));
    // Any other error shows Qt's error code: 5 time-out, 7 aborted.
    QCOMPARE(link::readReplyError(QModbusDevice::TimeoutError, "Request timeout.", 2),
             QStringLiteral("Read response error: Request timeout. (code: 0x5)"));
    QCOMPARE(link::readReplyError(QModbusDevice::ReplyAbortedError, "x", 0),
             QStringLiteral("Read response error: x (code: 0x7)"));
    QCOMPARE(link::writeReplyError(QModbusDevice::ProtocolError, "Bad", 0x0b),
             QStringLiteral("ошибка записи : Bad (Модбас исключение : 0xb)"));
    QCOMPARE(link::writeReplyError(QModbusDevice::TimeoutError, "T", 4),
             QStringLiteral("ошибка записи : T (код : 0x5)"));
}

void TestMessages::sendErrors()
{
    QCOMPARE(link::readSendError("Device not connected."),
             QStringLiteral("ошибка чтения : Device not connected."));
    QCOMPARE(link::writeSendError("E"), QStringLiteral("ошибка записи : E"));
    QCOMPARE(link::connectError("No such file or directory"),
             QStringLiteral("ошибка подключения : No such file or directory"));
    // A reason carrying a placeholder is shown as it is.
    QCOMPARE(link::connectError("%1 %2"), QStringLiteral("ошибка подключения : %1 %2"));
}

void TestMessages::exceptionCodes()
{
    const QModbusExceptionResponse exception(QModbusPdu::ReadHoldingRegisters,
                                             QModbusPdu::IllegalDataAddress);
    QCOMPARE(link::exceptionCodeOf(exception), 2);
    const QModbusResponse plain(QModbusPdu::ReadHoldingRegisters, quint8(2), quint16(0xFACE));
    QCOMPARE(link::exceptionCodeOf(plain), 0xff);
    QCOMPARE(link::exceptionCodeOf(QModbusResponse()), 0xff);
}

void TestMessages::snapshot()
{
    const QStringList snapshot =
        link::buildSnapshot({{"COM3", 0x1A86, 0x7523}, {"COM1", 0, 0}, {"COM7", 0x0403, 0}});
    QCOMPARE(snapshot,
             QStringList({"COM3", "1a86", "7523", "COM1", "N/A", "N/A", "COM7", "403", "N/A"}));
    QCOMPARE(link::portNames(snapshot), QStringList({"COM3", "COM1", "COM7"}));
    QVERIFY(link::portNames({}).isEmpty());
}

void TestMessages::extraPorts()
{
    QVERIFY(link::extraPorts(QByteArray()).isEmpty());
    const QVector<link::PortEntry> ports = link::extraPorts("/tmp/a/tool::/dev/pts/4:");
    QCOMPARE(ports.size(), 2); // empty entries are skipped
    QCOMPARE(ports[0].name, QStringLiteral("/tmp/a/tool"));
    QCOMPARE(ports[1].name, QStringLiteral("/dev/pts/4"));
    // They are listed after the system's ports, without identifiers.
    qputenv(link::kExtraPortsVariable, "/tmp/x");
    const QVector<link::PortEntry> all = link::availablePorts();
    QCOMPARE(all.last().name, QStringLiteral("/tmp/x"));
    QCOMPARE(link::buildSnapshot({all.last()}).mid(1), QStringList({"N/A", "N/A"}));
    qunsetenv(link::kExtraPortsVariable);
}

QTEST_MAIN(TestMessages)
#include "tst_messages.moc"
