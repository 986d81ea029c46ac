// morlenta-sim: the solenoid-valve controller's side of the line, for tests and bench work.
// libmodbus opens and sets up the line; requests are framed and replies built here, so that
// replies can be delayed or damaged on purpose.
#include "controller.h"
#include "options.h"

#include <modbus/modbus.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <string>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace {

volatile sig_atomic_t g_stop = 0;

void onSignal(int)
{
    g_stop = 1;
}

int64_t monotonicMs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

uint16_t crc16(const uint8_t *data, size_t len)
{
    uint16_t crc = 0xFFFF;
    for (size_t i = 0; i < len; ++i) {
        crc ^= data[i];
        for (int b = 0; b < 8; ++b)
            crc = (crc & 1) ? static_cast<uint16_t>((crc >> 1) ^ 0xA001) : crc >> 1;
    }
    return crc;
}

void appendCrc(std::vector<uint8_t> &frame)
{
    const uint16_t crc = crc16(frame.data(), frame.size());
    frame.push_back(static_cast<uint8_t>(crc & 0xFF));
    frame.push_back(static_cast<uint8_t>(crc >> 8));
}

// Silence after which a frame still incomplete is dropped (or, for a function whose request
// length is not known here, taken as complete).
constexpr int kSilenceMs = 100;
constexpr size_t kMaxFrame = 256;
constexpr size_t kUnknownLength = SIZE_MAX;

// Length of the request frame at the start of buf: 0 while too few bytes are in to tell,
// kUnknownLength for functions whose request length is not fixed here.
size_t requestLength(const std::vector<uint8_t> &buf)
{
    if (buf.size() < 2)
        return 0;
    switch (buf[1]) {
    case 0x01:
    case 0x02:
    case 0x03:
    case 0x04:
    case 0x05:
    case 0x06:
        return 8;
    case 0x0F:
    case 0x10:
        return buf.size() < 7 ? 0 : 9u + buf[6];
    default:
        return kUnknownLength;
    }
}

bool crcOk(const uint8_t *frame, size_t len)
{
    return len >= 4 && crc16(frame, len - 2) == (frame[len - 2] | frame[len - 1] << 8);
}

