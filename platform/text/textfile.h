#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

// Line-by-line input of an 8-bit text file. A line ends at CR, at CR LF or at a lone LF; the file
// ends at its physical end or at the first Ctrl-Z (code 26); the last line needs no line end, and
// a line end at the very end of the file does not start another line. Reading past the end yields
// empty lines. The file is closed when the object goes, on every path.
//
// Only regular files are read: a folder, FIFO, device or socket (also behind a symbolic link) is
// refused as access denied, and opening never waits for a writer. Memory stays bounded: a line
// longer than kMaxLineLength comes back cut to that length and LineTooLong() says so. A read that
// fails is an error, never an early end; a file cut or rewritten while it is read (its size at
// the end no longer that of the bytes read) raises "E/A-Fehler 5" when its end is reached.
class TextFile
{
public:
    // No line of a real spectrum or peak file comes near this.
    static constexpr std::size_t kMaxLineLength = std::size_t { 64 } * 1024 * 1024;

    // Opens the file; throws EInOutError (2 not found, also for a loop of symbolic links,
    // 3 invalid path, 4 too many open files, 5 access denied or not a regular file, else
    // "E/A-Fehler %d" with the system's error number).
    explicit TextFile(const std::string &fileName);
    // A list read as it comes (the names of a batch run): besides regular files also a pipe, a
    // FIFO or a terminal, and "-" for standard input. Opening a FIFO waits for its writer; the
    // end is where the writer closes it.
    enum class Stream { Allowed };
    TextFile(const std::string &fileName, Stream);
    ~TextFile();
    TextFile(const TextFile &) = delete;
    TextFile &operator=(const TextFile &) = delete;

    // True when nothing is left before the end of the file or a Ctrl-Z.
    bool Eof() { return m_begin == m_end && eofSlow(); }

    // The next line without its line end. The view stays valid until the next call. A line
    // longer than kMaxLineLength yields its first kMaxLineLength bytes; the rest is skipped.
    std::string_view ReadLine();

    // True once a line longer than kMaxLineLength has been read.
    bool LineTooLong() const { return m_lineTooLong; }

    // The file's size when it was opened.
    std::size_t Size() const { return static_cast<std::size_t>(m_sizeAtOpen); }

    // Raw access for readers of other formats, independent of the line reading: the first
    // count bytes of the file (fewer when it is shorter), and the whole file when it holds at
    // most maxBytes (false, with bytes empty, when it holds more). Ctrl-Z and line ends mean
    // nothing here. A read error raises the file error.
    std::string_view PeekHead(std::size_t count);
    bool ReadWhole(std::string &bytes, std::size_t maxBytes);
    // Up to count bytes from offset into `into`, fewer only at the file's end; the bytes read.
    std::size_t ReadAt(char *into, std::size_t count, std::size_t offset)
    {
        return readAt(into, count, offset);
    }

private:
    void release();
    bool eofSlow();
    bool fill();
    void compact();
    // What is left to skip of a cut line; only while nothing is buffered (m_begin == m_end), so
    // that Eof and ReadLine meet it on their slow paths.
    enum class Skip { None, Line, Lf };
    std::string_view cutLongLine(std::size_t next, Skip skip);
    void skipPending();

    std::size_t readAt(char *into, std::size_t count, std::size_t offset);

    void takeBuffer();

    int m_fd = -1;
    bool m_regular = true; // a regular file, whose size is checked at its end
    std::string m_head;
    off_t m_sizeAtOpen = 0;
    std::size_t m_bytesRead = 0; // from the file, including any bytes after a Ctrl-Z
    std::vector<char> *m_buffer = nullptr; // borrowed from the thread's cache, or owned below
    std::vector<char> m_ownBuffer;
    bool m_borrowed = false;
    std::size_t m_begin = 0; // first unread byte
    std::size_t m_end = 0; // end of the bytes read so far
    bool m_atEnd = false; // no more bytes will come: physical end or Ctrl-Z seen
    bool m_lineTooLong = false;
    Skip m_skip = Skip::None;
};

// The whole file as bytes, for the readers of binary and other formats, with the same checks
// and errors as TextFile (a failing read is an error, never a short file). A file longer than
// maxBytes sets tooLarge and yields its first maxBytes bytes; otherwise tooLarge is false.
// A file that changes size while it is read raises "E/A-Fehler 5".
std::string ReadFileBytes(const std::string &fileName, std::size_t maxBytes, bool &tooLarge);

// Raises the runtime's input/output error for a system error number.
[[noreturn]] void ThrowInOutError(int systemError);
// The same for a failed save: a number without a message of its own comes with its reason in
// words ("E/A-Fehler 28: kein Platz mehr auf dem Datenträger").
[[noreturn]] void ThrowWriteError(int systemError);
