#include "controller.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace sim {

namespace {

const int kOnlineSeconds[10] = {5, 10, 15, 20, 30, 60, 120, 300, 600, 900};
constexpr double kPi = 3.14159265358979323846;

enum Exception : int {
    IllegalFunction = 1,
    IllegalAddress = 2,
    IllegalValue = 3,
};

uint16_t be16(const uint8_t *p)
{
    return static_cast<uint16_t>(p[0] << 8 | p[1]);
}

uint32_t floatBits(float v)
{
    uint32_t b;
    std::memcpy(&b, &v, sizeof b);
    return b;
}

// Float of input n (0, 1) in row r (0..5) of the per-input table starts here.
int floatRow(int row, int input)
{
    return 23 + 8 * row + 2 * input;
}

void putFloat(Config &c, int r, float v)
{
    const uint32_t b = floatBits(v);
    c[r] = static_cast<uint16_t>(b >> 16);
    c[r + 1] = static_cast<uint16_t>(b & 0xFFFF);
}

void setInputDefaults(Config &c, int input, int type)
{
    const int quantity = 15 + input;
    const int unit = 19 + input;
    auto rows = [&](float r0, float r1, float r2, float r3, float r4, float r5) {
        const float v[6] = {r0, r1, r2, r3, r4, r5};
        for (int row = 0; row < 6; ++row)
            putFloat(c, floatRow(row, input), v[row]);
    };
    switch (type) {
    case 1: // discrete: "лог.состояние" in "-", opens on the rising, closes on the falling edge
        c[quantity] = 10;
        c[unit] = 26;
        rows(0.0f, 0.0f, 2.0f, 1.0f, 0.0f, 0.0f);
        break;
    case 2: // counting: flow in m3, 0.01 m3 per impulse
        c[quantity] = 0;
        c[unit] = 1;
        rows(0.01f, 0.0f, 0.5f, 0.25f, 100.0f, 50.0f);
        break;
    case 3: // voltage: level in m over 0..10
        c[quantity] = 6;
        c[unit] = 7;
        rows(0.0f, 10.0f, 1.0f, 0.5f, 9.0f, 8.0f);
        break;
    case 4: // current: pressure in kPa over 0..1000
        c[quantity] = 3;
        c[unit] = 11;
        rows(0.0f, 1000.0f, 100.0f, 50.0f, 900.0f, 800.0f);
        break;
    default:
        break;
    }
}

bool readable(uint32_t r)
{
    return r <= 84 || r == reg::Word153 || (r >= reg::Valve && r <= reg::LiveLast) ||
           r == reg::Capacitor || (r >= reg::Probe && r <= reg::Clock + 1u);
}

bool writable(uint32_t r)
{
    return r <= 84 || r == reg::Apply || r == reg::ResetCounters || r == reg::Valve ||
           r == reg::Clock || r == reg::Clock + 1u;
}

// Impulses seen on input n after s seconds: 10 (input 1) or 7 (input 2) per second plus a
// wobble of 0, 1, 2 so that the per-second delta moves too.
uint64_t totalImpulses(int input, int64_t s)
{
    if (s <= 0)
        return 0;
    const uint64_t n = static_cast<uint64_t>(s);
    const uint64_t rate = input == 0 ? 10 : 7;
    const uint64_t wobble = 3 * (n / 3) + (n % 3 == 2 ? 1 : 0);
    return rate * n + wobble;
}

std::vector<uint8_t> exceptionPdu(uint8_t fn, int code)
{
    return {static_cast<uint8_t>(fn | 0x80), static_cast<uint8_t>(code)};
}

} // namespace

Controller::Controller(const Options &opt, int64_t startMs, uint32_t hostSeconds)
    : opt_(opt), startMs_(startMs), config_(defaultConfiguration(opt)), pending_(config_),
      awake_(opt.awake), lastRequestMs_(startMs), clockBase_(hostSeconds), clockSetMs_(startMs)
{
}

