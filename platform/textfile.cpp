#include "textfile.h"

#include "exceptions.h"
#include "messages.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::size_t kInitialBuffer = 64 * 1024; // below malloc's mmap threshold
constexpr char kCtrlZ = 26;

// One buffer per thread, reused from file to file so that reading thousands of small files does
// not allocate for each of them.
thread_local std::vector<char> cachedBuffer;
thread_local bool cachedBufferInUse = false;

} // namespace

void ThrowInOutError(int systemError)
{
    switch (systemError) {
    case ENOENT:
        // Also when a folder of the path is missing: the user looks for a file that is not there.
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

TextFile::TextFile(const std::string &fileName)
{
    if (fileName.empty())
        throw EInOutError(2, std::string(Messages::FileNotFound));
    do {
        m_fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
    } while (m_fd < 0 && errno == EINTR);
    if (m_fd < 0)
        ThrowInOutError(errno);
    struct stat info { };
    if (::fstat(m_fd, &info) == 0 && S_ISDIR(info.st_mode)) {
        ::close(m_fd);
        m_fd = -1;
        ThrowInOutError(EISDIR);
    }
    if (!cachedBufferInUse) {
        cachedBufferInUse = true;
        m_borrowed = true;
        m_buffer = &cachedBuffer;
    } else {
        m_buffer = &m_ownBuffer;
    }
    if (m_buffer->size() < kInitialBuffer)
        m_buffer->resize(kInitialBuffer);
}

TextFile::~TextFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
    if (m_borrowed)
        cachedBufferInUse = false;
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
    if (m_end == m_buffer->size())
        m_buffer->resize(m_buffer->size() * 2);
    ssize_t got;
    do {
        got = ::read(m_fd, m_buffer->data() + m_end, m_buffer->size() - m_end);
    } while (got < 0 && errno == EINTR);
    if (got < 0)
        ThrowInOutError(errno);
    if (got == 0) {
        m_atEnd = true;
        return false;
    }
    char *fresh = m_buffer->data() + m_end;
    if (const void *ctrlZ = std::memchr(fresh, kCtrlZ, static_cast<std::size_t>(got))) {
        got = static_cast<const char *>(ctrlZ) - fresh;
        m_atEnd = true;
    }
    m_end += static_cast<std::size_t>(got);
    return got > 0;
}

bool TextFile::Eof()
{
    while (m_begin == m_end) {
        if (!fill())
            return m_begin == m_end;
    }
    return false;
}

std::string_view TextFile::ReadLine()
{
    std::size_t scanned = 0; // bytes after m_begin known to hold no line end
    for (;;) {
        const char *data = m_buffer->data();
        const char *from = data + m_begin + scanned;
        const std::size_t length = m_end - m_begin - scanned;
        const char *lf = static_cast<const char *>(std::memchr(from, '\n', length));
        const std::size_t crSpan = lf != nullptr ? static_cast<std::size_t>(lf - from) : length;
        const char *cr = static_cast<const char *>(std::memchr(from, '\r', crSpan));
        const char *stop = cr != nullptr ? cr : lf;
        if (stop == nullptr) {
            scanned = m_end - m_begin;
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
        if (stop == cr && next == m_end && !m_atEnd) {
            // A CR as the last byte read may still be followed by its LF: read on to see.
            scanned = lineLength;
            fill();
            continue;
        }
        if (stop == cr && next < m_end && data[next] == '\n')
            ++next;
        const std::string_view line(data + m_begin, lineLength);
        m_begin = next;
        return line;
    }
}
