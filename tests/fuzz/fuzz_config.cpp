// Arbitrary configuration blocks through the real settings form: decode a block the controller
// might send, encode the form back, and check what encoding may and may not change.
//
// Input: up to 85 big-endian words (missing words are 0).
#include <cstddef>
#include <cstdint>

#include "config/registermap.h"
#include "fuzzsupport.h"
#include "support/valvetestaccess.h"

using VTA = ValveTestAccess;
using config::Block;

namespace {

// Words of `input` that encoding writes from the form for an input of `type`; every other word
// of that input goes back as it was read.
bool formWritesInputWord(int type, int input, int word)
{
    using namespace config;
    const bool analog = type == InputVoltage || type == InputCurrent;
    if (word == inputWordRegister(reg::Quantity, input) ||
        word == inputWordRegister(reg::Unit, input))
        return type == InputCounting || analog;
    for (int row = 0; row < kFloatRows; ++row) {
        const int first = inputFloatRegister(input, row);
        if (word != first && word != first + 1)
            continue;
        if (analog)
            return true;
        if (type == InputCounting)
            return row != RowUpper;
        if (type == InputDiscrete)
            return row == RowMinOpen || row == RowMinClose;
        return false;
    }
    return false;
}

QList<int> wordsOfInput(int input)
{
    using namespace config;
    QList<int> words{inputWordRegister(reg::Quantity, input), inputWordRegister(reg::Unit, input)};
    for (int row = 0; row < kFloatRows; ++row)
        words << inputFloatRegister(input, row) << inputFloatRegister(input, row) + 1;
    return words;
}

void checkEncoded(const Block &read, const Block &encoded)
{
    using namespace config;
    // The identifier is only written from a complete one typed on the service page.
    for (int w = reg::Identifier; w < reg::Identifier + 4; ++w)
        if (encoded[w] != read[w])
            fuzz::fail("identifier word changed", w);
    if (encoded[reg::Reserved] != read[reg::Reserved])
        fuzz::fail("word 84 not passed through", encoded[reg::Reserved]);
    for (int input = kServedInputs + 1; input <= kInputSlots; ++input) {
        for (int first : {reg::InputType, reg::Quantity, reg::Unit})
            if (encoded[inputWordRegister(first, input)] != 0)
                fuzz::fail("word of input 3/4 not zero", inputWordRegister(first, input));
        for (int w : wordsOfInput(input))
            if (encoded[w] != 0)
                fuzz::fail("float of input 3/4 not zero", w);
    }
    for (int input = 1; input <= kServedInputs; ++input) {
        const int type = encoded[inputWordRegister(reg::InputType, input)];
        for (int w : wordsOfInput(input))
            if (!formWritesInputWord(type, input, w) && encoded[w] != read[w])
                fuzz::fail("word that the input type does not use changed", w);
    }
}

// Words equal, or the float they belong to has the same value (a spin box turns -0.0 into 0.0).
bool sameWord(const Block &a, const Block &b, int word)
{
    using namespace config;
    if (a[word] == b[word])
        return true;
    const int floatsEnd = inputFloatRegister(kInputSlots, kFloatRows - 1) + 2;
    if (word < reg::Floats || word >= floatsEnd)
        return false;
    const int first = word - (word - reg::Floats) % 2;
    return getFloat(a, first) == getFloat(b, first);
}

Block decodeAndEncode(Valve &v, const Block &block)
{
    std::copy(block.cbegin(), block.cend(), VTA::mirror(v).begin());
    VTA::decode(v);
    if (!std::equal(block.cbegin(), block.cend(), VTA::config(v).cbegin()))
        fuzz::fail("decoding did not store the block read");
    VTA::encode(v);
    const Block encoded = VTA::config(v);
    if (!std::equal(encoded.cbegin(), encoded.cend(), VTA::mirror(v).cbegin()))
        fuzz::fail("mirror does not hold the encoded block");
    return encoded;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    fuzz::initApplication(argc, argv);
    fuzz::valve();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size > 2 * config::kBlockWords)
        return -1; // longer inputs add nothing
    Valve &v = fuzz::valve();
    Block read{};
    for (int w = 0; w < config::kBlockWords; ++w)
        read[w] = fuzz::wordAt(data, size, w);

    const Block first = decodeAndEncode(v, read);
    checkEncoded(read, first);
    // What the form shows after a read is what it writes: reading the written block back and
    // writing again changes nothing.
    const Block second = decodeAndEncode(v, first);
    for (int w = 0; w < config::kBlockWords; ++w)
        if (!sameWord(first, second, w))
            fuzz::fail("second round trip changed word", w);
    fuzz::settle();
    return 0;
}