Config Controller::defaultConfiguration(const Options &opt)
{
    Config c{};
    // by default ABC-12-3456EF-78-9A-B: bytes AB C1 23 45 6E F7 89 AB, low byte first
    std::copy(opt.identifier.begin(), opt.identifier.end(), c.begin());
    c[4] = static_cast<uint16_t>(opt.address);
    c[5] = static_cast<uint16_t>(std::max(0, baudCode(opt.line.baud)));
    c[6] = opt.line.dataBits == 8 ? 1 : 0;
    c[7] = opt.line.parity == 'E' ? 1 : opt.line.parity == 'O' ? 2 : 0;
    c[8] = opt.line.stopBits == 2 ? 1 : 0;
    c[9] = static_cast<uint16_t>(opt.solenoid);
    c[10] = 3; // 50 ms pulse
    c[11] = static_cast<uint16_t>(opt.input1);
    c[12] = static_cast<uint16_t>(opt.input2);
    setInputDefaults(c, 0, opt.input1);
    setInputDefaults(c, 1, opt.input2);
    c[71] = 1; // 50 ms pause before an analog measurement
    c[72] = 3; // analog: every 1-60 minutes,
    c[73] = 1; // at 5 min.
    c[74] = 4; // filter depth
    c[75] = 1; // input 1 counts rising edges
    c[76] = 0;
    c[77] = 4; // counting: every 1-24 hours,
    c[78] = 2; // at 3 h
    c[79] = 2; // 40 Hz
    c[80] = 6; // counter reset monthly,
    c[81] = 0; // on day 1
    c[82] = 1; // 300 ms
    c[83] = static_cast<uint16_t>(opt.online);
    c[84] = 0x5A5A;
    return c;
}

LineSettings Controller::lineOf(const Config &c)
{
    LineSettings l;
    l.baud = kBaudRates[std::min<int>(c[5], 7)];
    l.dataBits = c[6] ? 8 : 7;
    l.parity = c[7] == 1 ? 'E' : c[7] == 2 ? 'O' : 'N';
    l.stopBits = c[8] ? 2 : 1;
    return l;
}

bool Controller::takeLineChange(LineSettings &line)
{
    if (!lineChanged_)
        return false;
    lineChanged_ = false;
    line = lineOf(config_);
    return true;
}

int64_t Controller::onlineMs() const
{
    const uint16_t code = config_[83];
    return 1000LL * (code <= 9 ? kOnlineSeconds[code] : 5);
}

void Controller::fallAsleep()
{
    awake_ = false;
    probesAsleep_ = 0;
    answeredSinceWake_ = 0;
}

void Controller::wake()
{
    awake_ = true;
    probesAsleep_ = 0;
    answeredSinceWake_ = 0;
}

Reply Controller::handle(const uint8_t *pdu, size_t len, int64_t nowMs)
{
    Reply r;
    if (len < 1)
        return r;
    if (awake_ && nowMs - lastRequestMs_ >= onlineMs())
        fallAsleep();

    const bool probe =
        pdu[0] == 0x03 && len == 5 && be16(pdu + 1) == reg::Probe && be16(pdu + 3) == 1;
    if (!awake_) {
        if (!probe)
            return r;
        ++probesAsleep_;
        if (opt_.neverWake || probesAsleep_ < opt_.wakeAt)
            return r;
    }
    lastRequestMs_ = nowMs;

    // A request caught by --exception has no other effect: a probe caught so does not wake.
    if (const int code = forcedException(pdu, len)) {
        r.pdu = exceptionPdu(pdu[0], code);
        r.exception = code;
    } else {
        if (!awake_)
            wake();
        r = execute(pdu, len, nowMs);
    }
    r.answered = true;
    if (awake_ && opt_.sleepAfter && ++answeredSinceWake_ >= opt_.sleepAfter)
        fallAsleep();
    return r;
}

int Controller::forcedException(const uint8_t *pdu, size_t len) const
{
    if (opt_.exceptions.empty() || len < 5)
        return 0;
    const uint8_t fn = pdu[0];
    uint32_t start = be16(pdu + 1);
    uint32_t count = 0;
    if (fn == 0x03 || fn == 0x10)
        count = be16(pdu + 3);
    else if (fn == 0x06)
        count = 1;
    for (const auto &rule : opt_.exceptions) {
        if (rule.reg >= start && rule.reg < start + count)
            return rule.code;
    }
    return 0;
}

