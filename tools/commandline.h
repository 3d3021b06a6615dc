#pragma once

#include <functional>
#include <string>
#include <vector>

// The command line of the commands, read by one set of rules (GNU long options): an option is
// "--NAME", and one that takes a value takes the next argument ("--NAME VALUE") or what follows
// the first '=' ("--NAME=VALUE", which may be empty). "--" ends the options; an argument that
// does not start with '-', and "-" alone, is an operand. Any option may be given more than once:
// each time is handed on. --help and --version belong to every command.

// A usage error: its reason is printed with the help text, the exit status is 2.
struct UsageError {
    std::string reason;
};

class CommandLine
{
public:
    struct Option {
        const char *name; // with its "--"
        bool takesValue;
    };
    enum class Request { Run, Help, Version };
    // option(name, value) for each option, value empty for one that takes none.
    using OptionUse = std::function<void(const std::string &name, std::string value)>;
    using OperandUse = std::function<void(std::string operand)>;

    explicit CommandLine(std::vector<Option> options);

    // Hands on the options and operands in their order. Stops at --help or --version and says
    // which; throws UsageError for an unknown option, a missing value and a value given to an
    // option that takes none, and lets through what the uses throw.
    Request parse(int argc, char **argv, const OptionUse &option, const OperandUse &operand) const;

private:
    std::vector<Option> m_options;
};

// "COMMAND: REASON", an empty line and the help text on standard error; returns the exit status
// of a usage error, 2.
int ReportUsageError(const char *command, const UsageError &error, const char *usage);

// What --version prints: "COMMAND VERSION" and a newline.
std::string VersionLine(const char *command);
