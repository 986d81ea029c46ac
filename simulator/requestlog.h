// The request log (--log): one JSON line per request received, for the tests and benchmarks
// that check what reached the controller and what it answered.
#pragma once

#include "framing.h"

#include <cstdint>
#include <string>

namespace sim {

class RequestLog
{
public:
    RequestLog() = default;
    RequestLog(const RequestLog &) = delete;
    RequestLog &operator=(const RequestLog &) = delete;
    ~RequestLog();

    // Appends to the file at path; an empty path logs nothing. False with errno set on failure.
    bool open(const std::string &path);

    // `request` is a whole frame, address and CRC included. `reply` is the PDU sent back: an
    // answered read also logs the words it served.
    void write(int64_t ms, const Frame &request, bool answered, int exception = 0,
               const Frame &reply = {});

private:
    int fd_ = -1;
};

} // namespace sim
