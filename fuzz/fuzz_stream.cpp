// Any bytes through the streaming path: the first byte picks a reader of another format, which
// reads the rest from memory; then the whole input as a file, through the dispatch, the file's
// windows and the program's own reader. No crash, no sanitizer report, only the runtime's own
// errors, every spectrum handed over is whole and as announced, and the stage positions handed
// over (WDF's origin lists, the text exports' X/Y columns) arrange into a map that names every
// cell once.

#include "exceptions.h"
#include "formats/formatdispatch.h"
#include "mapindex.h"
#include "readercheck.h"
#include "spectrumfile.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <unistd.h>

namespace
{

// Reads every value handed over and checks the counts against the start's announcement.
class CheckingSink : public SpectrumSink
{
public:
    CheckingSink() { cells.Start(0); }
    bool Start(const StreamStart &start) override
    {
        FuzzCheck(!m_started);
        m_started = true;
        m_start = start;
        return true;
    }
    bool Take(const StreamedSpectrum &spectrum) override
    {
        FuzzCheck(m_started);
        ++m_taken;
        FuzzCheck(m_start.Spectra == 0 || m_taken <= m_start.Spectra);
        FuzzCheck(m_start.Points == 0 || spectrum.Points == m_start.Points);
        FuzzCheck(spectrum.Name.size() <= kMaxNameBytes);
        double sum = 0;
        for (std::size_t i = 0; i < spectrum.Points; ++i)
            sum += spectrum.X[i] + spectrum.Y[i];
        m_sum += sum;
        SpectrumPlace place;
        place.HasPosition = spectrum.HasPosition;
        place.X = spectrum.PositionX;
        place.Y = spectrum.PositionY;
        cells.Add(place, FileJudgement());
        // A map of many spectra need not be read to its end to find a fault.
        return m_taken < 100000;
    }

    MapIndex cells; // the positions handed over, as the map view keeps them

    // However the positions lie, the arrangement names every cell once and no other.
    void CheckArrangement() const
    {
        const MapLayout layout = cells.Arrange();
        std::vector<bool> seen(cells.Count(), false);
        for (const std::uint32_t cell : layout.CellAt) {
            if (cell == MapLayout::kNoCell)
                continue;
            FuzzCheck(cell < cells.Count() && !seen[cell]);
            seen[cell] = true;
        }
        if (layout.Shape == MapShape::Grid)
            FuzzCheck(layout.CellAt.size() == layout.Columns * layout.Rows);
        if (layout.Shape == MapShape::Strip)
            FuzzCheck(layout.CellAt.size() == cells.Count());
    }

private:
    bool m_started = false;
    StreamStart m_start;
    std::uint64_t m_taken = 0;
    double m_sum = 0;
};

const std::string &scratchFile()
{
    static const std::string name = "/tmp/fuzz_stream_" + std::to_string(::getpid()) + ".dat";
    return name;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    std::size_t count = 0;
    const FormatReader *readers = FormatReaders(count);
    const FormatReader &reader = readers[data[0] % count];
    MemorySource memory(std::string_view(reinterpret_cast<const char *>(data) + 1, size - 1));
    CheckingSink fromMemory;
    const ReadOutcome outcome = reader.Stream(memory, fromMemory);
    FuzzCheck(outcome.Read == outcome.Reason.empty());
    fromMemory.CheckArrangement();

    if (FILE *file = std::fopen(scratchFile().c_str(), "wb")) {
        std::fwrite(data, 1, size, file);
        std::fclose(file);
    }
    static auto table = std::make_unique<SpectrumTableData>();
    static BadFileListData badFiles;
    badFiles.Count = 0;
    try {
        CheckingSink fromFile;
        const LoadResult load = StreamSpectrumFile(
            *table, badFiles, scratchFile(), NumberSeparators { '.', ',' }, fromFile);
        FuzzCheck(load.WellFormed == (badFiles.Count == 0));
        const LoadResult shown =
            LoadSpectrumFileShown(*table, badFiles, scratchFile(), NumberSeparators { '.', ',' });
        FuzzCheck(!shown.WellFormed
            || (table->SpectrumCount >= 0 && table->SpectrumCount <= kMaxSpectra));
    } catch (const Exception &) {
        // The runtime's own errors (a number that is not one) are the reader's answer.
    }
    return 0;
}
