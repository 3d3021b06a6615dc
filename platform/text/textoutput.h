#pragma once

#include <string>
#include <string_view>

// Writes text as the whole new contents of a file, byte for byte. Raises EInOutError with the
// runtime's messages when the file cannot be created or written. Written whole or not at all
// (see AtomicFile): on failure an existing file keeps its old contents.
void WriteTextFile(const std::string &fileName, const std::string &text);

// Text for a terminal: every control byte but the tab shown as \x01 (two lower-case hex
// digits), so that no file name or content quoted in a message can move the cursor, clear the
// screen or retitle the terminal.
std::string EscapeControls(std::string_view text);
