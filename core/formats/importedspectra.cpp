#include "importedspectra.h"

#include "messages.h"
#include "translatable.h"
#include "utf8.h"

#include <algorithm>

namespace
{

bool isControl(char c)
{
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F;
}

} // namespace

std::string SpectrumName(std::string_view raw)
{
    std::string name;
    bool gap = false; // control characters since the last byte kept
    // One byte beyond the limit shows whether the cut falls inside a character.
    for (std::size_t i = 0; i < raw.size() && name.size() <= kMaxNameBytes; ++i) {
        const char c = raw[i];
        if (isControl(c)) {
            gap = true;
            continue;
        }
        if (gap && c != ' ' && !name.empty() && name.back() != ' ')
            name.push_back(' ');
        gap = false;
        if (c != ' ' || !name.empty())
            name.push_back(c);
    }
    name.resize(Utf8CutPoint(name, kMaxNameBytes));
    while (!name.empty() && name.back() == ' ')
        name.pop_back();
    return name;
}

bool MemorySource::Whole(std::string_view &bytes, std::size_t maxBytes)
{
    bytes = m_bytes.size() <= maxBytes ? m_bytes : std::string_view();
    return m_bytes.size() <= maxBytes;
}

namespace Refusal
{

std::string Damaged(std::string_view what)
{
    return QT_TRANSLATE_NOOP("Messages", "beschädigt") + std::string(": ") + std::string(what);
}

std::string Unreadable(std::string_view format)
{
    return FormatMessage(
        QT_TRANSLATE_NOOP("Messages", "beschädigt oder nicht lesbar (%s)"), format);
}

std::string Unsupported(std::string_view what)
{
    return FormatMessage(QT_TRANSLATE_NOOP("Messages", "nicht unterstützt (%s)"), what);
}

} // namespace Refusal

bool WholeText(ByteSource &source, std::string_view &bytes)
{
    return source.Whole(bytes, kMaxImportBytes);
}

ReadOutcome TooLargeToDecode(const ByteSource &source)
{
    return ReadOutcome::Refused(std::to_string(source.Size() / (std::uint64_t { 1024 } * 1024))
        + " MB: "
        + FormatMessage(QT_TRANSLATE_NOOP("Messages", "mehr als %d MB"),
            static_cast<long long>(kMaxImportBytes / (std::size_t { 1024 } * 1024))));
}

ReadOutcome DecodeWhole(ByteSource &source, SpectrumSink &sink,
    bool (*decode)(std::string_view, ImportedSpectra &), std::string_view format)
{
    std::string_view bytes;
    if (!WholeText(source, bytes))
        return TooLargeToDecode(source);
    ImportedSpectra spectra;
    if (!decode(bytes, spectra))
        return ReadOutcome::Refused(Refusal::Unreadable(format));
    return StreamImported(spectra, sink);
}

ReadOutcome StreamImported(const ImportedSpectra &spectra, SpectrumSink &sink)
{
    StreamStart start;
    start.XCaption = spectra.XCaption;
    start.YCaption = spectra.YCaption;
    start.Spectra = spectra.Y.size();
    start.Points = spectra.X.size();
    if (!sink.Start(start))
        return ReadOutcome::Done();
    for (std::size_t s = 0; s < spectra.Y.size(); ++s) {
        StreamedSpectrum spectrum;
        spectrum.X = spectra.X.data();
        spectrum.Y = spectra.Y[s].data();
        spectrum.Points = std::min(spectra.X.size(), spectra.Y[s].size());
        spectrum.Index = s;
        if (s < spectra.Names.size())
            spectrum.Name = spectra.Names[s];
        if (!sink.Take(spectrum))
            break;
    }
    return ReadOutcome::Done();
}

namespace
{

// Gathers spectra as the table holds them: one x for all, within its limits.
class Collector : public SpectrumSink
{
public:
    explicit Collector(ImportedSpectra &out)
        : m_out(out)
    {
    }
    bool fits = true;

    bool Start(const StreamStart &start) override
    {
        m_out.XCaption = start.XCaption;
        m_out.YCaption = start.YCaption;
        fits = start.Spectra <= kImportMaxSpectra && start.Points <= kImportMaxPoints;
        return fits;
    }
    bool Take(const StreamedSpectrum &spectrum) override
    {
        if (m_out.Y.size() == kImportMaxSpectra || spectrum.Points > kImportMaxPoints
            || spectrum.Points == 0)
            return fits = false;
        if (m_out.Y.empty())
            m_out.X.assign(spectrum.X, spectrum.X + spectrum.Points);
        else if (!std::equal(m_out.X.begin(), m_out.X.end(), spectrum.X,
                     spectrum.X + spectrum.Points,
                     [](double a, double b) { return a == b || (a != a && b != b); }))
            return fits = false;
        m_out.Y.emplace_back(spectrum.Y, spectrum.Y + spectrum.Points);
        m_out.Names.emplace_back(spectrum.Name);
        return true;
    }

private:
    ImportedSpectra &m_out;
};

} // namespace

bool CollectImported(StreamReader reader, std::string_view bytes, ImportedSpectra &out)
{
    out = ImportedSpectra();
    MemorySource source(bytes);
    Collector collector(out);
    const ReadOutcome outcome = reader(source, collector);
    if (!outcome.Read || !collector.fits || out.Y.empty()) {
        out = ImportedSpectra();
        return false;
    }
    // Names only where the file gives some, as the readers always handed them over.
    while (!out.Names.empty() && out.Names.back().empty())
        out.Names.pop_back();
    return true;
}
