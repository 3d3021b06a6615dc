// Any bytes as an SPE file, through the signature test and the reader (see readercheck.h).

#include "formats/spereader.h"
#include "readercheck.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzReader(data, size, LooksSpe, ReadSpe, "fuzz.spe", false);
    return 0;
}
