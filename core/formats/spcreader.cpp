#include "spcreader.h"

#include "littleendian.h"
#include "messages.h"
#include "translatable.h"

#include <algorithm>
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
    // The exponent is a signed byte: 0x80 and above are negative.
    h.exponent = static_cast<std::int8_t>(le::U8(head, 3)); // NOLINT(bugprone-signed-char-misuse)
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

// One subfile's y values (count of them in bytes), scaled as the format defines: float32 as it
// is, integers times 2^(exponent - bits).
void readY(
    std::string_view bytes, std::size_t count, bool shortY, int exponent, std::vector<double> &y)
{
    y.resize(count);
    if (shortY) {
        for (std::size_t i = 0; i < count; ++i)
            y[i] = std::ldexp(static_cast<double>(le::I16(bytes, 2 * i)), exponent - 16);
    } else if (exponent == kFloatExponent) {
        for (std::size_t i = 0; i < count; ++i)
            y[i] = le::F32(bytes, 4 * i);
    } else {
        for (std::size_t i = 0; i < count; ++i)
            y[i] = std::ldexp(static_cast<double>(le::I32(bytes, 4 * i)), exponent - 32);
    }
}

void readX(std::string_view bytes, std::size_t count, std::vector<double> &x)
{
    x.resize(count);
    for (std::size_t i = 0; i < count; ++i)
        x[i] = le::F32(bytes, 4 * i);
}

