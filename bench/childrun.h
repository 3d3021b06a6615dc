#pragma once

#include <string>
#include <vector>

// Running a command from a benchmark and taking its figures as the kernel counts them.

// A finished command: whether it ran and exited with status 0, its wait status, wall time, CPU
// time (user and system, all threads), peak resident set, and its standard output when captured.
struct ChildRun {
    bool Ok = false;
    int Status = -1;
    double Seconds = 0;
    double CpuSeconds = 0;
    double PeakMb = 0;
    std::string Out;
};

enum class ChildOutput { Discard, Capture };
enum class ChildMemory {
    // The figures of a child spawned from here; its peak resident set starts from this process's.
    Shared,
    // The command is started by a fresh copy of this program, which times it and hands the
    // figures back: the kernel counts the memory of the image an exec replaces into the new
    // program's peak, so only a launcher of small memory gives the command's own peak. The
    // program's main must call RunChildLauncher first.
    Own,
};

// Runs command (its words, the program first), standard output to /dev/null or captured, and
// waits for it. A failure to start or an exit status other than 0 is named on standard error.
ChildRun RunChild(const std::vector<std::string> &command,
    ChildOutput output = ChildOutput::Discard, ChildMemory memory = ChildMemory::Shared);

// When this process was started as the launcher of a ChildMemory::Own run, runs the command and
// returns the launcher's exit status; otherwise returns -1 and main goes on.
int RunChildLauncher(int argc, char **argv);
