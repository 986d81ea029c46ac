// The read-reply dispatch with any start address, word count and mirror words, as a confused or
// hostile controller could present them. Input: start (2 bytes), count (2 bytes, signed), words.
#include "fuzzsupport.h"

using namespace morlenta;

using A = ValveTestAccess;

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
    const quint16 storedWordBefore = A::storedWord(v);
    const auto mirrorBefore = mirror;

    A::dispatch(v, start, count);

    // Only a complete block reaches the configuration copy, from which the next write takes its
    // words; only a reply to the stored word's read that word.
    const auto &config = A::config(v);
    const device::Route block = device::route(device::Target::Block);
    if (start == block.start && count >= block.words) {
        if (!std::equal(config.cbegin(), config.cend(), mirrorBefore.cbegin()))
            fuzz::fail("a complete block was not decoded as read");
    } else if (config != configBefore) {
        fuzz::fail("configuration copy changed by a reply at", start);
    }
    const device::Route stored = device::route(device::Target::StoredWord);
    if (!(start == stored.start && count >= stored.words) && A::storedWord(v) != storedWordBefore)
        fuzz::fail("stored word changed by a reply at", start);
    if (A::pending(v) != morlenta::link::NoCommand)
        fuzz::fail("a reply queued a command", A::pending(v));
    fuzz::settle();
    return 0;
}
