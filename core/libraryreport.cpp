#include "libraryreport.h"

#include "matchreport.h"

#include <cmath>
#include <unordered_set>

namespace
{

constexpr std::size_t kCells = 13;
// The cells of a row before the band columns: rank, file, spectrum, name and the four of the
// match.
constexpr std::size_t kBandColumn = 8;

// A value rounded to the given decimals, written as the match report writes numbers (no "-0").
std::string rounded(double value, int decimals, char decimalSeparator)
{
    const double scale = std::pow(10.0, decimals);
    return ReportNumber(std::nearbyint(value * scale) / scale + 0.0, decimalSeparator);
}

// A row of kCells cells: the first ones given, the rest empty.
std::string row(std::vector<std::string> cells)
{
    cells.resize(kCells);
    std::string text = cells[0];
    for (std::size_t i = 1; i < kCells; ++i) {
        text += '\t';
        text += cells[i];
    }
    return text + '\n';
}

// The rank, file, spectrum and name cells of an entry's rows.
std::vector<std::string> entryCells(const std::string &rank, const LibraryEntry &entry)
{
    return { rank, entry.File, std::to_string(entry.Spectrum), entry.Name };
}

} // namespace

void LibraryReport::Start(LibraryEntry query)
{
    m_active = true;
    m_query = std::move(query);
    m_library = SpectrumLibrary();
    m_hits.clear();
    m_refused.clear();
}

void LibraryReport::AddRefused(const std::string &name, const std::string &reason)
{
    m_refused.emplace_back(name, reason);
}

void LibraryReport::Rank()
{
    m_hits = m_library.Rank(m_query, 0);
}

void LibraryReport::Clear()
{
    Start(LibraryEntry());
    m_active = false;
}

std::vector<std::pair<std::string, double>> LibraryReport::HitFiles() const
{
    std::vector<std::pair<std::string, double>> files;
    std::unordered_set<std::string> listed;
    for (const SpectrumLibrary::Hit &hit : m_hits) {
        const std::string &file = m_library.Entry(hit.Entry).File;
        if (listed.insert(file).second)
            files.emplace_back(file, hit.Score);
    }
    return files;
}

std::string LibraryReport::Text(char decimalSeparator) const
{
    const auto number = [decimalSeparator](double value, int decimals) {
        return rounded(value, decimals, decimalSeparator);
    };
    std::string text = row({ "Rang", "Datei", "Spektrum", "Name", "Güte", "Anteil Abfrage",
        "Anteil Eintrag", "Verschiebung", "Bande Abfrage", "Bande Eintrag", "Abstand",
        "Fehlende Bande", "Stärke" });
    text += row(entryCells("Abfrage", m_query));
    for (std::size_t rank = 0; rank < m_hits.size(); ++rank) {
        const LibraryEntry &entry = m_library.Entry(m_hits[rank].Entry);
        const LibraryMatch match = MatchSpectra(m_query, entry, true);
        const std::vector<std::string> head = entryCells(std::to_string(rank + 1), entry);
        std::vector<std::string> cells = head;
        cells.insert(cells.end(),
            { number(match.Score, 2), number(match.QueryShare, 3), number(match.EntryShare, 3),
                number(match.Shift, 2) });
        text += row(cells);
        for (const BandPair &pair : match.Pairs) {
            cells = head;
            cells.resize(kBandColumn);
            cells.push_back(number(pair.Query.Position, 2));
            cells.push_back(pair.Matched ? number(pair.Entry.Position, 2) : std::string());
            cells.push_back(pair.Matched ? number(pair.Offset, 2) : std::string());
            cells.emplace_back();
            cells.push_back(number(pair.Query.Strength, 2));
            text += row(cells);
        }
        for (const LibraryBand &band : match.Lacking) {
            cells = head;
            cells.resize(kBandColumn + 3);
            cells.push_back(number(band.Position, 2));
            cells.push_back(number(band.Strength, 2));
            text += row(cells);
        }
    }
    for (const auto &[name, reason] : m_refused)
        text += row({ reason.empty() ? "falsches Format" : "falsches Format: " + reason, name });
    return text;
}
