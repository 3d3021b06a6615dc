#pragma once

// An SPC file as its parts, for the structure-aware fuzz target fuzz_spc_structured and the seed
// writer: the 512-byte main header, the common x array, the subfiles (32-byte header, own x
// array in XYXY files, y values), the XYXY directory and the log block. The layout follows from
// the header's flags, so a byte-level mutant of a count or flag almost never lines up with the
// data behind it; here a mutation changes one part (a flag with the arrays it implies, the point
// count of every subfile, a subfile more or less, an exponent, a payload) and Serialise writes
// the counts, subfile indices, directory and log offset anew. Now and then one of them is set
// wrong on purpose.

#include "structuremutation.h"

#include <string>
#include <string_view>
#include <vector>

namespace fuzz
{

struct SpcSubfile {
    std::string Header; // kSpcSubHeaderBytes
    std::string X; // XYXY files only: float32 values
    std::string Y; // int16, int32 or float32 values
};

struct SpcFile {
    std::string Header; // kSpcHeaderBytes
    std::string X; // the common x array of a file with explicit x (float32)
    std::vector<SpcSubfile> Subfiles;
    bool Directory = false; // XYXY: a directory of the subfiles after the last one
    std::string Gap; // bytes after the data that no part accounts for
    std::string Log; // the log block: header, binary part and text

    // False for bytes that do not carry an SPC version byte; the rest is taken as far as the
    // counts fit the bytes, and the remainder kept as it is.
    static bool Parse(std::string_view bytes, SpcFile &file);
    // Every array as long as the flags and the point counts make it.
    void Normalise();
    std::string Serialise() const;
};

constexpr std::size_t kSpcHeaderBytes = 512;
constexpr std::size_t kSpcSubHeaderBytes = 32;

// A file ReadSpc reads: a single file or a multifile of up to 99 subfiles, even x or an explicit
// x array (common or per subfile, with or without a directory), y as float32 or as integers of
// 16 or 32 bits with their exponents, axis codes with and without captions, a memo, a log.
SpcFile GenerateSpc(Random &random);

void MutateSpc(SpcFile &file, Random &random, const ByteMutator &mutate);
SpcFile CrossOverSpc(const SpcFile &first, const SpcFile &second, Random &random);
void PokeSpcField(std::string &bytes, Random &random);

} // namespace fuzz
