#include "filesizelimit.h"

#include <csignal>

void ReportFileSizeLimitAsWriteError()
{
    std::signal(SIGXFSZ, SIG_IGN);
}
