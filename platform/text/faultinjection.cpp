#include "faultinjection.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <new>
#include <unistd.h>

namespace Fault
{

namespace detail
{
    std::atomic<bool> armed { false };
} // namespace detail

namespace
{

    std::atomic<unsigned> armedPoints { 0 };
    std::atomic<long> failAt { 0 };
    std::atomic<long> calls { 0 };
    std::atomic<int> armedError { 0 };
    std::atomic<bool> fired { false };

} // namespace

bool detail::fails(Point point, int &error)
{
    if ((armedPoints.load() & point) == 0)
        return false;
    if (calls.fetch_add(1) + 1 != failAt.load())
        return false;
    fired.store(true);
    error = armedError.load();
    return true;
}

void Arm(unsigned points, long k, int error)
{
    detail::armed.store(false);
    armedPoints.store(points);
    failAt.store(k);
    calls.store(0);
    armedError.store(error);
    fired.store(false);
    detail::armed.store(true);
}

void Disarm()
{
    detail::armed.store(false);
}

long Calls()
{
    return calls.load();
}

bool Fired()
{
    return fired.load();
}

int OpenFile(const char *path, int flags, mode_t mode)
{
    int error = 0;
    if (ShouldFail(Open, error)) {
        errno = error;
        return -1;
    }
    return ::open(path, flags, mode);
}

ssize_t ReadFile(int fd, void *buffer, std::size_t count)
{
    int error = 0;
    if (ShouldFail(Read, error)) {
        errno = error;
        return -1;
    }
    return ::read(fd, buffer, count);
}

ssize_t ReadFileAt(int fd, void *buffer, std::size_t count, off_t offset)
{
    int error = 0;
    if (ShouldFail(Read, error)) {
        errno = error;
        return -1;
    }
    return ::pread(fd, buffer, count, offset);
}

ssize_t WriteFile(int fd, const void *buffer, std::size_t count)
{
    int error = 0;
    if (ShouldFail(Write, error)) {
        errno = error;
        return -1;
    }
    return ::write(fd, buffer, count);
}

int CloseFile(int fd)
{
    int error = 0;
    if (ShouldFail(Close, error)) {
        ::close(fd); // the descriptor is gone after a failed close too
        errno = error;
        return -1;
    }
    return ::close(fd);
}

int StatFile(int fd, struct stat *info)
{
    int error = 0;
    if (ShouldFail(Stat, error)) {
        errno = error;
        return -1;
    }
    return ::fstat(fd, info);
}

int SyncFile(int fd)
{
    int error = 0;
    if (ShouldFail(Sync, error)) {
        errno = error;
        return -1;
    }
    return ::fsync(fd);
}

int RenameFile(const char *from, const char *to)
{
    int error = 0;
    if (ShouldFail(Rename, error)) {
        errno = error;
        return -1;
    }
    return std::rename(from, to);
}

void AllocationPoint()
{
    int error = 0;
    if (ShouldFail(Allocation, error))
        throw std::bad_alloc();
}

} // namespace Fault
