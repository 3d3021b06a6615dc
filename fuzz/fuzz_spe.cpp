// Any bytes as an SPE file: no crash, no sanitizer report, and a reading that succeeds hands over
// what the table can take (one x per point, every spectrum as long as x, within the limits).
// The signature test sees the same bytes and must not crash either.

#include "formats/spereader.h"

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
    (void)LooksSpe(bytes.substr(0, kSignatureBytes), size, "fuzz.spe");
    ImportedSpectra out;
    if (ReadSpe(bytes, out)) {
        check(!out.X.empty() && out.X.size() <= kImportMaxPoints);
        check(!out.Y.empty() && out.Y.size() <= kImportMaxSpectra);
        for (const auto &y : out.Y)
            check(y.size() == out.X.size());
        // What the reading holds stays within a small multiple of the input.
        check(out.X.size() * (out.Y.size() + 1) * sizeof(double) <= 16 * size + 4096);
    }
    return 0;
}
