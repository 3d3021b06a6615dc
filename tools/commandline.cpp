#include "commandline.h"

#include "textoutput.h"

#include <cstdio>
#include <utility>

CommandLine::CommandLine(std::vector<Option> options)
    : m_options(std::move(options))
{
    m_options.push_back({ "--help", false });
    m_options.push_back({ "--version", false });
}

CommandLine::Request CommandLine::parse(
    int argc, char **argv, const OptionUse &option, const OperandUse &operand) const
{
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        std::string argument = argv[i];
        if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
            operand(std::move(argument));
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        std::string value;
        bool inlineValue = false;
        if (const auto equals = argument.find('=');
            argument.compare(0, 2, "--") == 0 && equals != std::string::npos) {
            value = argument.substr(equals + 1);
            argument.resize(equals);
            inlineValue = true;
        }
        const Option *known = nullptr;
        for (const Option &candidate : m_options)
            if (argument == candidate.name)
                known = &candidate;
        if (known == nullptr)
            throw UsageError { "unknown option " + argument };
        if (known->takesValue && !inlineValue) {
            if (i + 1 >= argc)
                throw UsageError { argument + " needs a value" };
            value = argv[++i];
        } else if (!known->takesValue && inlineValue) {
            throw UsageError { argument + " takes no value" };
        }
        if (argument == "--help")
            return Request::Help;
        if (argument == "--version")
            return Request::Version;
        option(argument, std::move(value));
    }
    return Request::Run;
}

int ReportUsageError(const char *command, const UsageError &error, const char *usage)
{
    std::fprintf(stderr, "%s: %s\n\n%s", command, EscapeControls(error.reason).c_str(), usage);
    return 2;
}

std::string VersionLine(const char *command)
{
    return std::string(command) + " " PH_VERSION "\n";
}
