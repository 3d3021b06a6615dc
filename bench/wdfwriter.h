#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Generated WDF files for the benchmarks: version 1, intensities in counts on a Raman shift axis,
// each spectrum with its stage position in micrometres (an origin list of X and one of Y).

// Count spectra of Shifts.size() points each, numbered from First.
struct WdfSpectra {
    std::string Title; // the file's title; at most 159 bytes are kept
    std::vector<float> Shifts;
    std::uint64_t First = 0;
    std::uint64_t Count = 0;
    // Fills y (Shifts.size() values) with the intensities of spectrum k.
    std::function<void(std::uint64_t k, float *y)> Intensities;
    // The stage position of spectrum k.
    std::function<double(std::uint64_t k)> X;
    std::function<double(std::uint64_t k)> Y;
};

// Writes the file to path.new, the spectra generated one by one and written out in chunks of a
// few megabytes, then renames it to path: a file present is complete.
bool WriteWdf(const std::string &path, const WdfSpectra &spectra);
