#include "messages.h"

namespace {

std::string replaceFirstPlaceholder(std::string_view pattern, std::string_view placeholder,
                                    std::string_view argument)
{
    std::string result(pattern);
    const auto at = result.find(placeholder);
    if (at != std::string::npos)
        result.replace(at, placeholder.size(), argument);
    return result;
}

} // namespace

std::string FormatMessage(std::string_view pattern, std::string_view argument)
{
    return replaceFirstPlaceholder(pattern, "%s", argument);
}

std::string FormatMessage(std::string_view pattern, long long argument)
{
    return replaceFirstPlaceholder(pattern, "%d", std::to_string(argument));
}
