#pragma once

#include <atomic>
#include <cstddef>
#include <sys/stat.h>
#include <sys/types.h>

// The file and memory calls of the platform layer, in one place so that tests can make any one
// of them fail. Text files, whole-file reads and every writer go through these wrappers; each
// behaves exactly like the system call it is named after (EINTR is left to the caller).
//
// Disarmed (always, outside tests) a call costs one relaxed atomic load more. Armed, every call
// of the chosen kinds is counted, and the k-th fails: the file calls return -1 with the chosen
// errno (a failed Close still closes the descriptor), an allocation point throws std::bad_alloc.
// A test runs a user's path once for k = 1, 2, ... until the path ends without reaching its k-th
// call; that many calls are the path's fault points.
namespace Fault
{

enum Point : unsigned {
    Open = 1u << 0,
    Read = 1u << 1,
    Write = 1u << 2,
    Close = 1u << 3,
    Stat = 1u << 4,
    Sync = 1u << 5,
    Rename = 1u << 6,
    Allocation = 1u << 7,
    AnyFileCall = Open | Read | Write | Close | Stat | Sync | Rename,
};

int OpenFile(const char *path, int flags, mode_t mode = 0);
ssize_t ReadFile(int fd, void *buffer, std::size_t count);
// pread: a read at an offset that leaves the file position alone; counts as a Read.
ssize_t ReadFileAt(int fd, void *buffer, std::size_t count, off_t offset);
ssize_t WriteFile(int fd, const void *buffer, std::size_t count);
int CloseFile(int fd);
int StatFile(int fd, struct stat *info);
int SyncFile(int fd);
int RenameFile(const char *from, const char *to);
// Marks a place where the platform layer is about to allocate memory that it may not get.
void AllocationPoint();

// ---- for tests

// From now on the k-th call (counting from 1) of the kinds in points fails with error (ignored
// for Allocation, which throws std::bad_alloc). Counting starts afresh.
void Arm(unsigned points, long k, int error);
// No call fails any more; the count is kept for Calls().
void Disarm();
// The calls of the armed kinds counted since the last Arm.
long Calls();
// Whether the armed call has been reached (and failed).
bool Fired();
// Arms the seam as the environment says (PEAKHOUND_FAULT="<points> <k> <errno>", and
// PEAKHOUND_FAULT_REPORT naming a file that receives "<calls> <fired>" at exit), so that a test
// can make the k-th call of a whole run of a command fail. Defined by the test support, which
// only the test builds of the commands link; they call it when built with
// PH_FAULT_FROM_ENVIRONMENT.
void ArmFromEnvironment();

namespace detail
{
    extern std::atomic<bool> armed;
    bool fails(Point point, int &error);
} // namespace detail

// Whether the call should fail, and with which errno; inline so that the disarmed case is one load.
inline bool ShouldFail(Point point, int &error)
{
    return detail::armed.load(std::memory_order_relaxed) && detail::fails(point, error);
}

// Disarms on leaving a scope, so that a failed test does not leave faults armed for the next.
struct DisarmOnExit {
    DisarmOnExit() = default;
    DisarmOnExit(const DisarmOnExit &) = delete;
    DisarmOnExit &operator=(const DisarmOnExit &) = delete;
    ~DisarmOnExit() { Disarm(); }
};

} // namespace Fault
