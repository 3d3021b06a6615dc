#include "spcreader.h"

#include "littleendian.h"

#include <cmath>
#include <cstdint>
#include <cstring>

namespace
{

// The main header of the new layout and the header in front of every subfile.
constexpr std::size_t kMainHeaderBytes = 512;
constexpr std::size_t kSubHeaderBytes = 32;
constexpr std::size_t kDirectoryEntryBytes = 12; // XYXY directory: position, size, z

constexpr std::uint8_t kNewLittleEndian = 0x4B;

// fcmnt: the memo, text up to a NUL in the main header, between the reserved floats (fspare) and
// the axis captions (fcatxt, 30 bytes before flogoff at 248).
constexpr std::size_t kMemoAt = 88;
constexpr std::size_t kMemoBytes = 130;
static_assert(kMemoAt + kMemoBytes <= kMainHeaderBytes, "the memo lies in the main header");

// ftflgs bits.
constexpr std::uint8_t kShortY = 0x01; // TSPREC: 16-bit integer y
constexpr std::uint8_t kMulti = 0x04; // TMULTI: more than one subfile
constexpr std::uint8_t kTextLabels = 0x20; // TALABS: captions in fcatxt, unit codes not to be used
constexpr std::uint8_t kXyxy = 0x40; // TXYXYS: every subfile has its own x array
constexpr std::uint8_t kXValues = 0x80; // TXVALS: explicit x instead of first/last

// An exponent byte of 0x80 marks float32 y.
constexpr int kFloatExponent = -128;

// No text byte other than NUL lies below 0x09 (tab), so four bytes of text read as a point count
// are at least 0x09000000: a bound below that keeps every text file out of the signature.
constexpr std::int64_t kMaxPlausibleCount = 0x00FFFFFF;

struct Header {
    std::uint8_t flags = 0;
    int exponent = 0;
    std::int64_t points = 0; // fnpts: the point count, or the XYXY directory's offset (0: none)
    double first = 0;
    double last = 0;
    std::int64_t subfiles = 0;
    std::uint8_t xType = 0;
    std::uint8_t yType = 0;
    std::uint32_t logOffset = 0;