Reply Controller::execute(const uint8_t *pdu, size_t len, int64_t nowMs)
{
    Reply r;
    const uint8_t fn = pdu[0];
    auto fail = [&](int code) {
        r.pdu = exceptionPdu(fn, code);
        r.exception = code;
        return r;
    };

    switch (fn) {
    case 0x03: {
        if (len != 5)
            return fail(IllegalValue);
        const uint32_t start = be16(pdu + 1);
        const uint32_t count = be16(pdu + 3);
        if (count < 1 || count > 125)
            return fail(IllegalValue);
        for (uint32_t a = start; a < start + count; ++a) {
            if (!readable(a))
                return fail(IllegalAddress);
        }
        const uint32_t sent = (opt_.shortReply && count >= 2) ? count - 1 : count;
        r.pdu = {0x03, static_cast<uint8_t>(2 * sent)};
        for (uint32_t a = start; a < start + sent; ++a) {
            const uint16_t v = registerValue(static_cast<uint16_t>(a), nowMs);
            r.pdu.push_back(static_cast<uint8_t>(v >> 8));
            r.pdu.push_back(static_cast<uint8_t>(v & 0xFF));
        }
        return r;
    }
    case 0x06: {
        if (len != 5)
            return fail(IllegalValue);
        const uint16_t a = be16(pdu + 1);
        // the clock takes both of its words at once only
        if (!writable(a) || a == reg::Clock || a == reg::Clock + 1)
            return fail(IllegalAddress);
        if (const int code = writeRegisters(a, {be16(pdu + 3)}, nowMs))
            return fail(code);
        r.pdu.assign(pdu, pdu + 5);
        return r;
    }
    case 0x10: {
        if (len < 6)
            return fail(IllegalValue);
        const uint32_t start = be16(pdu + 1);
        const uint32_t count = be16(pdu + 3);
        const uint32_t bytes = pdu[5];
        if (count < 1 || count > 123 || bytes != 2 * count || len != 6 + bytes)
            return fail(IllegalValue);
        for (uint32_t a = start; a < start + count; ++a) {
            if (!writable(a))
                return fail(IllegalAddress);
        }
        const bool hasHigh = start <= reg::Clock && start + count > reg::Clock;
        const bool hasLow = start <= reg::Clock + 1u && start + count > reg::Clock + 1u;
        if (hasHigh != hasLow)
            return fail(IllegalAddress);
        std::vector<uint16_t> values(count);
        for (uint32_t i = 0; i < count; ++i)
            values[i] = be16(pdu + 6 + 2 * i);
        if (const int code = writeRegisters(static_cast<uint16_t>(start), values, nowMs))
            return fail(code);
        r.pdu.assign(pdu, pdu + 5);
        return r;
    }
    default:
        return fail(IllegalFunction);
    }
}

// Checks every value first, then carries out the writes; returns an exception code or 0.
int Controller::writeRegisters(uint16_t start, const std::vector<uint16_t> &values, int64_t nowMs)
{
    for (size_t i = 0; i < values.size(); ++i) {
        const uint32_t a = start + i;
        if (a == reg::Valve && values[i] > 1)
            return IllegalValue;
        if (a == reg::Apply) {
            // a block that would make the controller unreachable is refused
            const Config &p = pending_;
            if (p[4] < 1 || p[4] > 247 || p[5] > 7 || p[6] > 1 || p[7] > 2 || p[8] > 1)
                return IllegalValue;
        }
    }
    const int64_t s = seconds(nowMs);
    for (size_t i = 0; i < values.size(); ++i) {
        const uint32_t a = start + i;
        const uint16_t v = values[i];
        if (a < kConfigWords) {
            pending_[a] = v;
        } else if (a == reg::Apply) {
            const LineSettings before = lineOf(config_);
            config_ = pending_;
            if (opt_.alterWord >= 0)
                config_[opt_.alterWord] = opt_.alterValue;
            const LineSettings after = lineOf(config_);
            if (opt_.applyLine &&
                (before.baud != after.baud || before.parity != after.parity ||
                 before.dataBits != after.dataBits || before.stopBits != after.stopBits))
                lineChanged_ = true;
        } else if (a == reg::ResetCounters) {
            counterBase_[0] = totalImpulses(0, s);
            counterBase_[1] = totalImpulses(1, s);
        } else if (a == reg::Valve) {
            valve_ = v;
        } else if (a == reg::Clock) {
            clockBase_ = static_cast<uint32_t>(v) << 16 | values.at(i + 1);
            clockSetMs_ = nowMs;
            ++i;
        }
    }
    return 0;
}

