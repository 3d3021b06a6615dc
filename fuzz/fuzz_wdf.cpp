// Any bytes as a WDF file, through the signature test and the reader (see readercheck.h).

#include "formats/wdfreader.h"
#include "readercheck.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzReader(data, size, LooksWdf, ReadWdf, "fuzz.wdf", false);
    return 0;
}
