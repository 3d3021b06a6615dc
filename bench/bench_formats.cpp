// Reading instrument files against the same spectrum in the program's own layout read by
// LoadSpectrumFile. Each benchmark iteration is one round: a few baseline readings, then a few of
// the format's, each timed; `vs_baseline` is the median over the rounds of baseline time / own
// time (above 1: faster than the program's own reader), so drift on a busy machine hits both
// sides of every round alike.
//
// A new format joins by one row of kCases: how to write its file from the spectrum, and its reader.

#include "benchsupport.h"
#include "formats/spcreader.h"
#include "formats/wdfreader.h"
#include "spectrumfile.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>

namespace
{

constexpr int kPoints = 2000;
constexpr int kReadingsPerRound = 8;

struct Spectrum {
    std::vector<float> x;
    std::vector<float> y;
};

template <typename T> void append(std::string &bytes, T value)
{
    bytes.resize(bytes.size() + sizeof value);
    std::memcpy(&bytes[bytes.size() - sizeof value], &value, sizeof value); // little-endian host
}

// An SPC file with explicit x (TXVALS) and float32 y, as Raman instruments write them.
std::string spcBytes(const Spectrum &s)
{
    std::string bytes(512, '\0');
    bytes[0] = static_cast<char>(0x80);
    bytes[1] = 0x4B;
    bytes[3] = static_cast<char>(0x80);
    const auto points = static_cast<std::int32_t>(s.x.size());
    std::memcpy(&bytes[4], &points, sizeof points);
    bytes[28] = 13;
    bytes[29] = 4;
    for (const float v : s.x)
        append(bytes, v);
    std::string sub(32, '\0');
    sub[1] = static_cast<char>(0x80);
    bytes += sub;
    for (const float v : s.y)
        append(bytes, v);
    return bytes;
}

std::string wdfBlock(const char *name, const std::string &body)
{
    std::string bytes(name, 4);
    append(bytes, std::uint32_t { 0 });
    append(bytes, std::uint64_t { 16 + body.size() });
    return bytes + body;
}

// A single-spectrum WDF file: the file header, DATA, XLST and an origin block.
std::string wdfBytes(const Spectrum &s)
{
    const auto points = static_cast<std::uint32_t>(s.x.size());
    std::string header(512, '\0');
    std::memcpy(&header[0], "WDF1", 4);
    const std::uint32_t version = 1;
    const std::uint64_t headerBytes = 512, one = 1;
    std::memcpy(&header[4], &version, 4);
    std::memcpy(&header[8], &headerBytes, 8);
    std::memcpy(&header[60], &points, 4);
    std::memcpy(&header[64], &one, 8);
    std::memcpy(&header[72], &one, 8);
    std::memcpy(&header[88], &points, 4);
    std::string data;
    for (const float v : s.y)
        append(data, v);
    std::string xList;
    append(xList, std::uint32_t { 1 });
    append(xList, std::uint32_t { 1 });
    for (const float v : s.x)
        append(xList, v);
    return header + wdfBlock("DATA", data) + wdfBlock("XLST", xList)
        + wdfBlock("ORGN", std::string(64, '\0'));
}

using Reader = std::function<bool(std::string_view, ImportedSpectra &)>;

struct Case {
    const char *name;
    const char *extension;
    std::function<std::string(const Spectrum &)> write;
    Reader read;
};

const Case kCases[] = {
    { "spc", ".spc", spcBytes, ReadSpc },
    { "wdf", ".wdf", wdfBytes, ReadWdf },
};

// The program's own layout: the benchmark spectrum file of 2000 points.
struct Inputs {
    std::string ownFile;
    Spectrum spectrum;
};

const Inputs &inputs()
{
    static const Inputs instance = [] {
        Inputs in;
        in.ownFile = WriteBenchmarkSpectrum(kPoints, 1);
        auto table = std::make_unique<SpectrumTableData>();
        BadFileListData badFiles;
        LoadSpectrumFile(*table, badFiles, in.ownFile, NumberSeparators());
        for (int r = 1; r <= table->RowCount; ++r) {
            in.spectrum.x.push_back(static_cast<float>(table->Cell(r, 1)));
            in.spectrum.y.push_back(static_cast<float>(table->Cell(r, 2)));
        }
        return in;
    }();
    return instance;
}

std::string writeFile(const std::string &name, const std::string &bytes)
{
    std::ofstream(name, std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return name;
}

// What the dispatch does with a reading: x into column 1, one column per spectrum.
void fillTable(const ImportedSpectra &in, SpectrumTableData &table)
{
    for (std::size_t r = 0; r < in.X.size(); ++r) {
        double *row = table.Cells[r];
        row[0] = in.X[r];
        for (std::size_t s = 0; s < in.Y.size(); ++s)
            row[s + 1] = in.Y[s][r];
    }
    table.RowCount = static_cast<int>(in.X.size());
    table.SpectrumCount = static_cast<int>(in.Y.size());
}

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const std::size_t mid = values.size() / 2;
    return values.size() % 2 == 1 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

template <typename F> double secondsFor(F &&readOnce)
{
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kReadingsPerRound; ++i)
        readOnce();
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    return elapsed.count() / kReadingsPerRound;
}

// range(0): the case; range(1): 1 reads the file from disk each time, 0 decodes bytes in memory.
void BM_FormatVsOwnLayout(benchmark::State &state)
{
    const Case &format = kCases[state.range(0)];
    const bool fromFile = state.range(1) != 0;
    const Inputs &in = inputs();
    const std::string bytes = format.write(in.spectrum);
    const std::string name = writeFile(in.ownFile + format.extension, bytes);
    auto table = std::make_unique<SpectrumTableData>();
    BadFileListData badFiles;
    const NumberSeparators separators;
    std::string buffer;
    ImportedSpectra spectra;
    bool allRead = true;
    std::vector<double> ratios, baseTimes, ownTimes;
    for (auto _ : state) {
        const double base = secondsFor([&] {
            LoadSpectrumFile(*table, badFiles, in.ownFile, separators);
            benchmark::DoNotOptimize(table->RowCount);
        });
        const double own = secondsFor([&] {
            if (fromFile)
                allRead = ReadWholeFile(name, buffer) && allRead;
            allRead =
                format.read(fromFile ? std::string_view(buffer) : std::string_view(bytes), spectra)
                && allRead;
            fillTable(spectra, *table);
            benchmark::DoNotOptimize(table->RowCount);
        });
        ratios.push_back(base / own);
        baseTimes.push_back(base);
        ownTimes.push_back(own);
    }
    state.counters["vs_baseline"] = median(ratios);
    state.counters["own_layout_us"] = median(baseTimes) * 1e6;
    state.counters["format_us"] = median(ownTimes) * 1e6;
    state.SetLabel(std::string(format.name) + (fromFile ? " from file" : " from memory") + ", "
        + std::to_string(kPoints) + " points");
    if (!allRead || spectra.X.size() != static_cast<std::size_t>(kPoints))
        state.SkipWithError("the file was not read whole");
}

} // namespace

BENCHMARK(BM_FormatVsOwnLayout)
    ->ArgsProduct({ benchmark::CreateDenseRange(0, std::size(kCases) - 1, 1), { 0, 1 } })
    ->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
