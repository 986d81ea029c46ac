#include "framing.h"

namespace sim {

namespace {

constexpr size_t kMaxFrame = 256;
constexpr size_t kUnknownLength = SIZE_MAX;

// Length of the request frame at the start of buf: 0 while too few bytes are in to tell,
// kUnknownLength for functions whose request length is not fixed here.
size_t requestLength(const Frame &buf)
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

} // namespace

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

void appendCrc(Frame &frame)
{
    const uint16_t crc = crc16(frame.data(), frame.size());
    frame.push_back(static_cast<uint8_t>(crc & 0xFF));
    frame.push_back(static_cast<uint8_t>(crc >> 8));
}

void Framer::received(const uint8_t *data, size_t len, int64_t nowMs)
{
    buf_.insert(buf_.end(), data, data + len);
    lastByteMs_ = nowMs;
}

bool Framer::nextRequest(Frame &request)
{
    const size_t len = requestLength(buf_);
    if (len == 0 || len == kUnknownLength || buf_.size() < len) {
        if (buf_.size() > kMaxFrame)
            buf_.clear();
        return false;
    }
    if (!crcOk(buf_.data(), len)) {
        buf_.clear(); // out of step: start again with the next burst
        return false;
    }
    request.assign(buf_.begin(), buf_.begin() + static_cast<long>(len));
    buf_.erase(buf_.begin(), buf_.begin() + static_cast<long>(len));
    return true;
}

bool Framer::silence(Frame &request)
{
    const bool ends = requestLength(buf_) == kUnknownLength && crcOk(buf_.data(), buf_.size());
    if (ends)
        request = buf_;
    buf_.clear();
    return ends;
}

} // namespace sim
