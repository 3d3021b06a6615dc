// The structure-aware mutation of fuzz_wdf_structured (see wdfstructure.h); the target's input
// check is fuzz_wdf.cpp's.

#include "structuredmutator.h"
#include "wdfstructure.h"

namespace
{

struct WdfFormat {
    using File = fuzz::WdfFile;
    static File Generate(fuzz::Random &random) { return fuzz::GenerateWdf(random); }
    static void Mutate(File &file, fuzz::Random &random, const fuzz::ByteMutator &mutate)
    {
        fuzz::MutateWdf(file, random, mutate);
    }
    static File CrossOver(const File &a, const File &b, fuzz::Random &random)
    {
        return fuzz::CrossOverWdf(a, b, random);
    }
    static void Poke(std::string &bytes, fuzz::Random &random)
    {
        fuzz::PokeWdfField(bytes, random);
    }
};

} // namespace

extern "C" std::size_t LLVMFuzzerCustomMutator(
    std::uint8_t *data, std::size_t size, std::size_t maxSize, unsigned int seed)
{
    return fuzz::MutateStructured<WdfFormat>(data, size, maxSize, seed);
}

extern "C" std::size_t LLVMFuzzerCustomCrossOver(const std::uint8_t *first, std::size_t firstSize,
    const std::uint8_t *second, std::size_t secondSize, std::uint8_t *out, std::size_t maxOutSize,
    unsigned int seed)
{
    return fuzz::CrossOverStructured<WdfFormat>(
        first, firstSize, second, secondSize, out, maxOutSize, seed);
}
