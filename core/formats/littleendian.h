#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

// Little-endian fields of binary instrument files, read from a buffer whose bounds the caller has
// already checked with Fits(). Values are assembled from bytes, so the result does not depend on
// the host's byte order or on alignment; a float32 becomes a double exactly.
namespace le
{

// True when `length` bytes from `offset` lie inside a buffer of `size` bytes, without overflow.
inline bool Fits(std::uint64_t offset, std::uint64_t length, std::size_t size)
{
    return offset <= size && length <= size - offset;
}

inline std::uint8_t U8(std::string_view b, std::size_t at)
{
    return static_cast<std::uint8_t>(b[at]);
}

inline std::uint16_t U16(std::string_view b, std::size_t at)
{
    return static_cast<std::uint16_t>(U8(b, at) | (U8(b, at + 1) << 8));
}

inline std::uint32_t U32(std::string_view b, std::size_t at)
{
    return static_cast<std::uint32_t>(U8(b, at)) | (static_cast<std::uint32_t>(U8(b, at + 1)) << 8)
        | (static_cast<std::uint32_t>(U8(b, at + 2)) << 16)
        | (static_cast<std::uint32_t>(U8(b, at + 3)) << 24);
}

inline std::uint64_t U64(std::string_view b, std::size_t at)
{
    return static_cast<std::uint64_t>(U32(b, at))
        | (static_cast<std::uint64_t>(U32(b, at + 4)) << 32);
}

inline std::int16_t I16(std::string_view b, std::size_t at)
{
    const std::uint16_t u = U16(b, at);
    std::int16_t value;
    std::memcpy(&value, &u, sizeof value);
    return value;
}

inline std::int32_t I32(std::string_view b, std::size_t at)
{
    const std::uint32_t u = U32(b, at);
    std::int32_t value;
    std::memcpy(&value, &u, sizeof value);
    return value;
}

inline double F32(std::string_view b, std::size_t at)
{
    static_assert(sizeof(float) == 4, "IEEE single precision expected");
    const std::uint32_t u = U32(b, at);
    float value;
    std::memcpy(&value, &u, sizeof value);
    return static_cast<double>(value);
}

inline double F64(std::string_view b, std::size_t at)
{
    static_assert(sizeof(double) == 8, "IEEE double precision expected");
    const std::uint64_t u = U64(b, at);
    double value;
    std::memcpy(&value, &u, sizeof value);
    return value;
}

} // namespace le
