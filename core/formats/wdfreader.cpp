#include "wdfreader.h"

#include "littleendian.h"
#include "messages.h"
#include "translatable.h"

#include <cmath>
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
    std::uint64_t body = 0; // offset of the body
    std::uint64_t bodyBytes = 0;
    bool found = false;
};

// The header of an origin list in the ORGN block: data type (u32, the top bit marks the lists
// the instrument recorded), units (u32), a 16-byte label; then one value per planned spectrum.
constexpr std::size_t kOriginHeaderBytes = 24;
constexpr std::uint32_t kOriginX = 3;
constexpr std::uint32_t kOriginY = 4;

// Where the stage positions of the spectra lie: the X and the Y origin lists of the ORGN block
// (float64 each), when the block holds both whole.
struct Positions {
    std::uint64_t x = 0;
    std::uint64_t y = 0;
    bool found = false;
};

Positions findPositions(ByteSource &source, const Block &origins, std::uint64_t capacity)
{
    Positions where;
    if (!origins.found || origins.bodyBytes < 4 || capacity > origins.bodyBytes / 8)
        return where;
    SourceWindow window;
    const std::uint32_t lists = le::U32(source.Bytes(origins.body, 4, window), 0);
    const std::uint64_t listBytes = kOriginHeaderBytes + 8 * capacity;
    if (lists > (origins.bodyBytes - 4) / listBytes)
        return where;
    bool haveX = false;
    bool haveY = false;
    for (std::uint32_t k = 0; k < lists; ++k) {
        const std::uint64_t at = origins.body + 4 + k * listBytes;
        const std::uint32_t type = le::U32(source.Bytes(at, 4, window), 0) & 0x7FFFFFFFu;
        if (type == kOriginX && !haveX) {
            where.x = at + kOriginHeaderBytes;
            haveX = true;
        } else if (type == kOriginY && !haveY) {
            where.y = at + kOriginHeaderBytes;
            haveY = true;
        }
    }
    where.found = haveX && haveY;
    return where;
}

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

