// The read-reply dispatch with an arbitrary start address, word count and register words, as a
// reply from a confused or hostile controller could present them.
//
// Input: start (2 bytes, big-endian), count (2 bytes, signed), then the mirror words.
#include <cstddef>
#include <cstdint>

#include "fuzzsupport.h"
#include "link/registers.h"
#include "support/valvetestaccess.h"

using VTA = ValveTestAccess;

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    fuzz::initApplication(argc, argv);
    fuzz::valve();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 4 || size > 4 + 2 * Valve::kMirrorWords)
        return -1;
    Valve &v = fuzz::valve();
    const int start = fuzz::wordAt(data, size, 0);
    const int count = std::int16_t(fuzz::wordAt(data, size, 1));
    auto &mirror = VTA::mirror(v);
    for (int w = 0; w < Valve::kMirrorWords; ++w)
        mirror[w] = fuzz::wordAt(data + 4, size - 4, w);

    const auto configBefore = VTA::config(v);
    const quint16 word153Before = VTA::register153(v);
    const auto mirrorBefore = mirror;

    VTA::dispatch(v, start, count);

    const bool wholeBlock = start == link::kConfigStart && count >= link::kConfigWords;
    const auto &config = VTA::config(v);
    if (wholeBlock) {
        if (!std::equal(config.cbegin(), config.cend(), mirrorBefore.cbegin()))
            fuzz::fail("a complete block was not decoded as read");
    } else if (config != configBefore) {
        // A short block or another register must never reach the configuration copy, from
        // which the next write takes its words.
        fuzz::fail("configuration copy changed by reply at", start);
    }
    const bool word153 = start == link::kRegister153 && count >= 1;
    if (!word153 && VTA::register153(v) != word153Before)
        fuzz::fail("register-153 word changed by reply at", start);
    if (VTA::pending(v) != Valve::NoCommand)
        fuzz::fail("a reply queued a command", VTA::pending(v));
    fuzz::settle();
    return 0;
}
