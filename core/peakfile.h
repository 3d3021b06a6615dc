#pragma once

#include <functional>
#include <string>
#include <vector>

// Reads a peak file: every line, unchanged (blanks and empty lines included), is handed to
// addLine in file order, with the text-file line rules. Lines handed over before an error stay
// with the caller. A line longer than TextFile::kMaxLineLength raises the conversion error,
// quoting the line's first 20 bytes followed by "...".
void ReadPeakFile(
    const std::string &fileName, const std::function<void(const std::string &)> &addLine);

// The folders the program's data may be installed in (peaks/ lies below them), in the order they
// are tried: the one beside the executable (../share/peakhound from its bin/ folder), so that an
// install under any prefix finds its own data, then the one fixed when the program was built.
// A folder appears once. Tests may set a single folder instead; an empty one restores these.
std::vector<std::string> InstalledDataDirectories();
void SetInstalledDataDirectory(const std::string &directory);

// The preset peak file peaks/<name> below startDirectory or, when that does not exist, the first
// installed copy. When none exists, raises EInOutError "Datei nicht gefunden" followed by the
// paths tried in parentheses.
std::string PresetPeakFile(const std::string &startDirectory, const std::string &name);
