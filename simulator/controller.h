// The controller's register side: sleep and wake-up, the configuration block, the live values
// and the commands. No I/O here: the line, the reply faults and the log are the request loop's
// (server.cpp).
#pragma once

#include "options.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace sim {

constexpr int kConfigWords = 85;
using Config = std::array<uint16_t, kConfigWords>;

namespace reg {
constexpr uint16_t Word153 = 153;
constexpr uint16_t Apply = 256;
constexpr uint16_t ResetCounters = 259;
constexpr uint16_t Valve = 32768;
constexpr uint16_t LiveLast = 32834;
constexpr uint16_t Capacitor = 36851;
constexpr uint16_t Probe = 36858;
constexpr uint16_t Temperature = 36859;
constexpr uint16_t Clock = 36861;
} // namespace reg

constexpr uint16_t kAwakeAnswer = 0xFACE;
constexpr uint16_t kWord153Value = 0x0210;

struct Reply
{
    bool answered = false;
    std::vector<uint8_t> pdu; // function code and data, or an exception response
    int exception = 0;        // exception code when pdu is an exception response
};

class Controller
{
public:
    Controller(const Options &opt, int64_t startMs, uint32_t hostSeconds);

    // One request addressed to this controller (the PDU: function code onward).
    Reply handle(const uint8_t *pdu, size_t len, int64_t nowMs);

    int address() const { return config_[4]; }
    bool awake() const { return awake_; }
    const Config &configuration() const { return config_; }

    // After an applied configuration whose line words differ, with --apply-line: the new line.
    bool takeLineChange(LineSettings &line);

    static Config defaultConfiguration(const Options &opt);
    static LineSettings lineOf(const Config &c);

private:
    Reply execute(const uint8_t *pdu, size_t len, int64_t nowMs);
    int writeRegisters(uint16_t start, const std::vector<uint16_t> &values, int64_t nowMs);
    int forcedException(const uint8_t *pdu, size_t len) const;
    uint16_t registerValue(uint16_t r, int64_t nowMs) const;
    uint32_t pairValue(uint16_t first, int64_t nowMs) const;
    uint32_t counter(int input, int64_t s) const;
    uint32_t counterDelta(int input, int64_t s) const;
    double electrical(int input, int64_t s) const;
    double physical(int input, double electrical) const;
    float floatWord(int r) const;
    int64_t seconds(int64_t nowMs) const { return (nowMs - startMs_) / 1000; }
    int64_t onlineMs() const;
    void fallAsleep();
    void wake();

    Options opt_;
    int64_t startMs_;
    Config config_;
    Config pending_;
    bool awake_;
    int64_t lastRequestMs_;
    unsigned probesAsleep_ = 0;
    unsigned answeredSinceWake_ = 0;
    uint16_t valve_ = 1;
    uint64_t counterBase_[2] = {0, 0};
    uint32_t clockBase_;
    int64_t clockSetMs_;
    bool lineChanged_ = false;
};

} // namespace sim
