#include "messages.h"

#include <clocale>
#include <cstring>
#include <locale.h>

namespace
{

std::string replaceFirstPlaceholder(
    std::string_view pattern, std::string_view placeholder, std::string_view argument)
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

std::string SystemErrorText(int systemError)
{
    // A locale object of its own, so that the program's global locale stays "C".
    locale_t locale = ::newlocale(LC_ALL_MASK, "", static_cast<locale_t>(nullptr));
    if (locale == static_cast<locale_t>(nullptr))
        locale = ::newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    if (locale == static_cast<locale_t>(nullptr))
        return FormatMessage(Messages::InOutError, systemError);
    std::string text = ::strerror_l(systemError, locale);
    ::freelocale(locale);
    return text;
}
