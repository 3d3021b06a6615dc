#pragma once

// The libFuzzer hooks of a structure-aware target, shared by wdfmutator.cpp and spcmutator.cpp.
// Format is a type with the file model's operations (see WdfFormat in wdfmutator.cpp). The
// hooks' own code is built without coverage instrumentation (fuzz/CMakeLists.txt), so a target's
// edge count is that of the reader alone, comparable with its byte-level twin.

#include "structuremutation.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

extern "C" std::size_t LLVMFuzzerMutate(std::uint8_t *data, std::size_t size, std::size_t maxSize);

namespace fuzz
{

inline void LibFuzzerMutate(std::string &bytes, std::size_t maxSize)
{
    const std::size_t size = std::min(bytes.size(), maxSize);
    bytes.resize(std::max<std::size_t>(maxSize, 1));
    const std::size_t mutated =
        LLVMFuzzerMutate(reinterpret_cast<std::uint8_t *>(&bytes[0]), size, maxSize);
    bytes.resize(mutated);
}

inline std::string_view AsView(const std::uint8_t *data, std::size_t size)
{
    return { reinterpret_cast<const char *>(data), size };
}

// One to three structural mutations of the parsed input (a generated file where the input is
// not of the format, and now and then anyway), then at times one field set wrong on purpose. A
// quarter of the calls is libFuzzer's byte mutation of the whole input, which also reaches what
// the model cannot express; so is a result longer than maxSize.
template <class Format>
std::size_t MutateStructured(
    std::uint8_t *data, std::size_t size, std::size_t maxSize, unsigned seed)
{
    Random random(seed);
    if (random.OneIn(4))
        return LLVMFuzzerMutate(data, size, maxSize);
    typename Format::File file;
    if (!Format::File::Parse(AsView(data, size), file) || random.OneIn(64)) {
        file = Format::Generate(random);
    } else {
        for (std::size_t n = 1 + random.Below(3); n > 0; --n)
            Format::Mutate(file, random, LibFuzzerMutate);
    }
    std::string bytes = file.Serialise();
    if (random.OneIn(8))
        Format::Poke(bytes, random);
    if (bytes.empty() || bytes.size() > maxSize)
        return LLVMFuzzerMutate(data, size, maxSize);
    std::memcpy(data, bytes.data(), bytes.size());
    return bytes.size();
}

template <class Format>
std::size_t CrossOverStructured(const std::uint8_t *first, std::size_t firstSize,
    const std::uint8_t *second, std::size_t secondSize, std::uint8_t *out, std::size_t maxOutSize,
    unsigned seed)
{
    Random random(seed);
    typename Format::File a;
    typename Format::File b;
    if (!Format::File::Parse(AsView(first, firstSize), a)
        || !Format::File::Parse(AsView(second, secondSize), b))
        return 0;
    const std::string bytes = Format::CrossOver(a, b, random).Serialise();
    if (bytes.size() > maxOutSize)
        return 0;
    std::memcpy(out, bytes.data(), bytes.size());
    return bytes.size();
}

} // namespace fuzz
