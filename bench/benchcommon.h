#pragma once

#include <benchmark/benchmark.h>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Small helpers of the benchmarks that run the built commands on files they generate: their
// settings from the environment, their figures, their files, their registration. No Qt, no core.

// The environment variable's value, or fallback when it is unset or empty.
std::string EnvOr(const char *name, const std::string &fallback);

// The whole number in the environment variable, at least 1; fallback when it is unset or empty.
int EnvCount(const char *name, int fallback);

// The number of cores, at least 1: the --jobs of the commands run.
int Jobs();

// The median of values (the mean of the middle two when their count is even); values not empty.
double Median(std::vector<double> values);

// The positive numbers of a comma-separated list ("10000,100000"), sorted, each once.
std::vector<std::uint64_t> SortedCounts(const std::string &list);

// Registers name/N for every N of counts (as SortedCounts gives them), each run once on manual
// time in milliseconds; run gets N and the smallest N, or 0 when N is the smallest.
void RegisterPerCount(const std::string &name, const std::vector<std::uint64_t> &counts,
    const std::function<void(benchmark::State &, std::uint64_t n, std::uint64_t smallest)> &run);

// The fields of a line split at its tabs (one field when it holds none).
std::vector<std::string> SplitTabs(const std::string &line);

bool FileExists(const std::string &path);

// Writes all of bytes to fd; false when a write fails.
bool WriteAll(int fd, const std::string &bytes);

// Writes path.new through fill, then renames it to path: a file present is complete. False when
// the file cannot be made, fill returns false or the file cannot be closed or renamed.
bool WriteFileWhole(const std::string &path, const std::function<bool(int fd)> &fill);
