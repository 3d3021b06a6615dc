#pragma once

#include <stdexcept>
#include <string>

// The runtime's error types. Each carries its message exactly as the user reads it (German, as
// the program's runtime messages are); the handler guard shows it, the batch command prints it.
// Only platform code throws them; program code catches nothing.

class Exception : public std::runtime_error
{
public:
    using runtime_error::runtime_error;
};

// A file that cannot be opened or read. ErrorCode is the runtime's input/output error number
// (2 file not found, 3 invalid path, 4 too many open files, 5 access denied, else the system's).
class EInOutError : public Exception
{
public:
    EInOutError(int errorCode, const std::string &message)
        : Exception(message)
        , ErrorCode(errorCode)
    {
    }
    int ErrorCode;
};

// A text that is not a number of the accepted syntax.
class EConvertError : public Exception
{
public:
    using Exception::Exception;
};

// A floating-point result too large for a double.
class EOverflow : public Exception
{
public:
    using Exception::Exception;
};

// A floating-point division by zero.
class EZeroDivide : public Exception
{
public:
    using Exception::Exception;
};

// A list index outside the list.
class EListError : public Exception
{
public:
    using Exception::Exception;
};

// Raises the list index error for index: "Der Index der Liste überschreitet das Maximum (5)".
[[noreturn]] void ThrowListIndexError(long long index);
