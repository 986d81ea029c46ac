#include "line.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace sim {

namespace {

bool speedOf(int baud, speed_t &speed)
{
    static const struct
    {
        int baud;
        speed_t speed;
    } kSpeeds[] = {{1200, B1200},   {2400, B2400},   {4800, B4800},   {9600, B9600},
                   {19200, B19200}, {38400, B38400}, {57600, B57600}, {115200, B115200}};
    for (const auto &s : kSpeeds) {
        if (s.baud == baud) {
            speed = s.speed;
            return true;
        }
    }
    return false;
}

} // namespace

// The simulator frames requests and builds replies itself (so that it can delay or damage them
// on purpose), so it needs no Modbus library: the line is a plain tty set up with termios.
bool SerialLine::open(const std::string &path, const LineSettings &settings)
{
    close();
    fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0)
        return false;
    if (tcgetattr(fd_, &saved_) != 0 || !configure(settings)) {
        const int error = errno;
        ::close(fd_);
        fd_ = -1;
        errno = error;
        return false;
    }
    return true;
}

bool SerialLine::configure(const LineSettings &settings)
{
    speed_t speed;
    if (!speedOf(settings.baud, speed)) {
        errno = EINVAL;
        return false;
    }
    termios tio{};
    if (tcgetattr(fd_, &tio) != 0)
        return false;
    // Raw bytes both ways: no echo, no line editing, no signals, no flow control, no
    // translation of CR or NL. A read returns at once with what is there.
    tio.c_iflag = settings.parity != 'N' ? INPCK : 0;
    tio.c_oflag = 0;
    tio.c_lflag = 0;
    tio.c_cflag = CREAD | CLOCAL | (settings.dataBits == 7 ? CS7 : CS8);
    if (settings.parity != 'N')
        tio.c_cflag |= PARENB | (settings.parity == 'O' ? PARODD : 0);
    if (settings.stopBits == 2)
        tio.c_cflag |= CSTOPB;
    for (cc_t &c : tio.c_cc)
        c = 0; // VMIN and VTIME 0, and no special characters
    if (cfsetispeed(&tio, speed) != 0 || cfsetospeed(&tio, speed) != 0 ||
        tcsetattr(fd_, TCSADRAIN, &tio) != 0)
        return false;
    settings_ = settings;
    return true;
}

void SerialLine::close()
{
    if (fd_ < 0)
        return;
    tcsetattr(fd_, TCSANOW, &saved_);
    ::close(fd_);
    fd_ = -1;
}

bool SerialLine::writeAll(const uint8_t *data, size_t len)
{
    while (len > 0) {
        const ssize_t n = ::write(fd_, data, len);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (errno == EAGAIN) {
                pollfd p{fd_, POLLOUT, 0};
                poll(&p, 1, 1000);
                continue;
            }
            return false;
        }
        data += n;
        len -= static_cast<size_t>(n);
    }
    return true;
}

} // namespace sim
