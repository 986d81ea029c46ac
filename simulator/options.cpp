#include "options.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

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
           "  --wire-time              delay each reply by the request's and reply's time on the\n"
           "                           line plus one t3.5 gap\n"
           "\n"
           "Other:\n"
           "  --log FILE               append one JSON line per request received:\n"
           "                           {\"ms\":M,\"addr\":A,\"fn\":F,\"start\":S,\"count\":C,\n"
           "                            \"values\":[...] (0x06/0x10 "
           "only),\"answered\":true|false,\n"
           "                            \"exception\":E (only for exception replies)}\n"
           "  --help                   show this text\n";
}

namespace {

bool toInt(const char *text, long min, long max, long &out)
{
    if (!text || !*text)
        return false;
    errno = 0;
    char *end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (errno != 0 || *end != '\0' || v < min || v > max)
        return false;
    out = v;
    return true;
}

} // namespace

ParseResult parseOptions(int argc, char **argv, Options &opt, std::string &error)
{
    for (int i = 1; i < argc; ++i) {
        std::string name = argv[i];
        std::string inlineValue;
        bool hasInline = false;
        const auto eq = name.find('=');
        if (name.rfind("--", 0) == 0 && eq != std::string::npos) {
            inlineValue = name.substr(eq + 1);
            name = name.substr(0, eq);
            hasInline = true;
        }
        auto flag = [&](bool &target) {
            if (hasInline) {
                error = name + " takes no value";
                return false;
            }
            target = true;
            return true;
        };
        auto value = [&](std::string &out) {
            if (hasInline) {
                out = inlineValue;
                return true;
            }
            if (i + 1 >= argc) {
                error = name + " needs a value";
                return false;
            }
            out = argv[++i];
            return true;
        };
        auto number = [&](long min, long max, long &out) {
            std::string text;
            if (!value(text))
                return false;
            if (!toInt(text.c_str(), min, max, out)) {
                error = "bad value for " + name + ": '" + text + "'";
                return false;
            }
            return true;
        };
        auto count = [&](unsigned &target) {
            long v = 0;
            if (!number(1, 1000000000L, v))
                return false;
            target = static_cast<unsigned>(v);
            return true;
        };
        long v = 0;
        std::string text;

        if (name == "--help" || name == "-h") {
            return ParseResult::Help;
        } else if (name == "--device") {
            if (!value(opt.device))
                return ParseResult::Error;
        } else if (name == "--log") {
            if (!value(opt.logPath))
                return ParseResult::Error;
        } else if (name == "--address") {
            if (!number(1, 247, v))
                return ParseResult::Error;
            opt.address = static_cast<int>(v);
        } else if (name == "--baud") {
            if (!number(1, 10000000L, v))
                return ParseResult::Error;
            if (baudCode(static_cast<int>(v)) < 0) {
                error = "unsupported baud rate " + std::to_string(v);
                return ParseResult::Error;
            }
            opt.line.baud = static_cast<int>(v);
        } else if (name == "--parity") {
            if (!value(text))
                return ParseResult::Error;
            if (text != "N" && text != "E" && text != "O") {
                error = "parity must be N, E or O";
                return ParseResult::Error;
            }
            opt.line.parity = text[0];
        } else if (name == "--data") {
            if (!number(7, 8, v))
                return ParseResult::Error;
            opt.line.dataBits = static_cast<int>(v);
        } else if (name == "--stop") {
            if (!number(1, 2, v))
                return ParseResult::Error;
            opt.line.stopBits = static_cast<int>(v);
        } else if (name == "--awake") {
            if (!flag(opt.awake))
                return ParseResult::Error;
        } else if (name == "--wake-at") {
            if (!count(opt.wakeAt))
                return ParseResult::Error;
        } else if (name == "--never-wake") {
            if (!flag(opt.neverWake))
                return ParseResult::Error;
        } else if (name == "--input1" || name == "--input2") {
            if (!number(0, 4, v))
                return ParseResult::Error;
            (name == "--input1" ? opt.input1 : opt.input2) = static_cast<int>(v);
        } else if (name == "--solenoid") {
            if (!number(0, 2, v))
                return ParseResult::Error;
            opt.solenoid = static_cast<int>(v);
        } else if (name == "--online") {
            if (!number(0, 65535, v))
                return ParseResult::Error;
            opt.online = static_cast<int>(v);
        } else if (name == "--apply-line") {
            if (!flag(opt.applyLine))
                return ParseResult::Error;
        } else if (name == "--exception") {
            if (!value(text))
                return ParseResult::Error;
            const auto colon = text.find(':');
            long reg = 0;
            long code = 0;
            if (colon == std::string::npos ||
                !toInt(text.substr(0, colon).c_str(), 0, 65535, reg) ||
                !toInt(text.substr(colon + 1).c_str(), 1, 255, code)) {
                error = "--exception needs REGISTER:CODE, e.g. 32768:4";
                return ParseResult::Error;
            }
            opt.exceptions.push_back({static_cast<uint16_t>(reg), static_cast<uint8_t>(code)});
        } else if (name == "--silent-after") {
            if (!count(opt.silentAfter))
                return ParseResult::Error;
        } else if (name == "--bad-crc-every") {
            if (!count(opt.badCrcEvery))
                return ParseResult::Error;
        } else if (name == "--wrong-address-every") {
            if (!count(opt.wrongAddressEvery))
                return ParseResult::Error;
        } else if (name == "--truncate-every") {
            if (!count(opt.truncateEvery))
                return ParseResult::Error;
        } else if (name == "--short-reply") {
            if (!flag(opt.shortReply))
                return ParseResult::Error;
        } else if (name == "--sleep-after") {
            if (!count(opt.sleepAfter))
                return ParseResult::Error;
        } else if (name == "--wire-time") {
            if (!flag(opt.wireTime))
                return ParseResult::Error;
        } else {
            error = "unknown option '" + std::string(argv[i]) + "'";
            return ParseResult::Error;
        }
    }
    if (opt.device.empty()) {
        error = "--device is required";
        return ParseResult::Error;
    }
    return ParseResult::Ok;
}

} // namespace sim
