// Any bytes as a vendor text export: the first byte picks one reader or all of them. No crash, no
// sanitizer report; a read that succeeds hands over a table within the limits, every y as long
// as x, every value finite and clean names; at most one reader claims any head.

#include "formats/textexports.h"
#include "fuzzcheck.h"
#include "readercheck.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace
{

struct Reader {
    bool (*looks)(std::string_view, std::size_t, std::string_view);
    bool (*read)(std::string_view, ImportedSpectra &);
};

constexpr Reader kReaders[] = {
    { LooksWire, ReadWire },
    { LooksLabSpec, ReadLabSpec },
    { LooksBwSpec, ReadBwSpec },
    { LooksRruff, ReadRruff },
    { LooksPixelCsv, ReadPixelCsv },
    { LooksCsv, ReadCsv },
};
constexpr std::size_t kReaderCount = sizeof(kReaders) / sizeof(kReaders[0]);

void checkRead(const Reader &reader, std::string_view bytes)
{
    ImportedSpectra out;
    if (!reader.read(bytes, out))
        return;
    check(!out.X.empty() && out.X.size() <= kImportMaxPoints);
    check(!out.Y.empty() && out.Y.size() <= kImportMaxSpectra);
    for (const double x : out.X)
        check(std::isfinite(x));
    for (const auto &y : out.Y) {
        check(y.size() == out.X.size());
        for (const double v : y)
            check(std::isfinite(v));
    }
    FuzzCheckNames(out);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::size_t pick = data[0] % (kReaderCount + 1);
    const std::string_view bytes(reinterpret_cast<const char *>(data) + 1, size - 1);
    const std::string_view name = (data[0] & 0x80) != 0 ? "probe.csv" : "probe.txt";
    const std::string_view head = bytes.substr(0, kSignatureBytes);
    int claims = 0;
    for (const auto &reader : kReaders)
        claims += reader.looks(head, bytes.size(), name) ? 1 : 0;
    check(claims <= 1);
    if (pick < kReaderCount) {
        checkRead(kReaders[pick], bytes);
    } else {
        for (const auto &reader : kReaders)
            checkRead(reader, bytes);
    }
    return 0;
}
