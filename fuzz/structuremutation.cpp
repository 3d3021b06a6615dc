#include "structuremutation.h"

#include <cstring>
#include <limits>

namespace fuzz
{

std::int64_t Random::Between(std::int64_t low, std::int64_t high)
{
    const auto span = static_cast<std::uint64_t>(high - low) + 1;
    return low + static_cast<std::int64_t>(span == 0 ? Bits() : Bits() % span);
}

double Random::Uniform(double low, double high)
{
    return std::uniform_real_distribution<double>(low, high)(m_engine);
}

void PutU8(std::string &bytes, std::size_t at, std::uint8_t value)
{
    bytes[at] = static_cast<char>(value);
}

void PutU16(std::string &bytes, std::size_t at, std::uint16_t value)
{
    for (std::size_t i = 0; i < 2; ++i)
        bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

void PutU32(std::string &bytes, std::size_t at, std::uint32_t value)
{
    for (std::size_t i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

void PutU64(std::string &bytes, std::size_t at, std::uint64_t value)
{
    for (std::size_t i = 0; i < 8; ++i)
        bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

void PutF32(std::string &bytes, std::size_t at, float value)
{
    std::uint32_t u;
    std::memcpy(&u, &value, sizeof u);
    PutU32(bytes, at, u);
}

void PutF64(std::string &bytes, std::size_t at, double value)
{
    std::uint64_t u;
    std::memcpy(&u, &value, sizeof u);
    PutU64(bytes, at, u);
}

std::uint32_t GetU32(std::string_view bytes, std::size_t at)
{
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i)
        value |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
    return value;
}

std::uint64_t GetU64(std::string_view bytes, std::size_t at)
{
    return GetU32(bytes, at) | (static_cast<std::uint64_t>(GetU32(bytes, at + 4)) << 32);
}

double GetF64(std::string_view bytes, std::size_t at)
{
    const std::uint64_t u = GetU64(bytes, at);
    double value;
    std::memcpy(&value, &u, sizeof value);
    return value;
}

void AppendU32(std::string &bytes, std::uint32_t value)
{
    bytes.append(4, '\0');
    PutU32(bytes, bytes.size() - 4, value);
}

void AppendF32(std::string &bytes, float value)
{
    bytes.append(4, '\0');
    PutF32(bytes, bytes.size() - 4, value);
}

void AppendF64(std::string &bytes, double value)
{
    bytes.append(8, '\0');
    PutF64(bytes, bytes.size() - 8, value);
}

std::uint64_t InterestingCount(Random &random, std::uint64_t present, unsigned widthBytes)
{
    const std::uint64_t top =
        widthBytes >= 8 ? ~std::uint64_t { 0 } : (std::uint64_t { 1 } << (8 * widthBytes)) - 1;
    std::uint64_t value = 0;
    switch (random.Below(10)) {
    case 0:
        value = present + 1;
        break;
    case 1:
        value = present - 1;
        break;
    case 2:
        value = random.Below(4);
        break;
    case 3:
        value = random.Pick<std::uint64_t>({ 98, 99, 100, 9999, 10000, 10001 });
        break;
    case 4:
        value = top;
        break;
    case 5:
        value = top >> 1; // the largest signed value
        break;
    case 6:
        value = (top >> 1) + 1; // the most negative signed value
        break;
    case 7:
        value = present * 2;
        break;
    case 8:
        value = present / 2;
        break;
    default:
        value = random.Bits();
        break;
    }
    return value & top;
}

float InterestingFloat(Random &random)
{
    using Limits = std::numeric_limits<float>;
    switch (random.Below(12)) {
    case 0:
        return 0.0F;
    case 1:
        return -0.0F;
    case 2:
        return Limits::infinity();
    case 3:
        return -Limits::infinity();
    case 4:
        return Limits::quiet_NaN();
    case 5:
        return Limits::denorm_min();
    case 6:
        return Limits::max();
    case 7:
        return Limits::lowest();
    case 8:
        return Limits::min();
    default:
        return static_cast<float>(random.Uniform(-5000.0, 5000.0));
    }
}

double InterestingDouble(Random &random)
{
    using Limits = std::numeric_limits<double>;
    switch (random.Below(10)) {
    case 0:
        return 0.0;
    case 1:
        return Limits::infinity();
    case 2:
        return -Limits::infinity();
    case 3:
        return Limits::quiet_NaN();
    case 4:
        return Limits::denorm_min();
    case 5:
        return Limits::max();
    case 6:
        return Limits::lowest();
    default:
        return random.Uniform(-5000.0, 5000.0);
    }
}

std::string InterestingText(Random &random, std::size_t fieldBytes)
{
    static const std::vector<std::string> pieces = { "Calcite", " ", "  ", "\t", "\r\n", "\x01",
        "\x7F", "\x1F", "Probe 7", "\xC3\xA4", "\xE2\x82\xAC", "\xF0\x9F\x94\xAC", "\xFF", "\xC3",
        "532 nm", "-" };
    std::string text;
    switch (random.Below(4)) {
    case 0:
        // Around the 200-byte cut, with a multi-byte character across it.
        text.assign(198 + random.Below(3), 'a');
        text += random.Pick(pieces);
        text += "tail";
        break;
    case 1:
        text.assign(fieldBytes, static_cast<char>('A' + random.Below(26)));
        break;
    default:
        for (std::size_t n = random.Below(8); n > 0; --n)
            text += random.Pick(pieces);
        break;
    }
    if (text.size() > fieldBytes)
        text.resize(fieldBytes);
    return text;
}

void MutateFixed(std::string &bytes, const ByteMutator &mutate)
{
    const std::size_t size = bytes.size();
    mutate(bytes, size);
    bytes.resize(size, '\0');
}

} // namespace fuzz
