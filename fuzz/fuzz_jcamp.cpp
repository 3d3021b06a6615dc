// Any bytes as a JCAMP-DX file: no crash, no sanitizer report, no hang, and whatever is read is
// whole: one x per point, one y per x in every spectrum, finite values, within the table.

#include "formats/jcampreader.h"
#include "readercheck.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzReader(data, size, LooksJcamp, ReadJcamp, "fuzz.jdx", true, true);
    return 0;
}
