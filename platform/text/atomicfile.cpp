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
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
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

// Whether size bytes may be written to a file under the process's file size limit.
bool withinFileSizeLimit(std::size_t size)
{
    struct rlimit limit {
    };
    return ::getrlimit(RLIMIT_FSIZE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY
        || size <= limit.rlim_cur;
}

// The whole file from its start; false when it cannot be read.
bool readWhole(int fd, std::size_t size, std::string &bytes)
{
    bytes.resize(size);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pread(fd, bytes.data() + done, size - done, static_cast<off_t>(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Writes all bytes at the file position; returns 0 or the errno of the failed write.
int writeAll(int fd, std::string_view bytes, bool throughFaultSeam)
{
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = throughFaultSeam
            ? Fault::WriteFile(fd, bytes.data() + written, bytes.size() - written)
            : ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n < 0 ? errno : EIO;
        written += static_cast<std::size_t>(n);
    }
    return 0;
}

// The same from the file's start.
int writeFromStart(int fd, std::string_view bytes, bool throughFaultSeam)
{
    return ::lseek(fd, 0, SEEK_SET) != 0 ? errno : writeAll(fd, bytes, throughFaultSeam);
}

// Makes sure the disk has room for a file of size bytes before anything of it is overwritten.
// A file system that cannot reserve is asked how much room it has left.
int reserveRoom(int fd, std::size_t oldSize, std::size_t size)
{
    if (size <= oldSize)
        return 0;
    if (::fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(size)) == 0)
        return 0;
    const int error = errno;
    if (error != EOPNOTSUPP && error != ENOSYS)
        return error;
    struct statvfs room {
    };
    if (::fstatvfs(fd, &room) != 0)
        return 0; // nothing to go by: the writes will tell
    const unsigned long long available =
        static_cast<unsigned long long>(room.f_bavail) * room.f_frsize;
    // One block more for the rounding of the file's last block.
    return available >= size - oldSize + room.f_frsize ? 0 : ENOSPC;
}

} // namespace

AtomicFile::AtomicFile(const std::string &fileName)
    : m_target(resolveLink(fileName))
{
    if (fileName.empty())
        ThrowWriteError(ENOENT);
    Fault::AllocationPoint();
    struct stat existing {
    };
    const bool exists = ::stat(m_target.c_str(), &existing) == 0;
    if (exists && S_ISDIR(existing.st_mode))
        ThrowWriteError(EISDIR);
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
        // Read too, so that the old bytes can be put back should a write fail.
        m_fd = openRetrying(m_target, O_RDWR | O_CLOEXEC | O_NOCTTY, 0);
        if (m_fd < 0 && errno == EACCES)
            m_fd = openRetrying(m_target, O_WRONLY | O_CLOEXEC | O_NOCTTY, 0);
        if (m_fd >= 0)
            return;
        error = errno;
    }
    ThrowWriteError(error);
}

AtomicFile::~AtomicFile()
{
    if (!m_done)
        discard();
}

void AtomicFile::discard() noexcept
{
    if (m_fd >= 0) {
        Fault::CloseFile(m_fd); // written in place, the file is untouched or has its old bytes back
        m_fd = -1;
    }
    if (!m_temporary.empty())
        ::unlink(m_temporary.c_str());
    m_done = true; // nothing left to do
}

void AtomicFile::fail(int error)
{
    discard();
    ThrowWriteError(error);
}

void AtomicFile::Write(std::string_view bytes)
{
    if (m_fd < 0)
        ThrowWriteError(EBADF);
    if (m_temporary.empty()) {
        m_pending.append(bytes);
        return;
    }
    if (const int error = writeAll(m_fd, bytes, true))
        fail(error);
}

void AtomicFile::Commit()
{
    if (m_fd < 0)
        ThrowWriteError(EBADF);
    if (m_temporary.empty()) {
        commitInPlace();
        return;
    }
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

void AtomicFile::commitInPlace()
{
    struct stat info {
    };
    if (Fault::StatFile(m_fd, &info) != 0)
        fail(errno);
    const std::size_t oldSize = static_cast<std::size_t>(info.st_size);
    if (!withinFileSizeLimit(m_pending.size()))
        fail(EFBIG);
    std::string original;
    const bool restorable = readWhole(m_fd, oldSize, original);
    if (const int error = reserveRoom(m_fd, oldSize, m_pending.size()))
        fail(error);
    int error = writeFromStart(m_fd, m_pending, true);
    if (error == 0 && ::ftruncate(m_fd, static_cast<off_t>(m_pending.size())) != 0)
        error = errno;
    if (error == 0 && Fault::SyncFile(m_fd) != 0 && errno != EINVAL)
        error = errno;
    if (error != 0) {
        // The room for the longer of the two is reserved, so the old bytes fit again.
        if (restorable && writeFromStart(m_fd, original, false) == 0)
            (void)::ftruncate(m_fd, static_cast<off_t>(oldSize));
        (void)::fsync(m_fd);
        fail(error);
    }
    const int fd = m_fd;
    m_fd = -1;
    if (Fault::CloseFile(fd) != 0 && errno != EINTR)
        fail(errno);
    m_done = true;
}

void WriteFileAtomically(const std::string &fileName, std::string_view bytes)
{
    AtomicFile file(fileName);
    file.Write(bytes);
    file.Commit();
}

std::optional<EInOutError> TryWriteFileAtomically(
    const std::string &fileName, std::string_view bytes)
{
    try {
        WriteFileAtomically(fileName, bytes);
        return std::nullopt;
    } catch (const EInOutError &error) {
        return error;
    }
}
