#pragma once

// A WDF file as its parts, for the structure-aware fuzz target fuzz_wdf_structured and the seed
// writer: the 512-byte file header and the chain of blocks. Byte-level mutation rarely keeps a
// block's size field and the header's counts in step with what it changes, so ReadWdf refuses
// nearly every mutant at the first size check; here a mutation changes one part (a count, a
// block, the points of every spectrum, a payload) and Serialise writes the sizes and counts
// anew, so the mutant reaches the reader's later checks and its reading. Now and then a size or
// count is set wrong on purpose.

#include "structuremutation.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace fuzz
{

struct WdfBlock {
    std::string Name; // four bytes
    std::uint32_t Id = 0;
    std::string Body;
    // A block whose size field did not fit the file keeps that field as it was.
    bool KeepSize = false;
    std::uint64_t SizeField = 0;
};

struct WdfFile {
    std::string Header; // kWdfHeaderBytes
    std::vector<WdfBlock> Blocks;
    std::string Tail; // bytes after the last block too short for a block header

    // False for bytes without the "WDF1" signature; anything after it is taken as it comes.
    static bool Parse(std::string_view bytes, WdfFile &file);
    std::string Serialise() const;
};

constexpr std::size_t kWdfHeaderBytes = 512;

// A file ReadWdf reads: one to a dozen spectra of a few to a few hundred points, x in either
// order with a unit code, the blocks a measurement carries besides DATA and XLST (YLST, ORGN,
// WMAP, TEXT) in any order, a title.
WdfFile GenerateWdf(Random &random);

// One structural change, or a payload through libFuzzer's own mutation.
void MutateWdf(WdfFile &file, Random &random, const ByteMutator &mutate);

// The header of one file and blocks from both.
WdfFile CrossOverWdf(const WdfFile &first, const WdfFile &second, Random &random);

// Serialised bytes with one size or count field set to a value that need not agree with the
// rest: the deliberately inconsistent files.
void PokeWdfField(std::string &bytes, Random &random);

} // namespace fuzz
