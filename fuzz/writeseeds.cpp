// fuzz_seeds WDF_FOLDER SPC_FOLDER [COUNT]: writes COUNT (default 60) small valid WDF and SPC
// files from the structure-aware targets' generators, the seeds in fuzz/corpus/wdf and
// fuzz/corpus/spc. Each file is read back first: a generated file the signature test does not
// claim or the reader refuses, or whose counts the reading does not keep, ends the run with
// exit code 1, since either the generator or the reader is wrong.

#include "formats/spcreader.h"
#include "formats/wdfreader.h"
#include "spcstructure.h"
#include "wdfstructure.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace
{

bool write(const std::string &folder, std::size_t index, const std::string &bytes)
{
    char name[32];
    std::snprintf(name, sizeof name, "/generated-%03zu", index);
    std::ofstream out(folder + name, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

bool readsWdf(const fuzz::WdfFile &file, const std::string &bytes)
{
    const std::size_t points = fuzz::GetU32(file.Header, 60);
    const std::size_t spectra = fuzz::GetU64(file.Header, 72);
    ImportedSpectra out;
    return LooksWdf(std::string_view(bytes).substr(0, kSignatureBytes), bytes.size(), "a.wdf")
        && ReadWdf(bytes, out) && out.X.size() == points && out.Y.size() == spectra;
}

bool readsSpc(const fuzz::SpcFile &file, const std::string &bytes)
{
    const std::size_t width = (file.Header[0] & 0x01) != 0 ? 2 : 4;
    ImportedSpectra out;
    if (!LooksSpc(std::string_view(bytes).substr(0, kSignatureBytes), bytes.size(), "a.spc")
        || !ReadSpc(bytes, out) || out.Y.size() != file.Subfiles.size())
        return false;
    for (std::size_t s = 0; s < out.Y.size(); ++s)
        if (out.Y[s].size() != file.Subfiles[s].Y.size() / width)
            return false;
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s WDF_FOLDER SPC_FOLDER [COUNT]\n", argv[0]);
        return 2;
    }
    const std::size_t count = argc > 3 ? std::strtoul(argv[3], nullptr, 10) : 60;
    fuzz::Random random(20240601);
    for (std::size_t i = 0; i < count; ++i) {
        const fuzz::WdfFile wdf = fuzz::GenerateWdf(random);
        const std::string wdfBytes = wdf.Serialise();
        const fuzz::SpcFile spc = fuzz::GenerateSpc(random);
        const std::string spcBytes = spc.Serialise();
        if (!readsWdf(wdf, wdfBytes) || !readsSpc(spc, spcBytes)) {
            std::fprintf(stderr, "generated file %zu is not read as generated\n", i);
            write(argv[1], i, wdfBytes);
            write(argv[2], i, spcBytes);
            return 1;
        }
        if (!write(argv[1], i, wdfBytes) || !write(argv[2], i, spcBytes)) {
            std::fprintf(stderr, "cannot write generated file %zu\n", i);
            return 1;
        }
    }
    return 0;
}
