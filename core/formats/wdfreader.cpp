#include "wdfreader.h"

#include "littleendian.h"

#include <cstdint>

namespace
{

constexpr std::string_view kMagic = "WDF1";
constexpr std::size_t kBlockHeaderBytes = 16;
constexpr std::size_t kFileHeaderBytes = 512;

// File header fields.
constexpr std::size_t kPointsAt = 60; // u32: points per spectrum
constexpr std::size_t kCapacityAt = 64; // u64: spectra the DATA block has room for
constexpr std::size_t kCollectedAt = 72; // u64: spectra actually measured
constexpr std::size_t kXCountAt = 88; // u32: length of the x list
constexpr std::size_t kYUnitsAt = 152; // u32: units of the spectra
constexpr std::size_t kTitleAt = 240; // UTF-8, up to a NUL: the measurement's title
constexpr std::size_t kTitleBytes = 160;
static_assert(kTitleAt + kTitleBytes <= kFileHeaderBytes, "the title lies in the file header");

// An XLST block's body: data type (u32), units (u32), then the float32 values.
constexpr std::size_t kListPreambleBytes = 8;

// The WDF unit codes with captions; other codes keep the defaults.
const char *xCaption(std::uint32_t units)
{
    switch (units) {
    case 1:
        return "Raman shift [1/cm]";
    case 2:
        return "Wavenumber [1/cm]";
    case 3:
        return "Wavelength [nm]";
    default:
        return "";
    }
}

const char *yCaption(std::uint32_t units)
{
    return units == 6 ? "Counts" : "";
}

// Block names seen in files are upper-case letters, digits and blanks ("MAP ").
bool isBlockNameChar(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == ' ';
}

bool isBlockName(std::string_view name)
{
    for (const char c : name)
        if (!isBlockNameChar(c))
            return false;
    return true;
}

struct Block {
    std::size_t body = 0; // offset of the body
    std::size_t bodyBytes = 0;
    bool found = false;
};

} // namespace

bool LooksWdf(std::string_view head, std::size_t fileSize, std::string_view)
{
    if (head.size() < kBlockHeaderBytes || fileSize < head.size())
        return false;
    if (head.substr(0, 4) != kMagic || le::U64(head, 8) != kFileHeaderBytes)
        return false;
    if (head.size() >= kFileHeaderBytes + 4)
        return isBlockName(head.substr(kFileHeaderBytes, 4));
    return true;
}

bool ReadWdf(std::string_view bytes, ImportedSpectra &out)
{
    out = ImportedSpectra();
    const std::size_t size = bytes.size();
    if (size < kFileHeaderBytes || bytes.substr(0, 4) != kMagic
        || le::U64(bytes, 8) != kFileHeaderBytes)
        return false;

    // The blocks must follow one another up to the file's end; the first of each kind counts.
    Block data;
    Block xList;
    std::size_t at = kFileHeaderBytes;
    while (at < size) {
        if (!le::Fits(at, kBlockHeaderBytes, size))
            return false;
        const std::string_view name = bytes.substr(at, 4);
        const std::uint64_t blockBytes = le::U64(bytes, at + 8);
        if (!isBlockName(name) || blockBytes < kBlockHeaderBytes || !le::Fits(at, blockBytes, size))
            return false;
        Block *wanted = name == "DATA" ? &data : name == "XLST" ? &xList : nullptr;
        if (wanted != nullptr && !wanted->found)
            *wanted = Block { at + kBlockHeaderBytes,
                static_cast<std::size_t>(blockBytes) - kBlockHeaderBytes, true };
        at += static_cast<std::size_t>(blockBytes);
    }
    if (!data.found || !xList.found)
        return false;

    const std::uint32_t points = le::U32(bytes, kPointsAt);
    const std::uint64_t capacity = le::U64(bytes, kCapacityAt);
    const std::uint64_t collected = le::U64(bytes, kCollectedAt);
    if (points < 1 || points > kImportMaxPoints || collected < 1 || collected > kImportMaxSpectra
        || collected > capacity)
        return false;
    if (le::U32(bytes, kXCountAt) != points
        || xList.bodyBytes != kListPreambleBytes + std::size_t { 4 } * points)
        return false;
    // DATA holds room for every planned spectrum: exactly capacity * points float32 values.
    const std::size_t spectrumBytes = std::size_t { 4 } * points;
    if (data.bodyBytes % spectrumBytes != 0 || data.bodyBytes / spectrumBytes != capacity)
        return false;

    out.X.resize(points);
    const std::size_t xAt = xList.body + kListPreambleBytes;
    for (std::size_t i = 0; i < points; ++i)
        out.X[i] = le::F32(bytes, xAt + 4 * i);
    out.Y.resize(static_cast<std::size_t>(collected));
    for (std::size_t s = 0; s < out.Y.size(); ++s) {
        std::vector<double> &y = out.Y[s];
        y.resize(points);
        const std::size_t yAt = data.body + s * spectrumBytes;
        for (std::size_t i = 0; i < points; ++i)
            y[i] = le::F32(bytes, yAt + 4 * i);
    }
    out.XCaption = xCaption(le::U32(bytes, xList.body + 4));
    out.YCaption = yCaption(le::U32(bytes, kYUnitsAt));
    // The title is the whole file's: it names the spectrum of a file of one.
    if (out.Y.size() == 1) {
        const std::string_view title = bytes.substr(kTitleAt, kTitleBytes);
        out.Names.push_back(SpectrumName(title.substr(0, title.find('\0'))));
    }
    return true;
}