    bool has(std::uint8_t flag) const { return (flags & flag) != 0; }
    std::size_t yBytes() const { return has(kShortY) ? 2 : 4; }
};

bool knownXType(std::uint8_t code)
{
    return code <= 30 || code == 255;
}
bool knownYType(std::uint8_t code)
{
    return code <= 26 || (code >= 128 && code <= 131);
}

// The main header, read and checked for consistency within itself; false when it is not the
// header of an SPC file in the new little-endian layout.
bool readHeader(std::string_view head, Header &h)
{
    if (head.size() < kMainHeaderBytes || le::U8(head, 1) != kNewLittleEndian)
        return false;
    h.flags = le::U8(head, 0);
    h.exponent = static_cast<std::int8_t>(le::U8(head, 3));
    h.points = le::I32(head, 4);
    h.first = le::F64(head, 8);
    h.last = le::F64(head, 16);
    h.subfiles = le::I32(head, 24);
    h.xType = le::U8(head, 28);
    h.yType = le::U8(head, 29);
    h.logOffset = le::U32(head, 248);

    if (h.has(kXyxy) && !h.has(kXValues))
        return false;
    if (h.has(kMulti) ? h.subfiles < 1 : (h.subfiles != 0 && h.subfiles != 1))
        return false;
    if (h.subfiles > kMaxPlausibleCount)
        return false;
    if (!knownXType(h.xType) || !knownYType(h.yType))
        return false;
    if (h.has(kXyxy))
        return h.points >= 0;
    if (h.points < 1 || h.points > kMaxPlausibleCount)
        return false;
    // A single file's y takes the header's exponent: float y cannot be 16 bits wide.
    if (!h.has(kMulti) && h.has(kShortY) && h.exponent == kFloatExponent)
        return false;
    return h.has(kXValues) || (std::isfinite(h.first) && std::isfinite(h.last));
}

// One subfile's y values at `at` (bounds checked by the caller), scaled as the format defines:
// float32 as it is, integers times 2^(exponent - bits).
void readY(std::string_view bytes, std::size_t at, std::size_t count, bool shortY, int exponent,
    std::vector<double> &y)
{
    y.resize(count);
    if (shortY) {
        for (std::size_t i = 0; i < count; ++i)
            y[i] = std::ldexp(static_cast<double>(le::I16(bytes, at + 2 * i)), exponent - 16);
    } else if (exponent == kFloatExponent) {
        for (std::size_t i = 0; i < count; ++i)
            y[i] = le::F32(bytes, at + 4 * i);
    } else {
        for (std::size_t i = 0; i < count; ++i)
            y[i] = std::ldexp(static_cast<double>(le::I32(bytes, at + 4 * i)), exponent - 32);
    }
}

int subfileExponent(const Header &h, std::string_view bytes, std::size_t subHeader)
{
    // A single file's subheader exponent is ignored in favour of the main header's.
    return h.has(kMulti) ? static_cast<std::int8_t>(le::U8(bytes, subHeader + 1)) : h.exponent;
}

void evenX(const Header &h, std::size_t count, std::vector<double> &x)
{
    using Extended = long double;
    x.resize(count);
    x[0] = h.first;
    if (count < 2)
        return;
    const Extended step = (Extended(h.last) - Extended(h.first)) / Extended(count - 1);
    for (std::size_t i = 1; i + 1 < count; ++i)
        x[i] = static_cast<double>(Extended(h.first) + step * Extended(i));
    x[count - 1] = h.last;
}

// Subfiles one after another, each with its 32-byte header and `points` y values, after the
// main header and the common x array (if any).
bool readCommonX(std::string_view bytes, const Header &h, ImportedSpectra &out)
{
    const std::size_t size = bytes.size();
    const auto points = static_cast<std::size_t>(h.points);
    const auto subfiles = static_cast<std::size_t>(h.has(kMulti) ? h.subfiles : 1);
    if (points > kImportMaxPoints || subfiles > kImportMaxSpectra)
        return false;
    const std::size_t xBytes = h.has(kXValues) ? 4 * points : 0;
    const std::size_t yBytes = h.yBytes() * points;
    // With both counts within the table's limits, no sum here can overflow.
    if (!le::Fits(kMainHeaderBytes, xBytes + subfiles * (kSubHeaderBytes + yBytes), size))
        return false;
    std::size_t at = kMainHeaderBytes;
    if (h.has(kXValues)) {
        out.X.resize(points);
        for (std::size_t i = 0; i < points; ++i)
            out.X[i] = le::F32(bytes, at + 4 * i);
        at += 4 * points;
    } else {
        evenX(h, points, out.X);
    }
    out.Y.resize(subfiles);
    for (std::size_t s = 0; s < subfiles; ++s) {
        // subnpts is only needed for XYXY files; where a writer fills it in, it must agree.
        const std::int32_t subPoints = le::I32(bytes, at + 16);
        if (subPoints != 0 && subPoints != h.points)
            return false;
        const int exponent = subfileExponent(h, bytes, at);
        if (h.has(kShortY) && exponent == kFloatExponent)
            return false;
        readY(bytes, at + kSubHeaderBytes, points, h.has(kShortY), exponent, out.Y[s]);
        at += kSubHeaderBytes + yBytes;
    }
    return h.logOffset == 0 || (h.logOffset >= at && h.logOffset < size);
}

// XYXY: every subfile brings its own point count and x array. The table has one x column, so
// such a file is read only when all subfiles carry the same x values, byte for byte; a file
// whose subfiles differ in x is refused (the wrong layout) rather than resampled or cut to a
// common range, which would show values the instrument never recorded.
bool readOwnX(std::string_view bytes, const Header &h, ImportedSpectra &out)
{
    const std::size_t size = bytes.size();
    const auto subfiles = static_cast<std::size_t>(h.has(kMulti) ? h.subfiles : 1);
    if (subfiles > kImportMaxSpectra)
        return false;
    const auto directory = static_cast<std::size_t>(h.points);
    if (directory != 0 && !le::Fits(directory, kDirectoryEntryBytes * subfiles, size))
        return false;
    std::size_t at = kMainHeaderBytes;
    std::string_view firstX;
    out.Y.resize(subfiles);
    for (std::size_t s = 0; s < subfiles; ++s) {
        if (directory != 0 && le::U32(bytes, directory + kDirectoryEntryBytes * s) != at)
            return false;
        if (!le::Fits(at, kSubHeaderBytes, size))
            return false;
        const std::int32_t points = le::I32(bytes, at + 16);
        if (points < 1 || static_cast<std::size_t>(points) > kImportMaxPoints)
            return false;
        const auto count = static_cast<std::size_t>(points);
        const std::size_t xAt = at + kSubHeaderBytes;
        const std::size_t yAt = xAt + 4 * count;
        if (!le::Fits(xAt, (4 + h.yBytes()) * count, size))
            return false;
        const std::string_view x = bytes.substr(xAt, 4 * count);
        if (s == 0)
            firstX = x;
        else if (x != firstX)
            return false;
        const int exponent = subfileExponent(h, bytes, at);
        if (h.has(kShortY) && exponent == kFloatExponent)
            return false;
        readY(bytes, yAt, count, h.has(kShortY), exponent, out.Y[s]);
        at = yAt + h.yBytes() * count;
    }
    out.X.resize(firstX.size() / 4);
    for (std::size_t i = 0; i < out.X.size(); ++i)
        out.X[i] = le::F32(firstX, 4 * i);
    return h.logOffset == 0 || (h.logOffset >= at && h.logOffset < size);
}

// Captions for the unit codes this program's users meet; other codes keep the defaults.
const char *xCaption(std::uint8_t code)
{
    switch (code) {
    case 1:
        return "Wavenumber [1/cm]";
    case 3:
        return "Wavelength [nm]";
    case 13:
        return "Raman shift [1/cm]";
    default:
        return "";
    }
}

const char *yCaption(std::uint8_t code)
{
    switch (code) {
    case 2:
        return "Absorbance";
    case 4:
        return "Counts";
    case 12:
        return "Intensity";
    case 13:
        return "Relative intensity";
    case 128:
        return "Transmission";
    case 129:
        return "Reflectance";
    default:
        return "";
    }
}

} // namespace

bool LooksSpc(std::string_view head, std::size_t fileSize, std::string_view)
{
    Header h;
    return fileSize >= head.size() && readHeader(head, h);
}

bool ReadSpc(std::string_view bytes, ImportedSpectra &out)
{
    out = ImportedSpectra();
    Header h;
    if (!readHeader(bytes, h))
        return false;
    const bool read = h.has(kXyxy) ? readOwnX(bytes, h, out) : readCommonX(bytes, h, out);
    if (!read) {
        out = ImportedSpectra();
        return false;
    }
    if (!h.has(kTextLabels)) {
        out.XCaption = xCaption(h.xType);
        out.YCaption = yCaption(h.yType);
    }
    // The memo is the whole file's: it names the spectrum of a file of one.
    if (out.Y.size() == 1) {
        const std::string_view memo = bytes.substr(kMemoAt, kMemoBytes);
        out.Names.push_back(SpectrumName(memo.substr(0, memo.find('\0'))));
    }
    return true;
}
