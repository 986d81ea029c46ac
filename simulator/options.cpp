#include "options.h"

#include <cerrno>
#include <cstdlib>

namespace sim {

const int kBaudRates[8] = {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};

int baudCode(int baud)
{
    for (int i = 0; i < 8; ++i) {
        if (kBaudRates[i] == baud)
            return i;
    }
    return -1;
}

const char *usageText()
{
    return "usage: morlenta-sim --device PATH [options]\n"
           "\n"
           "Stands in for the solenoid-valve controller: a Modbus RTU server on a serial line.\n"
           "\n"
           "Line:\n"
           "  --device PATH            serial device or pty to serve (required)\n"
           "  --address N              server address 1..247 (default 1)\n"
           "  --baud N                 1200|2400|4800|9600|19200|38400|57600|115200 (default "
           "9600)\n"
           "  --parity N|E|O           parity (default N)\n"
           "  --data 7|8               data bits (default 8)\n"
           "  --stop 1|2               stop bits (default 1)\n"
           "  --apply-line             an applied configuration also switches the line to its\n"
           "                           words 5..8 (otherwise only the address changes)\n"
           "\n"
           "Sleep and wake-up:\n"
           "  --awake                  start awake (default: asleep)\n"
           "  --wake-at N              wake only at the Nth probe read of each sleep (default 1)\n"
           "  --never-wake             never answer the probe\n"
           "\n"
           "Configuration (overrides of the default block):\n"
           "  --input1 TYPE            word 11: 0 off, 1 discrete, 2 counting, 3 voltage, 4 "
           "current\n"
           "                           (default 2)\n"
           "  --input2 TYPE            word 12 (default 4)\n"
           "  --solenoid TYPE          word 9: 0 bistable, 1 normally open, 2 normally closed\n"
           "                           (default 0)\n"
           "  --online CODE            word 83: online time code 0..9, above 9 means 5 s "
           "(default 1)\n"
           "  --identifier HEX         words 0..3 as 16 hex digits, word 0 first "
           "(default\n"
           "                           c1ab4523f76eab89: ABC-12-3456EF-78-9A-B)\n"
           "\n"
           "Faults:\n"
           "  --exception R:C          answer any request touching register R with exception C\n"
           "                           (repeatable)\n"
           "  --silent-after N         answer nothing after the first N requests to this address\n"
           "  --bad-crc-every N        corrupt the CRC of every Nth reply\n"
           "  --wrong-address-every N  send every Nth reply from address+1\n"
           "  --truncate-every N       drop the last 3 bytes of every Nth reply\n"
           "  --short-reply            answer reads of 2 or more registers with one register "
           "fewer\n"
           "  --sleep-after N          fall asleep after N answered requests since waking\n"
           "  --outage-ms N            on each SIGUSR1, answer nothing for N ms (requests are\n"
           "                           logged unanswered); the online time runs on, so a\n"
           "                           controller left alone meanwhile falls asleep\n"
           "  --alter-on-apply W:V     an applied block has its word W (0..84) set to V\n"
           "  --wire-time              delay each reply by the request's and reply's time on the\n"
           "                           line plus one t3.5 gap\n"
           "\n"
           "Other:\n"
           "  --log FILE               append one JSON line per request received:\n"
           "                           {\"ms\":M,\"addr\":A,\"fn\":F,\"start\":S,\"count\":C,\n"
           "                            \"values\":[...] (0x06/0x10 only: the words written),\n"
           "                            \"served\":[...] (answered 0x03 reads only: the words\n"
           "                            sent back, one fewer with --short-reply),\n"
           "                            \"answered\":true|false,\n"
           "                            \"exception\":E (only for exception replies)}\n"
           "                           M is the system's monotonic clock (CLOCK_MONOTONIC) in ms,\n"
           "                           which other processes can compare with; words are decimal\n"
           "  --help                   show this text\n";
}

namespace {

bool toInt(const std::string &text, long min, long max, long &out)
{
    if (text.empty())
        return false;
    errno = 0;
    char *end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || v < min || v > max)
        return false;
    out = v;
    return true;
}

// The value given to one option: read as the option needs it, or refused with a message.
class Value
{
public:
    Value(const std::string &option, const std::string &text, std::string &error)
        : option_(option), text_(text), error_(error)
    {
    }

    const std::string &text() const { return text_; }

    bool text(std::string &out) const
    {
        out = text_;
        return true;
    }

    template <typename T> bool number(long min, long max, T &out) const
    {
        long v = 0;
        if (!toInt(text_, min, max, v))
            return refuse("bad value for " + option_ + ": '" + text_ + "'");
        out = static_cast<T>(v);
        return true;
    }

    // How many requests or replies until a fault.
    bool count(unsigned &out) const { return number(1, 1000000000L, out); }