float Controller::floatWord(int r) const
{
    const uint32_t b = static_cast<uint32_t>(config_[r]) << 16 | config_[r + 1];
    float v;
    std::memcpy(&v, &b, sizeof v);
    return std::isfinite(v) ? v : 0.0f;
}

uint32_t Controller::counter(int input, int64_t s) const
{
    return static_cast<uint32_t>(totalImpulses(input, s) - counterBase_[input]);
}

// Impulses of the last second, not counting those before the last reset.
uint32_t Controller::counterDelta(int input, int64_t s) const
{
    const uint64_t now = totalImpulses(input, s);
    const uint64_t before = std::max(totalImpulses(input, s - 1), counterBase_[input]);
    return static_cast<uint32_t>(now - before);
}

// mA for a current input, V for a voltage input (type 3), on a slow sine.
double Controller::electrical(int input, int64_t s) const
{
    const double phase = 2 * kPi * static_cast<double>(s) / 60.0 + input * 1.3;
    if (config_[11 + input] == 3)
        return 5.0 + 4.0 * std::sin(phase);
    return 12.0 + 6.0 * std::sin(phase);
}

double Controller::physical(int input, double e) const
{
    const bool voltage = config_[11 + input] == 3;
    const double lo = floatWord(floatRow(0, input));
    const double hi = floatWord(floatRow(1, input));
    const double emin = voltage ? 0.0 : 4.0;
    const double emax = voltage ? 10.0 : 20.0;
    return lo + (hi - lo) * (e - emin) / (emax - emin);
}

uint32_t Controller::pairValue(uint16_t first, int64_t nowMs) const
{
    const int64_t s = seconds(nowMs);
    if (first >= 32771 && first <= 32785) {
        const int off = first - 32771;
        const int input = (off / 2) % 2;
        const double weight = floatWord(floatRow(0, input));
        switch (off / 4) {
        case 0:
            return counter(input, s);
        case 1:
            return counterDelta(input, s);
        case 2:
            return floatBits(static_cast<float>(counter(input, s) * weight));
        default:
            return floatBits(static_cast<float>(counterDelta(input, s) * weight));
        }
    }
    if (first >= 32811 && first <= 32833) {
        const int off = first - 32811;
        const int input = off / 12;
        const double cur = electrical(input, s);
        const double prev = electrical(input, std::max<int64_t>(0, s - 1));
        double v = 0;
        switch ((off % 12) / 2) {
        case 0:
            v = cur;
            break;
        case 1:
            v = physical(input, cur);
            break;
        case 2:
            v = prev;
            break;
        case 3:
            v = physical(input, prev);
            break;
        case 4:
            v = prev - cur;
            break;
        default:
            v = physical(input, prev) - physical(input, cur);
            break;
        }
        return floatBits(static_cast<float>(v));
    }
    if (first == reg::Temperature) {
        const int32_t t =
            25 + static_cast<int32_t>(std::lround(4.0 * std::sin(2 * kPi * s / 120.0)));
        return static_cast<uint32_t>(t);
    }
    if (first == reg::Clock)
        return clockBase_ + static_cast<uint32_t>((nowMs - clockSetMs_) / 1000);
    return 0;
}

uint16_t Controller::registerValue(uint16_t r, int64_t nowMs) const
{
    if (r < kConfigWords)
        return config_[r];
    if (r == reg::Word153)
        return kWord153Value;
    if (r == reg::Valve)
        return valve_;
    const int64_t s = seconds(nowMs);
    if (r == 32769)
        return static_cast<uint16_t>((s / 5) % 2);
    if (r == 32770)
        return static_cast<uint16_t>((s / 7) % 2);
    if (r == reg::Capacitor)
        return static_cast<uint16_t>(s % 25);
    if (r == reg::Probe)
        return kAwakeAnswer;
    // two-word values: pairs start at odd addresses in the live area and at 36859, 36861
    uint16_t first = r;
    if (r >= 32771 && r <= reg::LiveLast)
        first = static_cast<uint16_t>(r - ((r - 32771) % 2));
    else if (r == reg::Temperature + 1 || r == reg::Clock + 1)
        first = static_cast<uint16_t>(r - 1);
    const uint32_t v = pairValue(first, nowMs);
    return static_cast<uint16_t>(r == first ? v >> 16 : v & 0xFFFF);
}

} // namespace sim
