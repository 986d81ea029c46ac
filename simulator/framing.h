// RTU framing: the CRC, and the cutting of the bytes from the line into request frames.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace sim {

using Frame = std::vector<uint8_t>;

uint16_t crc16(const uint8_t *data, size_t len);
void appendCrc(Frame &frame);

// Collects the bytes from the line and hands out the requests in them.
//
// A request of a function whose length is known (0x01..0x06, 0x0F, 0x10) ends with its last
// byte; one of any other function ends with a silence of kSilenceMs. A frame with a bad CRC drops
// everything received so far (the line is out of step: the next burst starts afresh); so does a
// silence, and more than 256 bytes without a complete frame.
class Framer
{
public:
    static constexpr int kSilenceMs = 100;

    void received(const uint8_t *data, size_t len, int64_t nowMs);
    // The next complete request received, if there is one.
    bool nextRequest(Frame &request);
    // After kSilenceMs without a byte: the request of unknown length that ends here, if any.
    bool silence(Frame &request);

    bool receiving() const { return !buf_.empty(); }
    int64_t silenceAtMs() const { return lastByteMs_ + kSilenceMs; }

private:
    Frame buf_; // bytes of the request being received
    int64_t lastByteMs_ = 0;
};

} // namespace sim
