#include "requestlog.h"

#include <algorithm>
#include <fcntl.h>
#include <unistd.h>

namespace sim {

namespace {

unsigned wordAt(const Frame &f, size_t at)
{
    return at + 1 < f.size() ? static_cast<unsigned>(f[at] << 8 | f[at + 1]) : 0;
}

// The whole big-endian words in `bytes` bytes from `at`, as a JSON array.
std::string wordList(const Frame &f, size_t at, size_t bytes)
{
    std::string list;
    for (size_t end = std::min(f.size(), at + bytes); at + 1 < end; at += 2)
        list += (list.empty() ? "" : ",") + std::to_string(wordAt(f, at));
    return "[" + list + "]";
}

} // namespace

RequestLog::~RequestLog()
{
    if (fd_ >= 0)
        close(fd_);
}

bool RequestLog::open(const std::string &path)
{
    if (path.empty())
        return true;
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    return fd_ >= 0;
}

void RequestLog::write(int64_t ms, const Frame &request, bool answered, int exception,
                       const Frame &reply)
{
    if (fd_ < 0)
        return;
    const uint8_t fn = request[1];
    const bool registers = fn == 0x03 || fn == 0x06 || fn == 0x10;
    const unsigned start = registers ? wordAt(request, 2) : 0;
    const unsigned count = fn == 0x06 ? 1 : registers ? wordAt(request, 4) : 0;

    std::string line = "{\"ms\":" + std::to_string(ms) + ",\"addr\":" + std::to_string(request[0]) +
                       ",\"fn\":" + std::to_string(fn) + ",\"start\":" + std::to_string(start) +
                       ",\"count\":" + std::to_string(count);
    if (fn == 0x06) // address, function, register, value, CRC
        line += ",\"values\":[" + std::to_string(wordAt(request, 4)) + "]";
    if (fn == 0x10) // address, function, start, count, byte count, values, CRC
        line += ",\"values\":" + wordList(request, 7, request[6]);
    if (fn == 0x03 && reply.size() >= 2 && reply[0] == 0x03) // function, byte count, values
        line += ",\"served\":" + wordList(reply, 2, reply[1]);
    line += std::string(",\"answered\":") + (answered ? "true" : "false");
    if (exception)
        line += ",\"exception\":" + std::to_string(exception);
    line += "}\n";
    // one write per line, so that a reader never sees two lines interleaved
    const ssize_t n = ::write(fd_, line.data(), line.size());
    (void)n;
}

} // namespace sim