bool writeAll(int fd, const uint8_t *data, size_t len)
{
    while (len > 0) {
        const ssize_t n = write(fd, data, len);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (errno == EAGAIN) {
                pollfd p{fd, POLLOUT, 0};
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

speed_t speedOf(int baud)
{
    switch (baud) {
    case 1200:
        return B1200;
    case 2400:
        return B2400;
    case 4800:
        return B4800;
    case 19200:
        return B19200;
    case 38400:
        return B38400;
    case 57600:
        return B57600;
    case 115200:
        return B115200;
    default:
        return B9600;
    }
}

bool applyLine(int fd, const sim::LineSettings &l)
{
    termios tio{};
    if (tcgetattr(fd, &tio) != 0)
        return false;
    cfsetispeed(&tio, speedOf(l.baud));
    cfsetospeed(&tio, speedOf(l.baud));
    tio.c_cflag &= ~(CSIZE | PARENB | PARODD | CSTOPB);
    tio.c_cflag |= l.dataBits == 7 ? CS7 : CS8;
    if (l.parity != 'N')
        tio.c_cflag |= PARENB | (l.parity == 'O' ? PARODD : 0);
    if (l.stopBits == 2)
        tio.c_cflag |= CSTOPB;
    return tcsetattr(fd, TCSADRAIN, &tio) == 0;
}

// Time the request and the reply take on a real line, plus one t3.5 gap.
void waitWireTime(const sim::LineSettings &l, size_t bytes)
{
    const double bitsPerChar = 1 + l.dataBits + (l.parity != 'N' ? 1 : 0) + l.stopBits;
    const double charSeconds = bitsPerChar / l.baud;
    const double gap = l.baud <= 19200 ? 3.5 * charSeconds : 0.00175;
    const double total = static_cast<double>(bytes) * charSeconds + gap;
    timespec ts{};
    ts.tv_sec = static_cast<time_t>(total);
    ts.tv_nsec = static_cast<long>((total - static_cast<double>(ts.tv_sec)) * 1e9);
    while (clock_nanosleep(CLOCK_MONOTONIC, 0, &ts, &ts) == EINTR) {
    }
}

class RequestLog
{
public:
    explicit RequestLog(const std::string &path)
    {
        if (!path.empty())
            fd_ = open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    }
    ~RequestLog()
    {
        if (fd_ >= 0)
            close(fd_);
    }
    bool failed(const std::string &path) const { return !path.empty() && fd_ < 0; }

    // `reply` is the PDU sent back: an answered read also logs the words it served.
    void write(int64_t ms, const uint8_t *frame, size_t len, bool answered, int exception,
               const std::vector<uint8_t> &reply = {})
    {
        if (fd_ < 0)
            return;
        const uint8_t fn = frame[1];
        auto word = [&](size_t at) -> unsigned {
            return at + 1 < len ? static_cast<unsigned>(frame[at] << 8 | frame[at + 1]) : 0;
        };
        const size_t dataEnd = len >= 2 ? len - 2 : 0; // without the CRC
        const bool registers = fn == 0x03 || fn == 0x06 || fn == 0x10;
        const unsigned start = registers ? word(2) : 0;
        unsigned count = registers ? word(4) : 0;
        std::string values;
        if (fn == 0x06) {
            count = 1;
            values = std::to_string(word(4));
        } else if (fn == 0x10) {
            for (size_t at = 7; at + 1 < dataEnd && at < 7u + frame[6]; at += 2) {
                if (!values.empty())
                    values += ',';
                values += std::to_string(word(at));
            }
        }
        std::string line = "{\"ms\":" + std::to_string(ms) +
                           ",\"addr\":" + std::to_string(frame[0]) +
                           ",\"fn\":" + std::to_string(fn) + ",\"start\":" + std::to_string(start) +
                           ",\"count\":" + std::to_string(count);
        if (fn == 0x06 || fn == 0x10)
            line += ",\"values\":[" + values + "]";
        if (fn == 0x03 && reply.size() >= 2 && reply[0] == 0x03) {
            std::string served;
            for (size_t at = 2; at + 1 < reply.size() && at < 2u + reply[1]; at += 2)
                served += (served.empty() ? "" : ",") +
                          std::to_string(reply[at] << 8 | reply[at + 1]);
            line += ",\"served\":[" + served + "]";
        }
        line += std::string(",\"answered\":") + (answered ? "true" : "false");
        if (exception)
            line += ",\"exception\":" + std::to_string(exception);
        line += "}\n";
        // one write per line, so that a reader never sees two lines interleaved
        const ssize_t n = ::write(fd_, line.data(), line.size());
        (void)n;
    }

private:
    int fd_ = -1;
};

} // namespace

int main(int argc, char **argv)
{
    sim::Options opt;
    std::string error;
    switch (sim::parseOptions(argc, argv, opt, error)) {
    case sim::ParseResult::Help:
        std::fputs(sim::usageText(), stdout);
        return 0;
    case sim::ParseResult::Error:
        std::fprintf(stderr, "morlenta-sim: %s\n%s", error.c_str(), sim::usageText());
        return 2;
    case sim::ParseResult::Ok:
        break;
    }

    RequestLog log(opt.logPath);
    if (log.failed(opt.logPath)) {
        std::fprintf(stderr, "morlenta-sim: cannot open log %s: %s\n", opt.logPath.c_str(),
                     std::strerror(errno));
        return 1;
    }

    modbus_t *ctx = modbus_new_rtu(opt.device.c_str(), opt.line.baud, opt.line.parity,
                                   opt.line.dataBits, opt.line.stopBits);
    if (!ctx || modbus_connect(ctx) != 0) {
        std::fprintf(stderr, "morlenta-sim: cannot open %s: %s\n", opt.device.c_str(),
                     modbus_strerror(errno));
        if (ctx)
            modbus_free(ctx);
        return 1;
    }
    const int fd = modbus_get_socket(ctx);

    // SIGTERM and SIGINT are only let through while waiting for a request.
    struct sigaction sa
    {
    };
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
    sigset_t blocked, waitMask;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGTERM);
    sigaddset(&blocked, SIGINT);
    sigprocmask(SIG_BLOCK, &blocked, &waitMask);
    sigdelset(&waitMask, SIGTERM);
    sigdelset(&waitMask, SIGINT);

    const int64_t startMs = monotonicMs();
    sim::Controller controller(opt, startMs, static_cast<uint32_t>(std::time(nullptr)));
    sim::LineSettings line = opt.line;

    std::printf("morlenta-sim: serving %s at address %d, %d %d%c%d, %s\n", opt.device.c_str(),
                opt.address, line.baud, line.dataBits, line.parity, line.stopBits,
                opt.awake ? "awake" : "asleep");
    std::fflush(stdout);

    unsigned requestsToMe = 0;
    unsigned replies = 0;
    int status = 0;
    std::vector<uint8_t> buf; // bytes of the request being received
    int64_t lastByteMs = 0;

    // Answers (or not) one complete request frame; false when the line is gone.
    auto serve = [&](const uint8_t *req, size_t len, int64_t now) {
        const int64_t ms = now - startMs;
        if (req[0] != controller.address()) {
            log.write(ms, req, len, false, 0);
            return true;
        }
        ++requestsToMe;
        if (opt.silentAfter && requestsToMe > opt.silentAfter) {
            log.write(ms, req, len, false, 0);
            return true;
        }
        const sim::Reply reply = controller.handle(req + 1, len - 3, now);
        if (!reply.answered) {
            log.write(ms, req, len, false, 0);
            return true;
        }

        std::vector<uint8_t> frame;
        frame.push_back(req[0]); // the old address still answers the write that changes it
        frame.insert(frame.end(), reply.pdu.begin(), reply.pdu.end());
        ++replies;
        if (opt.wrongAddressEvery && replies % opt.wrongAddressEvery == 0)
            frame[0] = static_cast<uint8_t>(frame[0] + 1);
        appendCrc(frame);
        if (opt.badCrcEvery && replies % opt.badCrcEvery == 0)
            frame[frame.size() - 1] ^= 0xFF;
        if (opt.truncateEvery && replies % opt.truncateEvery == 0)
            frame.resize(frame.size() - 3);
        if (opt.wireTime)
            waitWireTime(line, len + frame.size());
        // logged before it goes out: whoever has the reply finds its request in the log
        log.write(ms, req, len, true, reply.exception, reply.pdu);
        if (!writeAll(fd, frame.data(), frame.size())) {
            std::fprintf(stderr, "morlenta-sim: write: %s\n", std::strerror(errno));
            return false;
        }

        sim::LineSettings next;
        if (controller.takeLineChange(next)) {
            if (applyLine(fd, next))
                line = next;
            else
                std::fprintf(stderr, "morlenta-sim: cannot switch the line: %s\n",
                             std::strerror(errno));
        }
        return true;
    };

    // Requests are framed here rather than by libmodbus: its RTU server takes the frame after a
    // request for another address as that server's reply and drops it, which on a line without
    // that server loses the next request.
    bool lineUp = true;
    while (!g_stop && lineUp) {
        timespec wait{};
        timespec *timeout = nullptr;
        if (!buf.empty()) {
            const int64_t left = std::max<int64_t>(0, lastByteMs + kSilenceMs - monotonicMs());
            wait.tv_sec = left / 1000;
            wait.tv_nsec = (left % 1000) * 1000000;
            timeout = &wait;
        }
        pollfd p{fd, POLLIN, 0};
        const int pr = ppoll(&p, 1, timeout, &waitMask);
        if (pr < 0) {
            if (errno == EINTR)
                continue;
            std::fprintf(stderr, "morlenta-sim: poll: %s\n", std::strerror(errno));
            status = 1;
            break;
        }
        const int64_t now = monotonicMs();
        if (pr == 0) {
            // Silence: a frame of a function with no fixed length ends here, anything else
            // incomplete is dropped.
            if (requestLength(buf) == kUnknownLength && crcOk(buf.data(), buf.size()))
                lineUp = serve(buf.data(), buf.size(), now);
            buf.clear();
            continue;
        }
        if (p.revents & POLLIN) {
            uint8_t chunk[kMaxFrame];
            const ssize_t n = read(fd, chunk, sizeof chunk);
            if (n > 0) {
                buf.insert(buf.end(), chunk, chunk + n);
                lastByteMs = now;
            } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
                p.revents |= POLLHUP;
            }
        }
        if (p.revents & (POLLHUP | POLLERR | POLLNVAL)) {
            std::fprintf(stderr, "morlenta-sim: line %s closed\n", opt.device.c_str());
            status = 1;
            break;
        }
        for (;;) {
            const size_t len = requestLength(buf);
            if (len == 0 || len == kUnknownLength || buf.size() < len)
                break;
            if (!crcOk(buf.data(), len)) {
                buf.clear(); // out of step: start again with the next burst
                break;
            }
            const std::vector<uint8_t> req(buf.begin(), buf.begin() + static_cast<long>(len));
            buf.erase(buf.begin(), buf.begin() + static_cast<long>(len));
            lineUp = serve(req.data(), req.size(), now);
            if (!lineUp)
                break;
        }
        if (buf.size() > kMaxFrame)
            buf.clear();
    }
    if (!lineUp)
        status = 1;

    modbus_close(ctx);
    modbus_free(ctx);
    std::printf("morlenta-sim: stopped\n");
    return status;
}
