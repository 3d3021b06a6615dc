// Reading spectrum files, against a bare loop that splits the same bytes and converts every field
// with std::from_chars into the table.

#include "benchsupport.h"
#include "spectrumfile.h"

#include <memory>
#include <sys/stat.h>

namespace
{

struct Shape {
    int rows;
    int spectra;
};
constexpr Shape kShapes[] = { { 9999, 99 }, { 2000, 1 } };

std::string key(const Shape &shape)
{
    return std::to_string(shape.rows) + "x" + std::to_string(shape.spectra);
}

double fileSize(const std::string &name)
{
    struct stat info {
    };
    ::stat(name.c_str(), &info);
    return static_cast<double>(info.st_size);
}

void BM_BareLoop(benchmark::State &state)
{
    const Shape shape = kShapes[state.range(0)];
    const std::string name = WriteBenchmarkSpectrum(shape.rows, shape.spectra);
    auto table = std::make_unique<SpectrumTableData>();
    std::vector<char> buffer;
    IterationTimer timer;
    for (auto _ : state)
        benchmark::DoNotOptimize(BareLoadSpectrum(name, *table, buffer));
    RecordBaseline(key(shape), timer.secondsPer(state));
    state.SetBytesProcessed(static_cast<int64_t>(fileSize(name)) * state.iterations());
    state.SetLabel(key(shape));
}

void BM_LoadSpectrumFile(benchmark::State &state)
{
    const Shape shape = kShapes[state.range(0)];
    const std::string name = WriteBenchmarkSpectrum(shape.rows, shape.spectra);
    auto table = std::make_unique<SpectrumTableData>();
    BadFileListData badFiles;
    const NumberSeparators separators;
    IterationTimer timer;
    for (auto _ : state) {
        LoadSpectrumFile(*table, badFiles, name, separators);
        benchmark::DoNotOptimize(table->RowCount);
    }
    ReportAgainstBaseline(state, key(shape), timer.secondsPer(state));
    state.SetBytesProcessed(static_cast<int64_t>(fileSize(name)) * state.iterations());
    state.SetLabel(key(shape));
    if (table->RowCount != shape.rows || table->SpectrumCount != shape.spectra)
        state.SkipWithError("the file was not read whole");
}

// The same ratio from alternating rounds of the two, the figure to compare across runs.
void BM_LoadAgainstBareLoopInRounds(benchmark::State &state)
{
    const Shape shape = kShapes[state.range(0)];
    const std::string name = WriteBenchmarkSpectrum(shape.rows, shape.spectra);
    auto table = std::make_unique<SpectrumTableData>();
    BadFileListData badFiles;
    const NumberSeparators separators;
    std::vector<char> buffer;
    ReportAlternatingRounds(
        state, "bare_loop",
        [&] { benchmark::DoNotOptimize(BareLoadSpectrum(name, *table, buffer)); },
        [&] {
            LoadSpectrumFile(*table, badFiles, name, separators);
            benchmark::DoNotOptimize(table->RowCount);
        });
    state.SetLabel(key(shape));
}

} // namespace

BENCHMARK(BM_BareLoop)->DenseRange(0, 1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadSpectrumFile)->DenseRange(0, 1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadAgainstBareLoopInRounds)
    ->DenseRange(0, 1)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
