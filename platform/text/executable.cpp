#include "executable.h"

#include <filesystem>
#include <system_error>

std::string ExecutableDirectory()
{
    std::error_code error;
    const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error || !executable.is_absolute())
        return {};
    return executable.parent_path().string();
}
