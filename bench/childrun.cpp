#include "childrun.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace
{

constexpr const char *kLaunchFlag = "--launch-measured";
// The descriptor a launcher writes the command's figures to.
constexpr int kResultFd = 3;

double seconds(const timeval &t)
{
    return static_cast<double>(t.tv_sec) + 1e-6 * static_cast<double>(t.tv_usec);
}

// Closes the descriptors it holds when it goes.
struct Pipe {
    int Read = -1;
    int Write = -1;
    bool Open()
    {
        int fds[2] = { -1, -1 };
        if (::pipe2(fds, O_CLOEXEC) != 0)
            return false;
        Read = fds[0];
        Write = fds[1];
        return true;
    }
    void CloseWrite()
    {
        if (Write >= 0)
            ::close(Write);
        Write = -1;
    }
    ~Pipe()
    {
        CloseWrite();
        if (Read >= 0)
            ::close(Read);
    }
};

void readToEnd(int fd, std::string &out)
{
    char buffer[1 << 16];
    for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) != 0;) {
        if (n > 0)
            out.append(buffer, static_cast<std::size_t>(n));
        else if (errno != EINTR)
            break;
    }
}

// Spawns argv with actions (may be null), closes the write ends of the pipes given, reads out
// to its end while the command runs, and waits for it.
ChildRun spawnAndWait(const std::vector<std::string> &words,
    const posix_spawn_file_actions_t *actions, Pipe *out, Pipe *result = nullptr)
{
    std::vector<std::string> copy = words;
    std::vector<char *> argv;
    for (auto &word : copy)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    ChildRun run;
    const auto start = std::chrono::steady_clock::now();
    pid_t child = 0;
    const int error = ::posix_spawn(&child, argv[0], actions, nullptr, argv.data(), environ);
    if (out != nullptr)
        out->CloseWrite();
    if (result != nullptr)
        result->CloseWrite();
    if (error != 0) {
        std::fprintf(stderr, "cannot run %s: %s\n", argv[0], std::strerror(error));
        return run;
    }
    if (out != nullptr)
        readToEnd(out->Read, run.Out);
    rusage usage {};
    while (::wait4(child, &run.Status, 0, &usage) < 0 && errno == EINTR) { }
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    run.Seconds = elapsed.count();
    run.CpuSeconds = seconds(usage.ru_utime) + seconds(usage.ru_stime);
    run.PeakMb = static_cast<double>(usage.ru_maxrss) / 1024.0; // kilobytes on Linux
    run.Ok = WIFEXITED(run.Status) && WEXITSTATUS(run.Status) == 0;
    return run;
}

std::string selfPath()
{
    char path[4096];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    return n > 0 ? std::string(path, static_cast<std::size_t>(n)) : std::string();
}

} // namespace

ChildRun RunChild(const std::vector<std::string> &command, ChildOutput output, ChildMemory memory)
{
    const bool capture = output == ChildOutput::Capture;
    Pipe out;
    Pipe result;
    if ((capture && !out.Open()) || (memory == ChildMemory::Own && !result.Open())) {
        std::perror("pipe");
        return {};
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (capture)
        posix_spawn_file_actions_adddup2(&actions, out.Write, STDOUT_FILENO);
    else
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    std::vector<std::string> words = command;
    if (memory == ChildMemory::Own) {
        posix_spawn_file_actions_adddup2(&actions, result.Write, kResultFd);
        words.insert(words.begin(), { selfPath(), kLaunchFlag });
    }
    ChildRun run = spawnAndWait(
        words, &actions, capture ? &out : nullptr, memory == ChildMemory::Own ? &result : nullptr);
    posix_spawn_file_actions_destroy(&actions);
    if (memory == ChildMemory::Own) {
        char figures[128] = {};
        const ssize_t got = ::read(result.Read, figures, sizeof figures - 1);
        ChildRun inner;
        long peakKb = 0;
        const bool reported = run.Ok && got > 0
            && std::sscanf(figures, "%d %lf %lf %ld", &inner.Status, &inner.Seconds,
                   &inner.CpuSeconds, &peakKb)
                == 4;
        inner.Ok = reported && WIFEXITED(inner.Status) && WEXITSTATUS(inner.Status) == 0;
        inner.PeakMb = static_cast<double>(peakKb) / 1024.0;
        inner.Out = std::move(run.Out);
        run = std::move(inner);
    }
    if (!run.Ok)
        std::fprintf(stderr, "%s ended with status %d\n", command.front().c_str(), run.Status);
    return run;
}

int RunChildLauncher(int argc, char **argv)
{
    if (argc < 3 || std::strcmp(argv[1], kLaunchFlag) != 0)
        return -1;
    ::fcntl(kResultFd, F_SETFD, FD_CLOEXEC);
    // The command inherits this launcher's standard output (/dev/null or the capture pipe).
    const ChildRun run =
        spawnAndWait(std::vector<std::string>(argv + 2, argv + argc), nullptr, nullptr);
    const long peakKb = static_cast<long>(run.PeakMb * 1024.0 + 0.5);
    return ::dprintf(
               kResultFd, "%d %.9f %.6f %ld\n", run.Status, run.Seconds, run.CpuSeconds, peakKb)
            > 0
        ? 0
        : 1;
}
