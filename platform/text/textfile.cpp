#include "textfile.h"

#include "exceptions.h"
#include "faultinjection.h"
#include "messages.h"

#include <algorithm>
#include <cerrno>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

constexpr std::size_t kInitialBuffer = std::size_t { 64 } * 1024; // below malloc's mmap threshold
constexpr std::size_t kLargestKeptBuffer = std::size_t { 4 } * 1024 * 1024;
// Room for the longest line with a CR LF after it, so that its end can be seen.
constexpr std::size_t kLargestBuffer = TextFile::kMaxLineLength + 2;
constexpr char kCtrlZ = 26;

// One buffer per thread, reused from file to file so that reading thousands of small files does
// not allocate for each of them.
thread_local std::vector<char> cachedBuffer;
thread_local bool cachedBufferInUse = false;

// The first CR or LF in [p, end), or end. Sixteen bytes at a time: lines are mostly short, where
// two memchr calls would cost more than the scan itself.
const char *findLineEnd(const char *p, const char *end)
{
#if defined(__SSE2__)
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    for (; end - p >= 16; p += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
        const int mask =
            _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(bytes, cr), _mm_cmpeq_epi8(bytes, lf)));
        if (mask != 0)
            return p + __builtin_ctz(static_cast<unsigned>(mask));
    }
#endif
    while (p != end && *p != '\r' && *p != '\n')
        ++p;
    return p;
}

// Opens a file for reading, as TextFile describes: a regular file only, or with streams also a
// pipe, FIFO or terminal and "-" for standard input. Its status at opening goes to info.
int openForReading(const std::string &fileName, bool streams, struct stat &info)
{
    if (fileName.empty())
        throw EInOutError(2, std::string(Messages::FileNotFound));
    int fd;
    if (streams && fileName == "-") {
        fd = ::fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 0);
    } else {
        // O_NONBLOCK: opening a FIFO must not wait for a writer. It changes nothing for the
        // regular files that are read; everything else is refused before the first read, like a
        // folder (a device such as /dev/zero would never end, a FIFO or socket could block for
        // ever). A stream is waited for: its writer is the user's own command.
        const int flags = O_RDONLY | O_CLOEXEC | O_NOCTTY | (streams ? 0 : O_NONBLOCK);
        do {
            fd = Fault::OpenFile(fileName.c_str(), flags);
        } while (fd < 0 && errno == EINTR);
    }
    if (fd < 0)
        ThrowInOutError(errno);
    info = {};
    const int statResult = Fault::StatFile(fd, &info);
    const bool readable =
        streams ? !S_ISDIR(info.st_mode) && !S_ISSOCK(info.st_mode) : S_ISREG(info.st_mode);
    if (statResult != 0 || !readable) {
        const int error = statResult != 0 ? errno : EACCES;
        ::close(fd);
        ThrowInOutError(error);
    }
    return fd;
}

// At the end of a file: when it no longer has the size of the bytes read, it was cut or written
// while it was read, and what was read is neither the old file nor the new one. Files whose size
// the system does not know (0, as in /proc) are taken as read.
void checkUnchanged(int fd, off_t sizeAtOpen, std::size_t bytesRead)
{
    struct stat info {
    };
    if (Fault::StatFile(fd, &info) != 0)
        ThrowInOutError(errno);
    if ((sizeAtOpen != 0 || info.st_size != 0)
        && static_cast<std::size_t>(info.st_size) != bytesRead)
        ThrowInOutError(EIO);
}

