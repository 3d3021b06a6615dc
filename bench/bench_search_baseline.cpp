// The bare loop bench/search-files.sh measures peakhound-search against: for every file named in
// the list, open + read + std::from_chars into a table + a plain peak finder + the target test.
// Prints the number of matching files.
//
//     bench_search_baseline LIST

#include "benchsupport.h"

#include <cstdio>
#include <fstream>
#include <memory>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: bench_search_baseline LIST\n");
        return 2;
    }
    std::ifstream list(argv[1]);
    auto table = std::make_unique<SpectrumTableData>();
    std::vector<char> buffer;
    std::vector<double> smoothed;
    std::vector<int> peaks;
    const double targets[] = { 612, 774, 1127, 1183, 1310, 1363, 1509, 1574, 1650 };
    int matches = 0;
    for (std::string name; std::getline(list, name);) {
        const int rows = BareLoadSpectrum(name, *table, buffer);
        BareFindPeaks(*table, rows, 2, smoothed, peaks);
        int missing = 0;
        for (double t : targets) {
            bool hit = false;
            for (int row : peaks)
                hit =
                    hit || (t + 10 > table->Cells[row - 1][0] && t - 10 < table->Cells[row - 1][0]);
            missing += hit ? 0 : 1;
        }
        matches += missing <= 1 ? 1 : 0;
    }
    std::printf("%d\n", matches);
    return 0;
}
