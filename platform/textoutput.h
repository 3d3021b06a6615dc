#pragma once

#include <string>

// Writes text as the whole new contents of a file, byte for byte. Raises EInOutError with the
// runtime's messages when the file cannot be created or written. Written whole or not at all
// (see AtomicFile): on failure an existing file keeps its old contents.
void WriteTextFile(const std::string &fileName, const std::string &text);