// Reads into buffer until it holds count bytes or the file ends; returns the bytes read. With an
// offset, from there and without moving the file position (pread); else from the position.
std::size_t readFully(int fd, char *buffer, std::size_t count, off_t offset = -1)
{
    std::size_t done = 0;
    while (done < count) {
        const ssize_t got = offset < 0
            ? Fault::ReadFile(fd, buffer + done, count - done)
            : Fault::ReadFileAt(fd, buffer + done, count - done, offset + static_cast<off_t>(done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            ThrowInOutError(errno);
        if (got == 0)
            break;
        done += static_cast<std::size_t>(got);
    }
    return done;
}

} // namespace

void ThrowInOutError(int systemError)
{
    switch (systemError) {
    case ENOENT:
    case ELOOP:
        // Also when a folder of the path is missing or symbolic links lead in a circle: the user
        // looks for a file that is not there.
        throw EInOutError(2, std::string(Messages::FileNotFound));
    case ENOTDIR: // a part of the path is a file, not a folder
    case ENAMETOOLONG:
        throw EInOutError(3, std::string(Messages::InvalidFileName));
    case EMFILE:
    case ENFILE:
        throw EInOutError(4, std::string(Messages::TooManyOpenFiles));
    case EACCES:
    case EPERM:
    case EISDIR: // a folder in place of a file is refused, as the desktop's file system does
        throw EInOutError(5, std::string(Messages::AccessDenied));
    default:
        throw EInOutError(systemError, FormatMessage(Messages::InOutError, systemError));
    }
}

void ThrowWriteError(int systemError)
{
    switch (systemError) {
    case ENOENT:
    case ELOOP:
    case ENOTDIR:
    case ENAMETOOLONG:
    case EMFILE:
    case ENFILE:
    case EACCES:
    case EPERM:
    case EISDIR:
        ThrowInOutError(systemError);
    default:
        throw EInOutError(systemError, WriteFailureText(systemError));
    }
}

TextFile::TextFile(const std::string &fileName)
{
    struct stat info {
    };
    m_fd = openForReading(fileName, false, info);
    m_sizeAtOpen = info.st_size;
    takeBuffer();
}

TextFile::TextFile(const std::string &fileName, Stream)
{
    struct stat info {
    };
    m_fd = openForReading(fileName, true, info);
    m_regular = S_ISREG(info.st_mode);
    m_sizeAtOpen = m_regular ? info.st_size : 0;
    takeBuffer();
}

void TextFile::takeBuffer()
{
    try {
        Fault::AllocationPoint();
    } catch (...) {
        ::close(m_fd);
        throw;
    }
    if (!cachedBufferInUse) {
        cachedBufferInUse = true;
        m_borrowed = true;
        m_buffer = &cachedBuffer;
    } else {
        m_buffer = &m_ownBuffer;
    }
    if (m_buffer->size() < kInitialBuffer) {
        try {
            m_buffer->resize(kInitialBuffer);
        } catch (...) {
            release();
            throw;
        }
    }
}

TextFile::~TextFile()
{
    release();
}

void TextFile::release()
{
    if (m_fd >= 0)
        Fault::CloseFile(m_fd); // nothing was written: a failing close loses nothing
    m_fd = -1;
    if (m_borrowed) {
        m_borrowed = false;
        // A freak line of many megabytes must not keep its memory for the rest of the run.
        if (cachedBuffer.size() > kLargestKeptBuffer) {
            cachedBuffer.clear();
            cachedBuffer.shrink_to_fit();
        }
        cachedBufferInUse = false;
    }
}

void TextFile::compact()
{
    if (m_begin == 0)
        return;
    std::memmove(m_buffer->data(), m_buffer->data() + m_begin, m_end - m_begin);
    m_end -= m_begin;
    m_begin = 0;
}

bool TextFile::fill()
{
    if (m_atEnd)
        return false;
    compact();
    if (m_end == m_buffer->size()) {
        Fault::AllocationPoint();
        // A line longer than the buffer: double it, or when the rest of the file is not much
        // more, make room for all of it at once, so that a line of megabytes is not copied and
        // cleared again and again.
        const std::size_t doubled = m_buffer->size() * 2;
        const std::size_t whole = m_end
            + (static_cast<std::size_t>(m_sizeAtOpen) > m_bytesRead
                    ? static_cast<std::size_t>(m_sizeAtOpen) - m_bytesRead
                    : 0)
            + 1;
        m_buffer->resize(
            std::min(whole > doubled && whole <= 4 * doubled ? whole : doubled, kLargestBuffer));
    }
    ssize_t got;
    do {
        got = Fault::ReadFile(m_fd, m_buffer->data() + m_end, m_buffer->size() - m_end);
    } while (got < 0 && errno == EINTR);
    if (got < 0)
        ThrowInOutError(errno);
    if (got == 0) {
        m_atEnd = true;
        if (m_regular)
            checkUnchanged(m_fd, m_sizeAtOpen, m_bytesRead);
        return false;
    }
    m_bytesRead += static_cast<std::size_t>(got);
    char *fresh = m_buffer->data() + m_end;
    if (const void *ctrlZ = std::memchr(fresh, kCtrlZ, static_cast<std::size_t>(got))) {
        got = static_cast<const char *>(ctrlZ) - fresh;
        m_atEnd = true;
    }
    m_end += static_cast<std::size_t>(got);
    return got > 0;
}

bool TextFile::eofSlow()
{
    if (m_skip != Skip::None)
        skipPending();
    while (m_begin == m_end) {
        if (!fill())
            return m_begin == m_end;
    }
    return false;
}

std::string_view TextFile::cutLongLine(std::size_t next, Skip skip)
{
    m_lineTooLong = true;
    const std::string_view line(m_buffer->data() + m_begin, kMaxLineLength);
    m_begin = next;
    m_skip = skip;
    return line;
}

void TextFile::skipPending()
{
    while (m_skip == Skip::Line) {
        if (!fill()) {
            m_skip = Skip::None;
            return;
        }
        // Not the fast scan: it stays inlined in ReadLine only, and this runs once per cut line.
        const char *data = m_buffer->data();
        const char *stop = std::find_if(
            data + m_begin, data + m_end, [](char c) { return c == '\r' || c == '\n'; });
        m_begin = static_cast<std::size_t>(stop - data);
        if (m_begin < m_end) {
            m_skip = *stop == '\r' ? Skip::Lf : Skip::None;
            ++m_begin;
        }
    }
    if (m_skip == Skip::Lf) {
        m_skip = Skip::None;
        if (m_begin == m_end && !fill())
            return;
        if ((*m_buffer)[m_begin] == '\n')
            ++m_begin;
    }
}

std::string_view TextFile::ReadLine()
{
    std::size_t scanned = 0; // bytes after m_begin known to hold no line end
    for (;;) {
        const char *data = m_buffer->data();
        const char *end = data + m_end;
        const char *stop = findLineEnd(data + m_begin + scanned, end);
        if (stop == end) {
            if (m_skip != Skip::None) {
                skipPending();
                continue;
            }
            scanned = m_end - m_begin;
            if (scanned > kMaxLineLength)
                return cutLongLine(m_end, Skip::Line); // all bytes read so far belong to the line
            if (!fill()) {
                // The last line, without a line end (or nothing at all past the end).
                const std::string_view line(m_buffer->data() + m_begin, m_end - m_begin);
                m_begin = m_end;
                return line;
            }
            continue;
        }
        const std::size_t lineLength = static_cast<std::size_t>(stop - (data + m_begin));
        std::size_t next = m_begin + lineLength + 1;
        if (lineLength > kMaxLineLength) {
            // Seen whole in the largest buffer, and still too long. A CR as the last byte read
            // leaves its LF to be looked for, as reading on would overwrite the line.
            Skip skip = Skip::None;
            if (*stop == '\r' && next < m_end && data[next] == '\n')
                ++next;
            else if (*stop == '\r' && next == m_end && !m_atEnd)
                skip = Skip::Lf;
            return cutLongLine(next, skip);
        }
        if (*stop == '\r' && next == m_end && !m_atEnd) {
            // A CR as the last byte read may still be followed by its LF: read on to see.
            scanned = lineLength;
            fill();
            continue;
        }
        if (*stop == '\r' && next < m_end && data[next] == '\n')
            ++next;
        const std::string_view line(data + m_begin, lineLength);
        m_begin = next;
        return line;
    }
}

std::size_t TextFile::readAt(char *into, std::size_t count, std::size_t offset)
{
    return readFully(m_fd, into, count, static_cast<off_t>(offset));
}

std::string_view TextFile::PeekHead(std::size_t count)
{
    Fault::AllocationPoint();
    m_head.resize(count);
    m_head.resize(readAt(m_head.data(), count, 0));
    return m_head;
}

bool TextFile::ReadWhole(std::string &bytes, std::size_t maxBytes)
{
    bytes.clear();
    const auto size = static_cast<std::size_t>(m_sizeAtOpen);
    if (size > maxBytes)
        return false;
    // One byte more than the size seen at opening tells a file that has grown since: it is read
    // on to its end, within the limit.
    Fault::AllocationPoint();
    bytes.resize(size + 1);
    std::size_t got = readAt(bytes.data(), bytes.size(), 0);
    while (got == bytes.size() && got <= maxBytes) {
        Fault::AllocationPoint();
        bytes.resize(std::min(bytes.size() * 2, maxBytes + 1));
        got += readAt(bytes.data() + got, bytes.size() - got, got);
    }
    if (got > maxBytes) {
        bytes.clear();
        return false;
    }
    bytes.resize(got);
    checkUnchanged(m_fd, m_sizeAtOpen, got);
    return true;
}

std::string ReadFileBytes(const std::string &fileName, std::size_t maxBytes, bool &tooLarge)
{
    tooLarge = false;
    struct stat info {
    };
    const int fd = openForReading(fileName, false, info);
    const off_t sizeAtOpen = info.st_size;
    struct CloseOnExit {
        int fd;
        ~CloseOnExit() { Fault::CloseFile(fd); }
    } closeOnExit { fd };
    // The size at opening is a first guess only: the file may change, or tell 0 (as in /proc).
    const std::size_t expected = std::min(static_cast<std::size_t>(sizeAtOpen), maxBytes);
    Fault::AllocationPoint();
    std::string bytes(expected, '\0');
    std::size_t got = readFully(fd, bytes.data(), expected);
    // One byte past the limit tells a file that is too large.
    const std::size_t limit = maxBytes < SIZE_MAX ? maxBytes + 1 : maxBytes;
    if (got == expected) {
        // At the expected end, or more to come: read on in growing steps up to the limit.
        for (;;) {
            const std::size_t room = std::min(
                std::max<std::size_t>(bytes.size(), std::size_t { 64 } * 1024), limit - got);
            if (room == 0)
                break;
            Fault::AllocationPoint();
            bytes.resize(got + room);
            const std::size_t more = readFully(fd, bytes.data() + got, room);
            got += more;
            if (more < room)
                break;
        }
    }
    if (got > maxBytes) {
        tooLarge = true;
        bytes.resize(maxBytes);
        return bytes;
    }
    bytes.resize(got);
    checkUnchanged(fd, sizeAtOpen, got);
    return bytes;
}
