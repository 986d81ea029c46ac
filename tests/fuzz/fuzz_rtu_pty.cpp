// RTU frames arriving at the tool through a pseudo-terminal from a fuzzing peer: the tool sends
// one read request over its Modbus client, the peer answers with the fuzzer's bytes, and the
// reply goes through the tool's reply handler and dispatch. A reply must always finish (answer,
// error or time-out), and nothing but a block read may touch the configuration copy.
//
// Input: flags (bit 0: append a correct CRC, bit 1: send the frame in two parts), start address
// (2 bytes, big-endian), register count - 1 (1 byte), then the frame as it goes on the line.
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QModbusReply>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzzsupport.h"
#include "link/linktuning.h"
#include "link/portlist.h"
#include "ptypeer.h"
#include "support/valvetestaccess.h"

using VTA = ValveTestAccess;

namespace {

constexpr int kRequestBytes = 8; // a read request: address, function, start, count, CRC
constexpr int kMaxFrame = 256;
constexpr int kWaitMs = 3000; // far beyond the shortened time-out: a reply that takes longer hangs

quint16 crc16(const std::uint8_t *data, std::size_t size)
{
    quint16 crc = 0xFFFF;
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? quint16((crc >> 1) ^ 0xA001) : quint16(crc >> 1);
    }
    return crc;
}

void writeMaster(const std::uint8_t *data, std::size_t size)
{
    while (size > 0) {
        const long n = fuzz::writePeer(data, size);
        if (n < 0 && errno != EAGAIN)
            fuzz::fail("writing to the pty master failed", errno);
        if (n <= 0) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
            continue;
        }
        data += n;
        size -= std::size_t(n);
    }
}

// Runs the event loop until `done` holds; false after kWaitMs.
template <typename Condition> bool waitFor(Condition done)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > kWaitMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
    }
    return true;
}

void openLine(Valve &v)
{
    std::string device;
    if (!fuzz::openPeer(device))
        fuzz::fail("openpty failed", errno);
    const QString name = QString::fromStdString(device);
    // The tool reads the variable at every port refresh.
    qputenv(link::kExtraPortsVariable, name.toLocal8Bit());

    Ui::Valve *ui = VTA::ui(v);
    // The port list is refreshed every second; let it list the line and see the choice before
    // the port is opened, or the refresh would release it again.
    if (!waitFor([&] { return ui->ports->findText(name) >= 0; }))
        fuzz::fail("the pty is not listed");
    ui->ports->setCurrentIndex(ui->ports->findText(name));
    ui->dev_br_1->setCurrentIndex(ui->dev_br_1->findText(QStringLiteral("115200")));
    int refreshes = 0;
    const QMetaObject::Connection counting =
        QObject::connect(VTA::portTimer(v), &QTimer::timeout, [&refreshes] { ++refreshes; });
    if (!waitFor([&] { return refreshes > 0; }))
        fuzz::fail("no port refresh");
    QObject::disconnect(counting);
    ui->connect->click();
    if (VTA::client(v)->state() != QModbusDevice::ConnectedState)
        fuzz::fail("the tool could not open the pty");
    fuzz::closePeerSlave(); // the tool holds its own descriptor
}

// libFuzzer ends the run with exit(): release the port, and with it the serial port's lock file.
void closeLine()
{
    VTA::client(fuzz::valve())->disconnectDevice();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    fuzz::initApplication(argc, argv);
    // Replies that never come cost 40 ms instead of half a minute.
    link::tuning().responseTimeoutMs = 40;
    link::tuning().retries = 0;
    openLine(fuzz::valve());
    std::atexit(closeLine);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 4 || size > 4 + kMaxFrame)
        return -1;
    Valve &v = fuzz::valve();
    if (VTA::client(v)->state() != QModbusDevice::ConnectedState)
        fuzz::fail("the port was released");

    const std::uint8_t flags = data[0];
    const quint16 start = quint16(data[1] << 8 | data[2]);
    const quint16 count = quint16(1 + data[3] % 125);
    QByteArray frame(reinterpret_cast<const char *>(data + 4), int(size - 4));
    if (flags & 1) {
        const quint16 crc = crc16(reinterpret_cast<const std::uint8_t *>(frame.constData()),
                                  std::size_t(frame.size()));
        frame.append(char(crc & 0xFF)).append(char(crc >> 8));
    }

    const auto configBefore = VTA::config(v);
    fuzz::drainPeer();
    QPointer<QModbusReply> reply = VTA::read(v, start, count);
    if (!reply)
        fuzz::fail("the client refused a read");
    int requestBytes = 0;
    if (!waitFor([&] { return (requestBytes += fuzz::drainPeer()) >= kRequestBytes; }))
        fuzz::fail("the request never reached the line");

    const auto *bytes = reinterpret_cast<const std::uint8_t *>(frame.constData());
    const std::size_t firstPart = (flags & 2) ? std::size_t(frame.size() / 2) : frame.size();
    writeMaster(bytes, firstPart);
    if (firstPart < std::size_t(frame.size())) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        writeMaster(bytes + firstPart, std::size_t(frame.size()) - firstPart);
    }
    if (!waitFor([&] { return !reply || reply->isFinished(); }))
        fuzz::fail("a reply never finished");
    fuzz::settle();
    fuzz::settle();

    if (start != 0 && VTA::config(v) != configBefore)
        fuzz::fail("configuration copy changed by a reply at", start);
    return 0;
}
