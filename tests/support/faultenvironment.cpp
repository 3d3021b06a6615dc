// For the test builds of the commands: arms the fault seam from the environment, so that a
// test can make the k-th file or memory call of a whole run fail.
//   PEAKHOUND_FAULT="<points> <k> <errno>"   points as the Fault::Point bits
//   PEAKHOUND_FAULT_REPORT=<file>            receives "<calls> <fired>" when the program exits
#include "faultinjection.h"

#include <cstdio>
#include <cstdlib>

namespace
{

const char *reportFile = nullptr;

void writeReport()
{
    if (reportFile == nullptr)
        return;
    Fault::Disarm();
    if (FILE *file = std::fopen(reportFile, "w")) {
        std::fprintf(file, "%ld %d\n", Fault::Calls(), Fault::Fired() ? 1 : 0);
        std::fclose(file);
    }
}

} // namespace

void Fault::ArmFromEnvironment()
{
    const char *spec = std::getenv("PEAKHOUND_FAULT");
    if (spec == nullptr)
        return;
    unsigned points = 0;
    long k = 0;
    int error = 0;
    if (std::sscanf(spec, "%u %ld %d", &points, &k, &error) != 3)
        return;
    reportFile = std::getenv("PEAKHOUND_FAULT_REPORT");
    std::atexit(writeReport);
    Fault::Arm(points, k, error);
}
