// Any bytes as an SPC file, through the signature test and the reader (see readercheck.h).

#include "formats/spcreader.h"
#include "readercheck.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzReader(data, size, LooksSpc, ReadSpc, "fuzz.spc", false);
    return 0;
}
