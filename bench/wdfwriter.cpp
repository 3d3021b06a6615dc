#include "wdfwriter.h"

#include "benchcommon.h"

#include <algorithm>
#include <cstring>

namespace
{

// Bytes gathered before they are written.
constexpr std::size_t kChunkBytes = std::size_t { 4 } << 20;

template <typename T> void put(std::string &bytes, std::size_t at, T value)
{
    std::memcpy(&bytes[at], &value, sizeof value); // little-endian host
}

template <typename T> void append(std::string &bytes, T value)
{
    bytes.resize(bytes.size() + sizeof value);
    put(bytes, bytes.size() - sizeof value, value);
}

std::string blockHeader(const char *name, std::uint64_t bodyBytes)
{
    std::string bytes(name, 4);
    append(bytes, std::uint32_t { 0 });
    append(bytes, std::uint64_t { 16 } + bodyBytes);
    return bytes;
}

std::string fileHeader(std::uint32_t points, std::uint64_t spectra, const std::string &title)
{
    std::string header(512, '\0');
    std::memcpy(&header[0], "WDF1", 4);
    put(header, 4, std::uint32_t { 1 });
    put(header, 8, std::uint64_t { 512 });
    put(header, 60, points);
    put(header, 64, spectra); // capacity
    put(header, 72, spectra); // collected
    put(header, 88, points);
    put(header, 152, std::uint32_t { 6 }); // counts
    std::memcpy(&header[240], title.data(), std::min<std::size_t>(title.size(), 159));
    return header;
}

// The header of an origin list of the given type, in micrometres; its values follow.
std::string originListHeader(std::uint32_t type, const char *label)
{
    std::string bytes;
    append(bytes, type | 0x80000000u);
    append(bytes, std::uint32_t { 5 }); // micrometres
    std::string name(16, '\0');
    std::memcpy(&name[0], label, std::strlen(label));
    return bytes + name;
}

} // namespace

bool WriteWdf(const std::string &path, const WdfSpectra &spectra)
{
    return WriteFileWhole(path, [&spectra](int fd) {
        const auto points = static_cast<std::uint32_t>(spectra.Shifts.size());
        const std::uint64_t end = spectra.First + spectra.Count;
        std::string bytes = fileHeader(points, spectra.Count, spectra.Title)
            + blockHeader("DATA", std::uint64_t { 4 } * points * spectra.Count);
        // Writes the bytes gathered once they reach atLeast.
        const auto flush = [&bytes, fd](std::size_t atLeast) {
            if (bytes.size() < atLeast)
                return true;
            const bool written = WriteAll(fd, bytes);
            bytes.clear();
            return written;
        };
        std::vector<float> y(points);
        for (std::uint64_t k = spectra.First; k < end; ++k) {
            spectra.Intensities(k, y.data());
            const std::size_t at = bytes.size();
            bytes.resize(at + sizeof(float) * points);
            std::memcpy(&bytes[at], y.data(), sizeof(float) * points);
            if (!flush(kChunkBytes))
                return false;
        }
        bytes += blockHeader("XLST", 8 + std::uint64_t { 4 } * points);
        append(bytes, std::uint32_t { 1 });
        append(bytes, std::uint32_t { 1 }); // Raman shift
        for (const float v : spectra.Shifts)
            append(bytes, v);
        bytes += blockHeader("ORGN", 4 + 2 * (24 + 8 * spectra.Count));
        append(bytes, std::uint32_t { 2 });
        for (int list = 0; list < 2; ++list) {
            const auto &position = list == 0 ? spectra.X : spectra.Y;
            bytes += list == 0 ? originListHeader(3, "X") : originListHeader(4, "Y");
            for (std::uint64_t k = spectra.First; k < end; ++k) {
                append(bytes, position(k));
                if (!flush(kChunkBytes))
                    return false;
            }
        }
        return flush(0);
    });
}
