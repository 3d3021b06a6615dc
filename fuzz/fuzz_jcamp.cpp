// Any bytes as a JCAMP-DX file: no crash, no sanitizer report, no hang, and whatever is read is
// whole: one x per point, one y per x in every spectrum, finite values, within the table.

#include "formats/jcampreader.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace
{

void check(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char *>(data), size);
    (void)LooksJcamp(bytes.substr(0, kSignatureBytes), size, "fuzz.jdx");
    ImportedSpectra read;
    if (!ReadJcamp(bytes, read))
        return 0;
    check(!read.X.empty() && read.X.size() <= kImportMaxPoints);
    check(!read.Y.empty() && read.Y.size() <= kImportMaxSpectra);
    for (double x : read.X)
        check(std::isfinite(x));
    for (const auto &y : read.Y) {
        check(y.size() == read.X.size());
        for (double value : y)
            check(std::isfinite(value));
    }
    return 0;
}
