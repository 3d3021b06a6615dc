// The structure-aware mutation of fuzz_spc_structured (see spcstructure.h); the target's input
// check is fuzz_spc.cpp's.

#include "spcstructure.h"
#include "structuredmutator.h"

namespace
{

struct SpcFormat {
    using File = fuzz::SpcFile;
    static File Generate(fuzz::Random &random) { return fuzz::GenerateSpc(random); }
    static void Mutate(File &file, fuzz::Random &random, const fuzz::ByteMutator &mutate)
    {
        fuzz::MutateSpc(file, random, mutate);
    }
    static File CrossOver(const File &a, const File &b, fuzz::Random &random)
    {
        return fuzz::CrossOverSpc(a, b, random);
    }
    static void Poke(std::string &bytes, fuzz::Random &random)
    {
        fuzz::PokeSpcField(bytes, random);
    }
};

} // namespace

extern "C" std::size_t LLVMFuzzerCustomMutator(
    std::uint8_t *data, std::size_t size, std::size_t maxSize, unsigned int seed)
{
    return fuzz::MutateStructured<SpcFormat>(data, size, maxSize, seed);
}

extern "C" std::size_t LLVMFuzzerCustomCrossOver(const std::uint8_t *first, std::size_t firstSize,
    const std::uint8_t *second, std::size_t secondSize, std::uint8_t *out, std::size_t maxOutSize,
    unsigned int seed)
{
    return fuzz::CrossOverStructured<SpcFormat>(
        first, firstSize, second, secondSize, out, maxOutSize, seed);
}
