// The read-reply dispatch with any start address, word count and mirror words, as a confused or
// hostile controller could present them. Input: start (2 bytes), count (2 bytes, signed), words.
#include "fuzzsupport.h"
#include "link/registers.h"

using namespace morlenta;

using A = ValveTestAccess;

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    fuzz::start(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 4 || size > 4 + 2 * Valve::kMirrorWords)
        return -1;
    Valve &v = fuzz::valve();
    const int start = fuzz::wordAt(data, size, 0);
    const int count = std::int16_t(fuzz::wordAt(data, size, 1));
    auto &mirror = A::mirror(v);
    for (int w = 0; w < Valve::kMirrorWords; ++w)
        mirror[w] = fuzz::wordAt(data + 4, size - 4, w);
    const auto configBefore = A::config(v);
    const quint16 word153Before = A::register153(v);
    const auto mirrorBefore = mirror;

    A::dispatch(v, start, count);

    // Only a complete block reaches the configuration copy, from which the next write takes its
    // words; only a reply at 153 the word kept from there.
    const auto &config = A::config(v);
    if (start == link::kConfigStart && count >= link::kConfigWords) {
        if (!std::equal(config.cbegin(), config.cend(), mirrorBefore.cbegin()))
            fuzz::fail("a complete block was not decoded as read");
    } else if (config != configBefore) {
        fuzz::fail("configuration copy changed by a reply at", start);
    }
    if (!(start == link::kRegister153 && count >= 1) && A::register153(v) != word153Before)
        fuzz::fail("register-153 word changed by a reply at", start);
    if (A::pending(v) != Valve::NoCommand)
        fuzz::fail("a reply queued a command", A::pending(v));
    fuzz::settle();
    return 0;
}
