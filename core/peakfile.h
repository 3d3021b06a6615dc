#pragma once

#include <functional>
#include <string>

// Reads a peak file: every line, unchanged (blanks and empty lines included), is handed to
// addLine in file order, with the text-file line rules. Lines handed over before an error stay
// with the caller. A line longer than TextFile::kMaxLineLength raises the conversion error,
// quoting the line's first 20 bytes followed by "...".
void ReadPeakFile(const std::string &fileName, const std::function<void(const std::string &)> &addLine);

// The folder the program's data is installed into (peaks/ lies below it), fixed when the program
// is built; tests may point it elsewhere.
std::string InstalledDataDirectory();
void SetInstalledDataDirectory(const std::string &directory);

// The preset peak file peaks/<name> below startDirectory or, when that does not exist, the copy
// installed with the program. When neither exists, raises EInOutError "Datei nicht gefunden"
// followed by the paths tried in parentheses.
std::string PresetPeakFile(const std::string &startDirectory, const std::string &name);
