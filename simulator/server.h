// The request loop: requests from the line go to the controller, its replies go back on the
// line, damaged or delayed as the fault options ask, and every request goes into the log.
#pragma once

#include "controller.h"
#include "framing.h"
#include "line.h"
#include "options.h"
#include "requestlog.h"

#include <csignal>

namespace sim {

// Blocks SIGTERM and SIGINT, which from now on stop Server::run(), and SIGUSR1, which starts an
// outage (--outage-ms); all three arrive only while it waits for the line. Returns the signal
// mask to wait with.
sigset_t holdStopSignals();

class Server
{
public:
    Server(const Options &opt, SerialLine &line, RequestLog &log);

    // Serves until a stop signal (0) or until the line fails (1).
    int run(const sigset_t &waitMask);

private:
    // Answers (or not) one request frame; false when the line is gone.
    bool serve(const Frame &request, int64_t nowMs);
    Frame replyFrame(uint8_t address, const Frame &pdu);

    const Options &opt_;
    SerialLine &line_;
    RequestLog &log_;
    Controller controller_;
    unsigned requestsToMe_ = 0;
    unsigned replies_ = 0;
    int64_t outageEndMs_ = 0; // nothing is answered before then
};

} // namespace sim
