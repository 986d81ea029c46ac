// Command line of morlenta-sim, the stand-in for the solenoid-valve controller.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace sim {

struct LineSettings
{
    int baud = 9600;
    char parity = 'N'; // 'N', 'E' or 'O'
    int dataBits = 8;
    int stopBits = 1;
};

// Any request touching `reg` is answered with exception `code`.
struct ExceptionRule
{
    uint16_t reg = 0;
    uint8_t code = 0;
};

struct Options
{
    std::string device;
    int address = 1;
    LineSettings line;
    std::string logPath;

    bool awake = false;
    unsigned wakeAt = 1;
    bool neverWake = false;

    int input1 = 2;   // configuration word 11
    int input2 = 4;   // configuration word 12
    int solenoid = 0; // configuration word 9
    int online = 1;   // configuration word 83
    bool applyLine = false;
    std::array<uint16_t, 4> identifier{0xC1AB, 0x4523, 0xF76E, 0xAB89}; // words 0..3

    std::vector<ExceptionRule> exceptions;
    unsigned silentAfter = 0;
    unsigned badCrcEvery = 0;
    unsigned wrongAddressEvery = 0;
    unsigned truncateEvery = 0;
    bool shortReply = false;
    unsigned sleepAfter = 0;
    unsigned outageMs = 0;
    bool wireTime = false;
    int alterWord = -1; // an applied block has this word changed to alterValue
    uint16_t alterValue = 0;
};

enum class ParseResult { Ok, Help, Error };

ParseResult parseOptions(int argc, char **argv, Options &opt, std::string &error);
const char *usageText();

// Baud rates the controller knows, indexed by the code of configuration word 5.
extern const int kBaudRates[8];
int baudCode(int baud); // -1 when the rate is not one of kBaudRates

} // namespace sim
