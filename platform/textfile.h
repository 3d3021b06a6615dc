#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Line-by-line input of an 8-bit text file. A line ends at CR, at CR LF or at a lone LF; the file
// ends at its physical end or at the first Ctrl-Z (code 26); the last line needs no line end, and
// a line end at the very end of the file does not start another line. Reading past the end yields
// empty lines. The file is closed when the object goes, on every path.
class TextFile {
public:
    // Opens the file; throws EInOutError (2 not found, 3 invalid path, 4 too many open files,
    // 5 access denied, else "E/A-Fehler %d" with the system's error number).
    explicit TextFile(const std::string &fileName);
    ~TextFile();
    TextFile(const TextFile &) = delete;
    TextFile &operator=(const TextFile &) = delete;

    // True when nothing is left before the end of the file or a Ctrl-Z.
    bool Eof() { return m_begin == m_end && eofSlow(); }

    // The next line without its line end. The view stays valid until the next call.
    std::string_view ReadLine();

private:
    bool eofSlow();
    bool fill();
    void compact();

    int m_fd = -1;
    std::vector<char> *m_buffer = nullptr; // borrowed from the thread's cache, or owned below
    std::vector<char> m_ownBuffer;
    bool m_borrowed = false;
    std::size_t m_begin = 0; // first unread byte
    std::size_t m_end = 0;   // end of the bytes read so far
    bool m_atEnd = false;    // no more bytes will come: physical end or Ctrl-Z seen
};

// Raises the runtime's input/output error for a system error number.
[[noreturn]] void ThrowInOutError(int systemError);
