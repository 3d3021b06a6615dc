#pragma once

#include <string>

// Writes text as the whole new contents of a file, byte for byte. Raises EInOutError with the
// runtime's messages when the file cannot be created or written; a file that could not be written
// completely is removed again.
void WriteTextFile(const std::string &fileName, const std::string &text);
