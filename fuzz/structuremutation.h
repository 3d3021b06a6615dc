#pragma once

// The pieces shared by the structure-aware mutators of the binary readers' fuzz targets
// (wdfstructure.h, spcstructure.h): a seeded random source, little-endian field writers, and the
// field values the readers' checks turn on. Nothing here depends on libFuzzer, so the seed writer
// (writeseeds.cpp) uses the same generators.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace fuzz
{

// libFuzzer's own byte mutation (LLVMFuzzerMutate) for the payloads, handed in from the target:
// it changes `bytes` in place and leaves at most maxSize bytes.
using ByteMutator = std::function<void(std::string &bytes, std::size_t maxSize)>;

class Random
{
public:
    explicit Random(unsigned seed)
        : m_engine(seed)
    {
    }

    // A value in [0, n); n must be positive.
    std::size_t Below(std::size_t n) { return static_cast<std::size_t>(m_engine() % n); }
    // A value in [low, high].
    std::int64_t Between(std::int64_t low, std::int64_t high);
    bool OneIn(std::size_t n) { return Below(n) == 0; }
    std::uint64_t Bits() { return m_engine(); }
    double Uniform(double low, double high);

    template <class T> const T &Pick(const std::vector<T> &values)
    {
        return values[Below(values.size())];
    }

private:
    std::mt19937_64 m_engine;
};

// Field writers: `at` plus the field's width must lie inside `bytes` (the caller's layout).
void PutU8(std::string &bytes, std::size_t at, std::uint8_t value);
void PutU16(std::string &bytes, std::size_t at, std::uint16_t value);
void PutU32(std::string &bytes, std::size_t at, std::uint32_t value);
void PutU64(std::string &bytes, std::size_t at, std::uint64_t value);
void PutF32(std::string &bytes, std::size_t at, float value);
void PutF64(std::string &bytes, std::size_t at, double value);
std::uint32_t GetU32(std::string_view bytes, std::size_t at);
std::uint64_t GetU64(std::string_view bytes, std::size_t at);
double GetF64(std::string_view bytes, std::size_t at);

void AppendU32(std::string &bytes, std::uint32_t value);
void AppendF32(std::string &bytes, float value);
void AppendF64(std::string &bytes, double value);

// A count or size for a field of `widthBytes` bytes near the values the readers test: the
// present value and its neighbours, 0 and 1, the table's limits (99 spectra, 10000 points) and
// one past, the top of a signed and an unsigned field, or any value.
std::uint64_t InterestingCount(Random &random, std::uint64_t present, unsigned widthBytes);

// A value a reader hands over or refuses: signed zeros, infinities, NaN, subnormals, the
// extremes of float and double, or an ordinary number.
float InterestingFloat(Random &random);
double InterestingDouble(Random &random);

// A name as files write it and as they should not: plain words, control characters, blanks at
// the ends, multi-byte UTF-8 around SpectrumName's 200-byte cut, no terminating NUL.
std::string InterestingText(Random &random, std::size_t fieldBytes);

// `bytes` mutated by libFuzzer and held at `bytes.size()` bytes, for fixed-size headers.
void MutateFixed(std::string &bytes, const ByteMutator &mutate);

} // namespace fuzz
