#pragma once

#include <functional>
#include <string>

// Reads a peak file: every line, unchanged (blanks and empty lines included), is handed to
// addLine in file order, with the text-file line rules. Lines handed over before an error stay
// with the caller. A line longer than TextFile::kMaxLineLength raises the conversion error,
// quoting the line's first 20 bytes followed by "...".
void ReadPeakFile(const std::string &fileName, const std::function<void(const std::string &)> &addLine);
