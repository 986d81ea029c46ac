// The serial line the controller listens on: a tty or pty, raw, at the line settings asked for.
#pragma once

#include "options.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <termios.h>

namespace sim {

class SerialLine
{
public:
    SerialLine() = default;
    SerialLine(const SerialLine &) = delete;
    SerialLine &operator=(const SerialLine &) = delete;
    ~SerialLine() { close(); }

    // Opens the device non-blocking and sets it up; false with errno set when it cannot.
    bool open(const std::string &path, const LineSettings &settings);
    // Switches the line once what was written has gone out; false with errno set.
    bool configure(const LineSettings &settings);
    // Puts back the settings the device had before and closes it.
    void close();

    int fd() const { return fd_; }
    const LineSettings &settings() const { return settings_; }

    bool writeAll(const uint8_t *data, size_t len);

private:
    int fd_ = -1;
    termios saved_{};
    LineSettings settings_;
};

} // namespace sim
