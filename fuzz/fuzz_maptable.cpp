// Any bytes as a map's cell table (what peakhound-hitmap reads): refused with a line, or read into
// cells that are written back to the same table, arranged on the sample with every cell in
// place, and checked for damaged positions.

#include "fuzzcheck.h"
#include "mapindex.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    MapIndex map;
    std::string fault;
    if (!ReadMapTable(text, map, fault)) {
        check(fault.rfind("Zeile ", 0) == 0);
        return 0;
    }
    std::vector<std::string> targets(map.Targets(), "T");
    const std::string table = map.Table(targets, '.');
    MapIndex again;
    check(ReadMapTable(table, again, fault));
    check(again.Count() == map.Count() && again.Table(targets, '.') == table);
    const MapLayout layout = map.Arrange();
    for (const std::uint32_t cell : layout.CellAt)
        check(cell == MapLayout::kNoCell || cell < map.Count());
    (void)map.PositionFault();
    return 0;
}
