#pragma once

#include <functional>
#include <string>

// Reads a peak file: every line, unchanged (blanks and empty lines included), is handed to
// addLine in file order, with the text-file line rules. Lines handed over before an error stay
// with the caller.
void ReadPeakFile(const std::string &fileName, const std::function<void(const std::string &)> &addLine);
