// morlenta-sim: the solenoid-valve controller's side of the line, for tests and bench work.
//
//   options.*     the command line
//   line.*        the serial line: open, raw mode, line settings
//   framing.*     the CRC, and requests cut out of the bytes received
//   controller.*  the registers: sleep and wake-up, configuration, live values, commands
//   server.*      the request loop: request to controller, reply (and its faults) to the line
//   requestlog.*  the JSON line per request (--log)
#include "line.h"
#include "options.h"
#include "requestlog.h"
#include "server.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

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

    sim::RequestLog log;
    if (!log.open(opt.logPath)) {
        std::fprintf(stderr, "morlenta-sim: cannot open log %s: %s\n", opt.logPath.c_str(),
                     std::strerror(errno));
        return 1;
    }
    sim::SerialLine line;
    if (!line.open(opt.device, opt.line)) {
        std::fprintf(stderr, "morlenta-sim: cannot open %s: %s\n", opt.device.c_str(),
                     std::strerror(errno));
        return 1;
    }

    const sigset_t waitMask = sim::holdStopSignals();
    sim::Server server(opt, line, log);
    std::printf("morlenta-sim: serving %s at address %d, %d %d%c%d, %s\n", opt.device.c_str(),
                opt.address, opt.line.baud, opt.line.dataBits, opt.line.parity, opt.line.stopBits,
                opt.awake ? "awake" : "asleep");
    std::fflush(stdout);

    const int status = server.run(waitMask);
    line.close();
    std::printf("morlenta-sim: stopped\n");
    return status;
}