ReadOutcome StreamWdf(ByteSource &source, SpectrumSink &sink)
{
    const std::uint64_t size = source.Size();
    if (size < kFileHeaderBytes)
        return ReadOutcome::Refused(
            Refusal::Damaged(QT_TRANSLATE_NOOP("Messages", "Dateikopf unvollständig")));
    SourceWindow headerWindow;
    // A copy: the header is read again after the blocks.
    const std::string header(source.Bytes(0, kFileHeaderBytes, headerWindow));
    if (header.substr(0, 4) != kMagic || le::U64(header, 8) != kFileHeaderBytes)
        return ReadOutcome::Refused(
            Refusal::Damaged(QT_TRANSLATE_NOOP("Messages", "Dateikopf unvollständig")));

    // The blocks must follow one another up to the file's end; the first of each kind counts.
    Block data;
    Block xList;
    Block origins;
    std::uint64_t at = kFileHeaderBytes;
    SourceWindow window;
    while (at < size) {
        if (size - at < kBlockHeaderBytes)
            return ReadOutcome::Refused(Refusal::Damaged(
                FormatMessage(QT_TRANSLATE_NOOP("Messages", "Blockkopf bei Byte %d unvollständig"),
                    static_cast<long long>(at))));
        const std::string_view blockHeader = source.Bytes(at, kBlockHeaderBytes, window);
        const std::string name(blockHeader.substr(0, 4));
        const std::uint64_t blockBytes = le::U64(blockHeader, 8);
        if (!isBlockName(name) || blockBytes < kBlockHeaderBytes)
            return ReadOutcome::Refused(Refusal::Damaged(
                FormatMessage(QT_TRANSLATE_NOOP("Messages", "kein Block bei Byte %d"),
                    static_cast<long long>(at))));
        if (blockBytes > size - at)
            return ReadOutcome::Refused(Refusal::Damaged(FormatMessage(
                QT_TRANSLATE_NOOP("Messages", "Block %s endet nach dem Dateiende"), name)));
        Block *wanted = name == "DATA" ? &data
            : name == "XLST"           ? &xList
            : name == "ORGN"           ? &origins
                                       : nullptr;
        if (wanted != nullptr && !wanted->found)
            *wanted = Block { at + kBlockHeaderBytes, blockBytes - kBlockHeaderBytes, true };
        at += blockBytes;
    }
    if (!data.found)
        return ReadOutcome::Refused(
            Refusal::Damaged(QT_TRANSLATE_NOOP("Messages", "Block DATA fehlt")));
    if (!xList.found)
        return ReadOutcome::Refused(
            Refusal::Damaged(QT_TRANSLATE_NOOP("Messages", "Block XLST fehlt")));

    const std::uint32_t points = le::U32(header, kPointsAt);
    const std::uint64_t capacity = le::U64(header, kCapacityAt);
    const std::uint64_t collected = le::U64(header, kCollectedAt);
    if (points < 1)
        return ReadOutcome::Refused(
            Refusal::Damaged(QT_TRANSLATE_NOOP("Messages", "keine Punkte")));
    if (collected < 1)
        return ReadOutcome::Refused(
            Refusal::Damaged(QT_TRANSLATE_NOOP("Messages", "keine Spektren")));
    if (collected > capacity)
        return ReadOutcome::Refused(Refusal::Damaged(
            QT_TRANSLATE_NOOP("Messages", "mehr Spektren als Platz im Block DATA")));
    if (le::U32(header, kXCountAt) != points
        || xList.bodyBytes != kListPreambleBytes + std::uint64_t { 4 } * points)
        return ReadOutcome::Refused(Refusal::Damaged(
            QT_TRANSLATE_NOOP("Messages", "Block XLST passt nicht zur Punktzahl")));
    // DATA holds room for every planned spectrum: exactly capacity * points float32 values.
    const std::uint64_t spectrumBytes = std::uint64_t { 4 } * points;
    if (data.bodyBytes % spectrumBytes != 0 || data.bodyBytes / spectrumBytes != capacity)
        return ReadOutcome::Refused(Refusal::Damaged(
            QT_TRANSLATE_NOOP("Messages", "Block DATA passt nicht zur Zahl der Spektren")));

    const std::string xCaptionText = xCaption(le::U32(source.Bytes(xList.body + 4, 4, window), 0));
    StreamStart start;
    start.XCaption = xCaptionText;
    start.YCaption = yCaption(le::U32(header, kYUnitsAt));
    start.Spectra = collected;
    start.Points = points;
    if (!sink.Start(start))
        return ReadOutcome::Done();

    // Bounded by the file's size: the XLST block holds four bytes a point.
    std::vector<double> x(points);
    std::vector<double> y(points);
    {
        const std::string_view values =
            source.Bytes(xList.body + kListPreambleBytes, spectrumBytes, window);
        for (std::size_t i = 0; i < points; ++i)
            x[i] = le::F32(values, 4 * i);
    }
    // The title is the whole file's: it names the spectrum of a file of one.
    std::string title;
    if (collected == 1) {
        const std::string_view field = std::string_view(header).substr(kTitleAt, kTitleBytes);
        title = SpectrumName(field.substr(0, field.find('\0')));
    }
    const Positions positions = findPositions(source, origins, capacity);
    SourceWindow xWindow;
    SourceWindow yWindow;
    for (std::uint64_t s = sink.FirstWanted(); s < collected; ++s) {
        const std::string_view values =
            source.Bytes(data.body + s * spectrumBytes, spectrumBytes, window);
        for (std::size_t i = 0; i < points; ++i)
            y[i] = le::F32(values, 4 * i);
        StreamedSpectrum spectrum;
        spectrum.X = x.data();
        spectrum.Y = y.data();
        spectrum.Points = points;
        spectrum.Index = s;
        spectrum.Name = title;
        if (positions.found) {
            // A position that is no number places the spectrum nowhere.
            spectrum.PositionX = le::F64(source.Bytes(positions.x + 8 * s, 8, xWindow), 0);
            spectrum.PositionY = le::F64(source.Bytes(positions.y + 8 * s, 8, yWindow), 0);
            spectrum.HasPosition =
                std::isfinite(spectrum.PositionX) && std::isfinite(spectrum.PositionY);
        }
        if (!sink.Take(spectrum))
            break;
    }
    return ReadOutcome::Done();
}

bool ReadWdf(std::string_view bytes, ImportedSpectra &out)
{
    return CollectImported(StreamWdf, bytes, out);
}
