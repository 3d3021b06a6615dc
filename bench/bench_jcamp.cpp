// Reading a DIF-compressed JCAMP-DX file of 2000 points against reading the same spectrum in the
// program's own layout with LoadSpectrumFile. Both are timed in alternating short rounds, so
// that the machine's drift hits both alike; the median of the rounds' ratios is the figure.

#include "benchsupport.h"
#include "formats/jcampreader.h"
#include "spectrumfile.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

constexpr int kPoints = 2000;
constexpr int kRounds = 15;

// The SQZ or DIF form of an integer: the first digit becomes a letter carrying the sign.
std::string asdf(long long value, const char *positive, const char *negative)
{
    std::string digits = std::to_string(value < 0 ? -value : value);
    digits[0] = (value < 0 ? negative : positive)[digits[0] - '0'];
    return digits;
}

// The spectrum of the table as a JCAMP-DX file in DIF form, ten values a line, each line after
// the first opening with the checkpoint.
std::string writeDifJcamp(const SpectrumTableData &table)
{
    const int rows = table.RowCount;
    std::string text =
        "##TITLE= Benchmark\r\n##JCAMP-DX= 5.01\r\n##DATA TYPE= RAMAN SPECTRUM\r\n"
        "##XUNITS= 1/CM\r\n##YUNITS= COUNTS\r\n##XFACTOR= 0.01\r\n##YFACTOR= 0.001\r\n";
    char header[160];
    std::snprintf(header, sizeof header,
        "##FIRSTX= %.2f\r\n##LASTX= %.2f\r\n##NPOINTS= %d\r\n##XYDATA= (X++(Y..Y))\r\n",
        table.Cell(1, 1), table.Cell(rows, 1), rows);
    text += header;
    const auto scaled = [&table](int row) {
        return static_cast<long long>(std::nearbyint(table.Cell(row, 2) * 1000));
    };
    for (int row = 1; row <= rows;) {
        const int first = row == 1 ? 1 : row - 1; // the checkpoint repeats the last value
        text += std::to_string(static_cast<long long>(std::nearbyint(table.Cell(first, 1) * 100)));
        text += asdf(scaled(first), "@ABCDEFGHI", "@abcdefghi");
        for (int r = first + 1; r <= std::min(rows, first + 10); ++r)
            text += asdf(scaled(r) - scaled(r - 1), "%JKLMNOPQR", "%jklmnopqr");
        row = std::min(rows, first + 10) + 1;
        text += "\r\n";
    }
    text += "##END=\r\n";
    return text;
}

std::string writeFile(const std::string &ownLayout, const std::string &text)
{
    const std::string name = ownLayout + ".jdx";
    if (FILE *file = std::fopen(name.c_str(), "wb")) {
        std::fwrite(text.data(), 1, text.size(), file);
        std::fclose(file);
    }
    return name;
}

// The file read whole with plain POSIX calls, decoded and put into the table, as the dispatch does.
bool loadJcamp(const std::string &name, std::string &buffer, SpectrumTableData &table)
{
    const int fd = ::open(name.c_str(), O_RDONLY);
    if (fd < 0)
        return false;
    struct stat info {
    };
    ::fstat(fd, &info);
    buffer.resize(static_cast<std::size_t>(info.st_size));
    std::size_t got = 0;
    for (ssize_t n; got < buffer.size() && (n = ::read(fd, &buffer[got], buffer.size() - got)) > 0;)
        got += static_cast<std::size_t>(n);
    ::close(fd);
    ImportedSpectra spectra;
    if (got != buffer.size() || !ReadJcamp(buffer, spectra))
        return false;
    const int rows = static_cast<int>(spectra.X.size());
    for (int r = 1; r <= rows; ++r) {
        table.Cell(r, 1) = spectra.X[static_cast<std::size_t>(r - 1)];
        for (std::size_t s = 0; s < spectra.Y.size(); ++s)
            table.Cell(r, static_cast<int>(s) + 2) = spectra.Y[s][static_cast<std::size_t>(r - 1)];
    }
    table.RowCount = rows;
    table.SpectrumCount = static_cast<int>(spectra.Y.size());
    table.XCaption = spectra.XCaption;
    table.YCaption = spectra.YCaption;
    return true;
}

template <typename Read> double secondsPerRead(int reads, Read &&read)
{
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < reads; ++i)
        read();
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    return elapsed.count() / reads;
}

void BM_JcampDifAgainstOwnLayout(benchmark::State &state)
{
    const std::string ownLayout = WriteBenchmarkSpectrum(kPoints, 1);
    auto table = std::make_unique<SpectrumTableData>();
    BadFileListData badFiles;
    const NumberSeparators separators;
    LoadSpectrumFile(*table, badFiles, ownLayout, separators);
    const std::string jcamp = writeFile(ownLayout, writeDifJcamp(*table));
    std::string buffer;
    if (!loadJcamp(jcamp, buffer, *table) || table->RowCount != kPoints) {
        state.SkipWithError("the JCAMP-DX file was not read whole");
        return;
    }
    const auto readOwn = [&] {
        LoadSpectrumFile(*table, badFiles, ownLayout, separators);
        benchmark::DoNotOptimize(table->RowCount);
    };
    const auto readJcamp = [&] { benchmark::DoNotOptimize(loadJcamp(jcamp, buffer, *table)); };
    std::vector<double> ratios;
    for (auto _ : state) {
        ratios.clear();
        for (int round = 0; round < kRounds; ++round) {
            const double own = secondsPerRead(20, readOwn);
            ratios.push_back(own / secondsPerRead(20, readJcamp));
        }
    }
    std::sort(ratios.begin(), ratios.end());
    state.counters["vs_baseline"] = ratios[ratios.size() / 2];
    std::printf("JCAMP-DX DIF, %d points, against the program's own layout: median ratio %.2f over "
                "%d rounds\n",
        kPoints, ratios[ratios.size() / 2], kRounds);
}

} // namespace

BENCHMARK(BM_JcampDifAgainstOwnLayout)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_MAIN();
