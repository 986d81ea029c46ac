#include "server.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <poll.h>
#include <unistd.h>

namespace sim {

namespace {

volatile sig_atomic_t g_stop = 0;
volatile sig_atomic_t g_outage = 0;

void onStopSignal(int)
{
    g_stop = 1;
}

void onOutageSignal(int)
{
    g_outage = 1;
}

int64_t monotonicMs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

// Time the request and the reply take on a real line, plus one t3.5 gap.
void waitWireTime(const LineSettings &l, size_t bytes)
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

} // namespace

sigset_t holdStopSignals()
{
    struct sigaction sa
    {
    };
    sa.sa_handler = onStopSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
    sa.sa_handler = onOutageSignal;
    sigaction(SIGUSR1, &sa, nullptr);
    sigset_t held, waitMask;
    sigemptyset(&held);
    for (int signal : {SIGTERM, SIGINT, SIGUSR1})
        sigaddset(&held, signal);
    sigprocmask(SIG_BLOCK, &held, &waitMask);
    for (int signal : {SIGTERM, SIGINT, SIGUSR1})
        sigdelset(&waitMask, signal);
    return waitMask;
}

Server::Server(const Options &opt, SerialLine &line, RequestLog &log)
    : opt_(opt), line_(line), log_(log),
      controller_(opt, monotonicMs(), static_cast<uint32_t>(std::time(nullptr)))
{
}

int Server::run(const sigset_t &waitMask)
{
    Framer framer;
    Frame request;
    while (!g_stop) {
        // While a frame is coming in, wait no longer than the silence that ends it.
        timespec wait{};
        if (framer.receiving()) {
            const int64_t left = std::max<int64_t>(0, framer.silenceAtMs() - monotonicMs());
            wait.tv_sec = left / 1000;
            wait.tv_nsec = (left % 1000) * 1000000;
        }
        pollfd p{line_.fd(), POLLIN, 0};
        const int ready = ppoll(&p, 1, framer.receiving() ? &wait : nullptr, &waitMask);
        if (g_outage) {
            g_outage = 0;
            outageEndMs_ = monotonicMs() + opt_.outageMs;
        }
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            std::fprintf(stderr, "morlenta-sim: poll: %s\n", std::strerror(errno));
            return 1;
        }
        const int64_t now = monotonicMs();
        if (ready == 0) {
            if (framer.silence(request) && !serve(request, now))
                return 1;
            continue;
        }
        if (p.revents & POLLIN) {
            uint8_t chunk[256];
            const ssize_t n = read(line_.fd(), chunk, sizeof chunk);
            if (n > 0)
                framer.received(chunk, static_cast<size_t>(n), now);
            else if (n == 0 || (errno != EAGAIN && errno != EINTR))
                p.revents |= POLLHUP;
        }
        if (p.revents & (POLLHUP | POLLERR | POLLNVAL)) {
            std::fprintf(stderr, "morlenta-sim: line %s closed\n", opt_.device.c_str());
            return 1;
        }
        while (framer.nextRequest(request)) {
            if (!serve(request, now))
                return 1;
        }
    }
    return 0;
}

bool Server::serve(const Frame &request, int64_t nowMs)
{
    if (request[0] != controller_.address()) {
        log_.write(nowMs, request, false);
        return true;
    }
    ++requestsToMe_;
    // The controller does not see the request: its online time runs on.
    if ((opt_.silentAfter && requestsToMe_ > opt_.silentAfter) || nowMs < outageEndMs_) {
        log_.write(nowMs, request, false);
        return true;
    }
    const Reply reply = controller_.handle(request.data() + 1, request.size() - 3, nowMs);
    if (!reply.answered) {
        log_.write(nowMs, request, false);
        return true;
    }

    // the old address still answers the write that changes it
    const Frame frame = replyFrame(request[0], reply.pdu);
    if (opt_.wireTime)
        waitWireTime(line_.settings(), request.size() + frame.size());
    // logged before it goes out: whoever has the reply finds its request in the log
    log_.write(nowMs, request, true, reply.exception, reply.pdu);
    if (!line_.writeAll(frame.data(), frame.size())) {
        std::fprintf(stderr, "morlenta-sim: write: %s\n", std::strerror(errno));
        return false;
    }

    LineSettings next;
    if (controller_.takeLineChange(next) && !line_.configure(next))
        std::fprintf(stderr, "morlenta-sim: cannot switch the line: %s\n", std::strerror(errno));
    return true;
}

// The reply on the line: address, PDU and CRC, with the reply faults that fall on this one.
Frame Server::replyFrame(uint8_t address, const Frame &pdu)
{
    ++replies_;
    Frame frame;
    frame.reserve(pdu.size() + 3);
    frame.push_back(address);
    frame.insert(frame.end(), pdu.begin(), pdu.end());
    if (opt_.wrongAddressEvery && replies_ % opt_.wrongAddressEvery == 0)
        frame[0] = static_cast<uint8_t>(address + 1);
    appendCrc(frame);
    if (opt_.badCrcEvery && replies_ % opt_.badCrcEvery == 0)
        frame.back() ^= 0xFF;
    if (opt_.truncateEvery && replies_ % opt_.truncateEvery == 0)
        frame.resize(frame.size() - 3);
    return frame;
}

} // namespace sim
