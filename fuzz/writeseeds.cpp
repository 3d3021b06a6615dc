// fuzz_seeds WDF_FOLDER SPC_FOLDER [COUNT]: writes COUNT (default 60) small valid WDF and SPC
// files from the structure-aware targets' generators; 40 of each are the generated seeds in
// fuzz/corpus/wdf and fuzz/corpus/spc, and make fuzz writes a thousand as a check of the readers.
// Each file is read back first: a generated file the signature test does not claim, that the
// reader refuses, or whose reading differs from the values written ends the run with exit code
// 1, since either the generator or the reader is wrong.

#include "formats/spcreader.h"
#include "formats/wdfreader.h"
#include "spcstructure.h"
#include "wdfstructure.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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

bool same(double read, std::string_view bytes, std::size_t at)
{
    std::uint32_t bits = 0;
    for (std::size_t i = 0; i < 4; ++i)
        bits |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
    float stored;
    std::memcpy(&stored, &bits, sizeof stored);
    return std::isnan(stored) ? std::isnan(read) : read == static_cast<double>(stored);
}

const fuzz::WdfBlock *block(const fuzz::WdfFile &file, std::string_view name)
{
    for (const fuzz::WdfBlock &candidate : file.Blocks)
        if (candidate.Name == name)
            return &candidate;
    return nullptr;
}

// The reading keeps the counts and every float32 of XLST and DATA, whatever the blocks' order.
bool readsWdf(const fuzz::WdfFile &file, const std::string &bytes)
{
    const std::size_t points = fuzz::GetU32(file.Header, 60);
    const std::size_t spectra = fuzz::GetU64(file.Header, 72);
    ImportedSpectra out;
    if (!LooksWdf(std::string_view(bytes).substr(0, kSignatureBytes), bytes.size(), "a.wdf")
        || !ReadWdf(bytes, out) || out.X.size() != points || out.Y.size() != spectra)
        return false;
    const std::string &x = block(file, "XLST")->Body;
    const std::string &data = block(file, "DATA")->Body;
    for (std::size_t i = 0; i < points; ++i) {
        if (!same(out.X[i], x, 8 + 4 * i))
            return false;
        for (std::size_t s = 0; s < spectra; ++s)
            if (!same(out.Y[s][i], data, 4 * (s * points + i)))
                return false;
    }
    return true;
}

// The reading keeps the subfiles' counts, an explicit x array and float32 y as stored, and an
// even x from the header's first to its last value.
bool readsSpc(const fuzz::SpcFile &file, const std::string &bytes)
{
    const auto flags = static_cast<unsigned char>(file.Header[0]);
    const std::size_t width = (flags & 0x01) != 0 ? 2 : 4;
    ImportedSpectra out;
    if (!LooksSpc(std::string_view(bytes).substr(0, kSignatureBytes), bytes.size(), "a.spc")
        || !ReadSpc(bytes, out) || out.Y.size() != file.Subfiles.size())
        return false;
    const std::string &x = (flags & 0x40) != 0 ? file.Subfiles[0].X : file.X;
    for (std::size_t i = 0; i < out.X.size() && (flags & 0x80) != 0; ++i)
        if (!same(out.X[i], x, 4 * i))
            return false;
    if ((flags & 0x80) == 0
        && (out.X.front() != fuzz::GetF64(file.Header, 8)
            || out.X.back() != fuzz::GetF64(file.Header, out.X.size() > 1 ? 16 : 8)))
        return false;
    for (std::size_t s = 0; s < out.Y.size(); ++s) {
        const fuzz::SpcSubfile &subfile = file.Subfiles[s];
        if (out.Y[s].size() != subfile.Y.size() / width || out.Y[s].size() != out.X.size())
            return false;
        const bool floatY = width == 4
            && static_cast<unsigned char>((flags & 0x04) != 0 ? subfile.Header[1] : file.Header[3])
                == 0x80;
        for (std::size_t i = 0; floatY && i < out.Y[s].size(); ++i)
            if (!same(out.Y[s][i], subfile.Y, 4 * i))
                return false;
    }
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