int subfileExponent(const Header &h, std::string_view subHeader)
{
    // A single file's subheader exponent is ignored in favour of the main header's.
    return h.has(kMulti) ? static_cast<std::int8_t>(le::U8(subHeader, 1)) : h.exponent;
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

// "beschädigt: Teilspektrum 3: what" for subfile s (from 0).
ReadOutcome damagedSubfile(std::uint64_t s, const char *what)
{
    return ReadOutcome::Refused(
        Refusal::Damaged(FormatMessage(QT_TRANSLATE_NOOP("Messages", "Teilspektrum %d"),
                             static_cast<long long>(s) + 1)
            + ": " + what));
}

ReadOutcome damagedLog()
{
    return ReadOutcome::Refused(
        Refusal::Damaged(QT_TRANSLATE_NOOP("Messages", "Protokollblock außerhalb der Datei")));
}

// Whatever the file is read for, it is checked whole before the first spectrum goes out, so that
// a refused file has handed over nothing.
struct Plan {
    std::uint64_t subfiles = 0;
    std::size_t points = 0; // of every subfile, with one x for all
};

// Subfiles one after another, each with its 32-byte header and `points` y values, after the
// main header and the common x array (if any).
ReadOutcome checkCommonX(ByteSource &source, const Header &h, Plan &plan)
{
    const std::uint64_t size = source.Size();
    const auto points = static_cast<std::uint64_t>(h.points);
    const auto subfiles = static_cast<std::uint64_t>(h.has(kMulti) ? h.subfiles : 1);
    const std::uint64_t xBytes = h.has(kXValues) ? 4 * points : 0;
    const std::uint64_t yBytes = h.yBytes() * points;
    // Both counts are below 2^24: no sum or product here can overflow.
    const std::uint64_t end = kMainHeaderBytes + xBytes + subfiles * (kSubHeaderBytes + yBytes);
    if (end > size)
        return ReadOutcome::Refused(Refusal::Damaged(
            FormatMessage(QT_TRANSLATE_NOOP("Messages", "%d Teilspektren enden nach dem Dateiende"),
                static_cast<long long>(subfiles))));
    SourceWindow window;
    std::uint64_t at = kMainHeaderBytes + xBytes;
    for (std::uint64_t s = 0; s < subfiles; ++s) {
        const std::string_view sub = source.Bytes(at, kSubHeaderBytes, window);
        // subnpts is only needed for XYXY files; where a writer fills it in, it must agree.
        const std::int32_t subPoints = le::I32(sub, 16);
        if (subPoints != 0 && subPoints != h.points)
            return damagedSubfile(
                s, QT_TRANSLATE_NOOP("Messages", "Punktzahl passt nicht zum Dateikopf"));
        if (h.has(kShortY) && subfileExponent(h, sub) == kFloatExponent)
            return damagedSubfile(s, QT_TRANSLATE_NOOP("Messages", "Gleitkommawerte in 16 Bit"));
        at += kSubHeaderBytes + yBytes;
    }
    if (h.logOffset != 0 && (h.logOffset < at || h.logOffset >= size))
        return damagedLog();
    plan.subfiles = subfiles;
    plan.points = static_cast<std::size_t>(points);
    return ReadOutcome::Done();
}

ReadOutcome streamCommonX(ByteSource &source, const Header &h, const Plan &plan,
    std::string_view name, SpectrumSink &sink)
{
    std::vector<double> x;
    std::vector<double> y;
    SourceWindow window;
    std::uint64_t at = kMainHeaderBytes;
    if (h.has(kXValues)) {
        readX(source.Bytes(at, 4 * plan.points, window), plan.points, x);
        at += 4 * plan.points;
    } else {
        evenX(h, plan.points, x);
    }
    const std::size_t yBytes = h.yBytes() * plan.points;
    // Every subfile has the same size: the first one wanted lies at a known offset.
    const std::uint64_t first = std::min<std::uint64_t>(sink.FirstWanted(), plan.subfiles);
    at += first * (kSubHeaderBytes + yBytes);
    for (std::uint64_t s = first; s < plan.subfiles; ++s) {
        const std::string_view sub = source.Bytes(at, kSubHeaderBytes + yBytes, window);
        readY(sub.substr(kSubHeaderBytes), plan.points, h.has(kShortY), subfileExponent(h, sub), y);
        at += kSubHeaderBytes + yBytes;
        StreamedSpectrum spectrum;
        spectrum.X = x.data();
        spectrum.Y = y.data();
        spectrum.Points = plan.points;
        spectrum.Index = s;
        spectrum.Name = name;
        if (!sink.Take(spectrum))
            break;
    }
    return ReadOutcome::Done();
}

// XYXY: every subfile brings its own point count and x array, handed over with it.
ReadOutcome checkOwnX(ByteSource &source, const Header &h, Plan &plan)
{
    const std::uint64_t size = source.Size();
    const auto subfiles = static_cast<std::uint64_t>(h.has(kMulti) ? h.subfiles : 1);
    const auto directory = static_cast<std::uint64_t>(h.points);
    if (directory != 0 && !le::Fits(directory, kDirectoryEntryBytes * subfiles, size))
        return ReadOutcome::Refused(Refusal::Damaged(QT_TRANSLATE_NOOP(
            "Messages", "Verzeichnis der Teilspektren endet nach dem Dateiende")));
    SourceWindow window;
    SourceWindow directoryWindow;
    std::uint64_t at = kMainHeaderBytes;
    for (std::uint64_t s = 0; s < subfiles; ++s) {
        if (directory != 0
            && le::U32(source.Bytes(directory + kDirectoryEntryBytes * s, 4, directoryWindow), 0)
                != at)
            return damagedSubfile(
                s, QT_TRANSLATE_NOOP("Messages", "Verzeichnis zeigt woanders hin"));
        if (!le::Fits(at, kSubHeaderBytes, size))
            return ReadOutcome::Refused(Refusal::Damaged(FormatMessage(
                QT_TRANSLATE_NOOP("Messages", "Teilspektrum %d endet nach dem Dateiende"),
                static_cast<long long>(s) + 1)));
        const std::string_view sub = source.Bytes(at, kSubHeaderBytes, window);
        const std::int32_t points = le::I32(sub, 16);
        if (points < 1)
            return damagedSubfile(s, QT_TRANSLATE_NOOP("Messages", "keine Punkte"));
        if (h.has(kShortY) && subfileExponent(h, sub) == kFloatExponent)
            return damagedSubfile(s, QT_TRANSLATE_NOOP("Messages", "Gleitkommawerte in 16 Bit"));
        const auto count = static_cast<std::uint64_t>(points);
        if (!le::Fits(at + kSubHeaderBytes, (4 + h.yBytes()) * count, size))
            return ReadOutcome::Refused(Refusal::Damaged(FormatMessage(
                QT_TRANSLATE_NOOP("Messages", "Teilspektrum %d endet nach dem Dateiende"),
                static_cast<long long>(s) + 1)));
        at += kSubHeaderBytes + (4 + h.yBytes()) * count;
    }
    if (h.logOffset != 0 && (h.logOffset < at || h.logOffset >= size))
        return damagedLog();
    plan.subfiles = subfiles;
    return ReadOutcome::Done();
}

ReadOutcome streamOwnX(ByteSource &source, const Header &h, const Plan &plan, std::string_view name,
    SpectrumSink &sink)
{
    std::vector<double> x;
    std::vector<double> y;
    SourceWindow window;
    std::uint64_t at = kMainHeaderBytes;
    for (std::uint64_t s = 0; s < plan.subfiles; ++s) {
        const std::string_view sub = source.Bytes(at, kSubHeaderBytes, window);
        const int exponent = subfileExponent(h, sub);
        const auto count = static_cast<std::size_t>(le::I32(sub, 16));
        const std::string_view values =
            source.Bytes(at + kSubHeaderBytes, (4 + h.yBytes()) * count, window);
        readX(values, count, x);
        readY(values.substr(4 * count), count, h.has(kShortY), exponent, y);
        at += kSubHeaderBytes + (4 + h.yBytes()) * count;
        StreamedSpectrum spectrum;
        spectrum.X = x.data();
        spectrum.Y = y.data();
        spectrum.Points = count;
        spectrum.Index = s;
        spectrum.Name = name;
        if (!sink.Take(spectrum))
            break;
    }
    return ReadOutcome::Done();
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

ReadOutcome StreamSpc(ByteSource &source, SpectrumSink &sink)
{
    if (source.Size() < kMainHeaderBytes)
        return ReadOutcome::Refused(
            Refusal::Damaged(QT_TRANSLATE_NOOP("Messages", "Dateikopf unvollständig")));
    SourceWindow headerWindow;
    const std::string head(source.Bytes(0, kMainHeaderBytes, headerWindow));
    Header h;
    if (le::U8(head, 1) != kNewLittleEndian)
        return ReadOutcome::Refused(
            Refusal::Unsupported(QT_TRANSLATE_NOOP("Messages", "SPC in altem Format")));
    if (!readHeader(head, h))
        return ReadOutcome::Refused(
            Refusal::Damaged(QT_TRANSLATE_NOOP("Messages", "Dateikopf widersprüchlich")));
    Plan plan;
    ReadOutcome checked = h.has(kXyxy) ? checkOwnX(source, h, plan) : checkCommonX(source, h, plan);
    if (!checked.Read)
        return checked;

    StreamStart start;
    if (!h.has(kTextLabels)) {
        start.XCaption = xCaption(h.xType);
        start.YCaption = yCaption(h.yType);
    }
    start.Spectra = plan.subfiles;
    start.Points = h.has(kXyxy) ? 0 : plan.points;
    if (!sink.Start(start))
        return ReadOutcome::Done();
    // The memo is the whole file's: it names the spectrum of a file of one.
    std::string name;
    if (plan.subfiles == 1) {
        const std::string_view memo = std::string_view(head).substr(kMemoAt, kMemoBytes);
        name = SpectrumName(memo.substr(0, memo.find('\0')));
    }
    return h.has(kXyxy) ? streamOwnX(source, h, plan, name, sink)
                        : streamCommonX(source, h, plan, name, sink);
}

bool ReadSpc(std::string_view bytes, ImportedSpectra &out)
{
    return CollectImported(StreamSpc, bytes, out);
}
