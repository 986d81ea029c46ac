// Any configuration block through the real settings form: decode what a controller might send,
// encode the form back, and check what encoding may and may not change.
// Input: up to 85 big-endian words (missing words are 0).
#include "device/registermap.h"
#include "fuzzsupport.h"

using A = ValveTestAccess;
using namespace morlenta::device;

namespace {

// Float rows the form writes for input types 0..4, bit r for row r: the two edge codes of a
// discrete input, all but the upper limit of a counting one, all of an analog one.
const int kRowsWritten[] = {0, 0b001100, 0b111101, 0b111111, 0b111111};

void checkEncoded(const Block &read, const Block &encoded)
{
    // The identifier goes out only when typed whole on the service page; word 84 always as read.
    for (int w : {0, 1, 2, 3, 84})
        if (encoded[w] != read[w])
            fuzz::fail("word changed that the form never writes", w);
    // Inputs 3/4 are emptied; every word of inputs 1/2 that the type does not use stays as read.
    for (int input = 1; input <= kInputSlots; ++input) {
        const int type = encoded[10 + input];
        const int rows = type <= InputCurrent ? kRowsWritten[type] : 0;
        const auto expect = [&](int w, bool written) {
            if (input > kServedInputs ? encoded[w] != 0 : !written && encoded[w] != read[w])
                fuzz::fail("word of an unused field changed", w);
        };
        for (int w : {14 + input, 18 + input}) // quantity and unit
            expect(w, type >= InputCounting && type <= InputCurrent);
        for (int row = 0; row < kFloatRows; ++row) {
            const int first = 23 + 8 * row + 2 * (input - 1);
            expect(first, rows >> row & 1);
            expect(first + 1, rows >> row & 1);
        }
    }
}

// Equal words, or the float they belong to has the same value (a spin box makes -0.0 0.0).
bool sameWord(const Block &a, const Block &b, int w)
{
    if (a[w] == b[w])
        return true;
    if (w < 23 || w > 70)
        return false;
    const int first = w - (w - 23) % 2;
    return getFloat(a, first) == getFloat(b, first);
}

Block decodeAndEncode(Valve &v, const Block &block)
{
    A::decode(v, block);
    if (!std::equal(block.cbegin(), block.cend(), A::config(v).cbegin()))
        fuzz::fail("decoding did not keep the block read");
    A::encode(v);
    const Block encoded = A::config(v);
    if (!std::equal(encoded.cbegin(), encoded.cend(), A::mirror(v).cbegin()))
        fuzz::fail("the mirror does not hold the encoded block");
    return encoded;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size > 2 * kBlockWords)
        return -1; // longer inputs add nothing
    Valve &v = fuzz::valve();
    Block read{};
    for (int w = 0; w < kBlockWords; ++w)
        read[w] = fuzz::wordAt(data, size, w);
    const Block first = decodeAndEncode(v, read);
    checkEncoded(read, first);
    // What the form shows after a read is what it writes: a second round trip changes nothing.
    const Block second = decodeAndEncode(v, first);
    for (int w = 0; w < kBlockWords; ++w)
        if (!sameWord(first, second, w))
            fuzz::fail("the second round trip changed word", w);
    fuzz::settle();
    return 0;
}