    bool refuse(const std::string &why) const
    {
        error_ = why;
        return false;
    }

private:
    const std::string &option_;
    const std::string &text_;
    std::string &error_;
};

bool setBaud(Options &o, const Value &v)
{
    int baud = 0;
    if (!v.number(1, 10000000L, baud))
        return false;
    if (baudCode(baud) < 0)
        return v.refuse("unsupported baud rate " + std::to_string(baud));
    o.line.baud = baud;
    return true;
}

bool setParity(Options &o, const Value &v)
{
    if (v.text() != "N" && v.text() != "E" && v.text() != "O")
        return v.refuse("parity must be N, E or O");
    o.line.parity = v.text()[0];
    return true;
}

// "A:B" with A in 0..maxFirst and B in minSecond..maxSecond.
bool toPair(const std::string &text, long maxFirst, long minSecond, long maxSecond, long &first,
            long &second)
{
    const auto colon = text.find(':');
    return colon != std::string::npos && toInt(text.substr(0, colon), 0, maxFirst, first) &&
           toInt(text.substr(colon + 1), minSecond, maxSecond, second);
}

// REGISTER:CODE
bool addException(Options &o, const Value &v)
{
    long reg = 0;
    long code = 0;
    if (!toPair(v.text(), 65535, 1, 255, reg, code))
        return v.refuse("--exception needs REGISTER:CODE, e.g. 32768:4");
    o.exceptions.push_back({static_cast<uint16_t>(reg), static_cast<uint8_t>(code)});
    return true;
}

// WORD:VALUE, the word within the block
bool setAlteration(Options &o, const Value &v)
{
    long word = 0;
    long value = 0;
    if (!toPair(v.text(), 84, 0, 65535, word, value))
        return v.refuse("--alter-on-apply needs WORD:VALUE, e.g. 25:16000");
    o.alterWord = static_cast<int>(word);
    o.alterValue = static_cast<uint16_t>(value);
    return true;
}

bool setIdentifier(Options &o, const Value &v)
{
    const std::string &text = v.text();
    if (text.size() != 16 || text.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
        return v.refuse("--identifier needs 16 hex digits");
    for (int w = 0; w < 4; ++w)
        o.identifier[w] =
            static_cast<uint16_t>(std::strtoul(text.substr(4 * w, 4).c_str(), nullptr, 16));
    return true;
}

bool turnOn(bool &flag)
{
    flag = true;
    return true;
}

// One row per option: its name, the argument it takes (none for a flag), and how its value is
// checked and stored.
struct OptionRow
{
    const char *name;
    const char *argument;
    bool (*set)(Options &, const Value &);
};

const OptionRow kOptions[] = {
    {"--device", "PATH", [](Options &o, const Value &v) { return v.text(o.device); }},
    {"--address", "N", [](Options &o, const Value &v) { return v.number(1, 247, o.address); }},
    {"--baud", "N", setBaud},
    {"--parity", "N|E|O", setParity},
    {"--data", "7|8", [](Options &o, const Value &v) { return v.number(7, 8, o.line.dataBits); }},
    {"--stop", "1|2", [](Options &o, const Value &v) { return v.number(1, 2, o.line.stopBits); }},
    {"--apply-line", nullptr, [](Options &o, const Value &) { return turnOn(o.applyLine); }},

    {"--awake", nullptr, [](Options &o, const Value &) { return turnOn(o.awake); }},
    {"--wake-at", "N", [](Options &o, const Value &v) { return v.count(o.wakeAt); }},
    {"--never-wake", nullptr, [](Options &o, const Value &) { return turnOn(o.neverWake); }},

    {"--input1", "TYPE", [](Options &o, const Value &v) { return v.number(0, 4, o.input1); }},
    {"--input2", "TYPE", [](Options &o, const Value &v) { return v.number(0, 4, o.input2); }},
    {"--solenoid", "TYPE", [](Options &o, const Value &v) { return v.number(0, 2, o.solenoid); }},
    {"--online", "CODE", [](Options &o, const Value &v) { return v.number(0, 65535, o.online); }},
    {"--identifier", "HEX", setIdentifier},

    {"--exception", "R:C", addException},
    {"--silent-after", "N", [](Options &o, const Value &v) { return v.count(o.silentAfter); }},
    {"--bad-crc-every", "N", [](Options &o, const Value &v) { return v.count(o.badCrcEvery); }},
    {"--wrong-address-every", "N",
     [](Options &o, const Value &v) { return v.count(o.wrongAddressEvery); }},
    {"--truncate-every", "N", [](Options &o, const Value &v) { return v.count(o.truncateEvery); }},
    {"--short-reply", nullptr, [](Options &o, const Value &) { return turnOn(o.shortReply); }},
    {"--sleep-after", "N", [](Options &o, const Value &v) { return v.count(o.sleepAfter); }},
    {"--outage-ms", "N", [](Options &o, const Value &v) { return v.count(o.outageMs); }},
    {"--alter-on-apply", "W:V", setAlteration},
    {"--wire-time", nullptr, [](Options &o, const Value &) { return turnOn(o.wireTime); }},

    {"--log", "FILE", [](Options &o, const Value &v) { return v.text(o.logPath); }},
};

const OptionRow *findOption(const std::string &name)
{
    for (const OptionRow &row : kOptions) {
        if (name == row.name)
            return &row;
    }
    return nullptr;
}

} // namespace

ParseResult parseOptions(int argc, char **argv, Options &opt, std::string &error)
{
    for (int i = 1; i < argc; ++i) {
        std::string name = argv[i];
        std::string value;
        // --name=value
        const auto eq = name.find('=');
        const bool inlineValue = name.rfind("--", 0) == 0 && eq != std::string::npos;
        if (inlineValue) {
            value = name.substr(eq + 1);
            name.resize(eq);
        }

        if (name == "--help" || name == "-h")
            return ParseResult::Help;
        const OptionRow *row = findOption(name);
        if (!row) {
            error = "unknown option '" + std::string(argv[i]) + "'";
            return ParseResult::Error;
        }
        if (!row->argument && inlineValue) {
            error = name + " takes no value";
            return ParseResult::Error;
        }
        if (row->argument && !inlineValue) {
            if (i + 1 >= argc) {
                error = name + " needs a value";
                return ParseResult::Error;
            }
            value = argv[++i];
        }
        if (!row->set(opt, Value(name, value, error)))
            return ParseResult::Error;
    }
    if (opt.device.empty()) {
        error = "--device is required";
        return ParseResult::Error;
    }
    return ParseResult::Ok;
}

} // namespace sim
