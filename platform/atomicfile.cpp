#include "atomicfile.h"

#include "exceptions.h"
#include "faultinjection.h"
#include "textfile.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

std::atomic<unsigned> temporaryCounter { 0 };

// The file a name stands for: a symbolic link is followed, so that writing replaces the file it
// points to and not the link.
std::string resolveLink(const std::string &fileName)
{
    struct stat info {
    };
    if (::lstat(fileName.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
        return fileName;
    char resolved[PATH_MAX];
    if (::realpath(fileName.c_str(), resolved) == nullptr)
        return fileName; // a dangling link: written over as it is
    return resolved;
}

std::string folderOf(const std::string &fileName)
{
    const auto slash = fileName.rfind('/');
    return slash == std::string::npos ? std::string() : fileName.substr(0, slash + 1);
}

std::string baseOf(const std::string &fileName)
{
    const auto slash = fileName.rfind('/');
    return slash == std::string::npos ? fileName : fileName.substr(slash + 1);
}

int openRetrying(const std::string &name, int flags, mode_t mode)
{
    int fd;
    do {
        fd = Fault::OpenFile(name.c_str(), flags, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

} // namespace

AtomicFile::AtomicFile(const std::string &fileName)
    : m_target(resolveLink(fileName))
{
    if (fileName.empty())
        ThrowInOutError(ENOENT);
    Fault::AllocationPoint();
    struct stat existing {
    };
    const bool exists = ::stat(m_target.c_str(), &existing) == 0;
    if (exists && S_ISDIR(existing.st_mode))
        ThrowInOutError(EISDIR);
    const mode_t mode = exists ? (existing.st_mode & 07777) : 0666;
    // A hidden name that no other writer picks: the process and a counter.
    const std::string stem =
        folderOf(m_target) + '.' + baseOf(m_target) + ".tmp" + std::to_string(::getpid()) + '-';
    int error = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string candidate = stem + std::to_string(temporaryCounter.fetch_add(1));
        m_fd = openRetrying(candidate, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, mode);
        if (m_fd >= 0) {
            m_temporary = std::move(candidate);
            if (exists)
                ::fchmod(m_fd, mode); // the umask may have taken permissions the file had
            return;
        }
        error = errno;
        if (error != EEXIST)
            break;
    }
    const bool folderRefuses =
        error == EACCES || error == EPERM || error == EROFS || error == ENAMETOOLONG;
    if (folderRefuses && exists && S_ISREG(existing.st_mode)
        && ::access(m_target.c_str(), W_OK) == 0) {
        m_fd = openRetrying(m_target, O_WRONLY | O_TRUNC | O_CLOEXEC | O_NOCTTY, 0);
        if (m_fd >= 0)
            return;
        error = errno;
    }
    ThrowInOutError(error);
}

AtomicFile::~AtomicFile()
{
    if (!m_done)
        discard();
}

void AtomicFile::discard() noexcept
{
    if (m_fd >= 0) {
        if (m_temporary.empty())
            (void)::ftruncate(m_fd, 0); // written in place: empty rather than cut
        Fault::CloseFile(m_fd);
        m_fd = -1;
    }
    if (!m_temporary.empty())
        ::unlink(m_temporary.c_str());
    m_done = true; // nothing left to do
}

void AtomicFile::fail(int error)
{
    discard();
    ThrowInOutError(error);
}

void AtomicFile::Write(std::string_view bytes)
{
    if (m_fd < 0)
        ThrowInOutError(EBADF);
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = Fault::WriteFile(m_fd, bytes.data() + written, bytes.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            fail(n < 0 ? errno : EIO);
        written += static_cast<std::size_t>(n);
    }
}

void AtomicFile::Commit()
{
    if (m_fd < 0)
        ThrowInOutError(EBADF);
    // A file system that cannot flush (EINVAL) has nothing to flush.
    if (Fault::SyncFile(m_fd) != 0 && errno != EINVAL)
        fail(errno);
    const int fd = m_fd;
    m_fd = -1;
    // A close interrupted by a signal has still closed the file.
    if (Fault::CloseFile(fd) != 0 && errno != EINTR)
        fail(errno);
    if (!m_temporary.empty() && Fault::RenameFile(m_temporary.c_str(), m_target.c_str()) != 0)
        fail(errno);
    m_done = true;
}

void WriteFileAtomically(const std::string &fileName, std::string_view bytes)
{
    AtomicFile file(fileName);
    file.Write(bytes);
    file.Commit();
}

int TryWriteFileAtomically(const std::string &fileName, std::string_view bytes)
{
    try {
        WriteFileAtomically(fileName, bytes);
        return 0;
    } catch (const EInOutError &error) {
        return error.ErrorCode;
    }
}
