#pragma once

#include <string>

// The folder of the running program's executable, symbolic links resolved, or an empty string
// where the system does not tell. Data installed beside the program is found from here.
std::string ExecutableDirectory();
