#include "separators.h"

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <langinfo.h>
#include <locale.h>
#include <mutex>
#include <optional>

namespace
{

std::mutex separatorsMutex;
std::optional<NumberSeparators> overrideSeparators;
std::optional<NumberSeparators> environmentSeparators;

// A separator of more than one byte (a narrow no-break space in UTF-8, say) cannot stand in an
// 8-bit field text; a blank takes its place, which the conversion rejects inside a number as well.
std::optional<char> singleByte(const char *text)
{
    if (text == nullptr || text[0] == '\0')
        return std::nullopt;
    if (text[1] != '\0' || static_cast<unsigned char>(text[0]) >= 0x80)
        return ' ';
    return text[0];
}

// Languages whose numbers use a decimal comma, with their thousands separator. Used when the
// machine lacks the locale the environment names, so the user's separators do not depend on
// which locales happen to be installed.
struct LanguageSeparators {
    const char *language;
    NumberSeparators separators;
};
constexpr LanguageSeparators kCommaLanguages[] = {
    { "de", { ',', '.' } },
    { "nl", { ',', '.' } },
    { "it", { ',', '.' } },
    { "es", { ',', '.' } },
    { "pt", { ',', '.' } },
    { "da", { ',', '.' } },
    { "id", { ',', '.' } },
    { "tr", { ',', '.' } },
    { "el", { ',', '.' } },
    { "ro", { ',', '.' } },
    { "hr", { ',', '.' } },
    { "sl", { ',', '.' } },
    { "sr", { ',', '.' } },
    { "fr", { ',', ' ' } },
    { "ru", { ',', ' ' } },
    { "pl", { ',', ' ' } },
    { "cs", { ',', ' ' } },
    { "sk", { ',', ' ' } },
    { "sv", { ',', ' ' } },
    { "nb", { ',', ' ' } },
    { "nn", { ',', ' ' } },
    { "no", { ',', ' ' } },
    { "fi", { ',', ' ' } },
    { "hu", { ',', ' ' } },
    { "uk", { ',', ' ' } },
    { "bg", { ',', ' ' } },
    { "lt", { ',', ' ' } },
    { "lv", { ',', ' ' } },
    { "et", { ',', ' ' } },
};

NumberSeparators separatorsByLanguage(const char *name)
{
    for (const auto &entry : kCommaLanguages) {
        const std::size_t length = std::strlen(entry.language);
        if (std::strncmp(name, entry.language, length) == 0
            && (name[length] == '\0' || name[length] == '_' || name[length] == '.'
                || name[length] == '@'))
            return entry.separators;
    }
    return {};
}

} // namespace

NumberSeparators SeparatorsForLocaleName(const char *name)
{
    NumberSeparators result;
    if (name == nullptr || name[0] == '\0')
        return result;
    locale_t locale = newlocale(LC_NUMERIC_MASK, name, static_cast<locale_t>(nullptr));
    if (locale == static_cast<locale_t>(nullptr))
        return separatorsByLanguage(name);
    if (auto decimal = singleByte(nl_langinfo_l(RADIXCHAR, locale)))
        result.Decimal = *decimal;
    if (auto thousands = singleByte(nl_langinfo_l(THOUSEP, locale)))
        result.Thousands = *thousands;
    freelocale(locale);
    return result;
}

NumberSeparators SeparatorsFromEnvironment()
{
    for (const char *variable : { "LC_ALL", "LC_NUMERIC", "LANG" }) {
        const char *value = std::getenv(variable);
        if (value != nullptr && value[0] != '\0')
            return SeparatorsForLocaleName(value);
    }
    return {};
}

const NumberSeparators &CurrentSeparators()
{
    std::lock_guard<std::mutex> lock(separatorsMutex);
    if (overrideSeparators)
        return *overrideSeparators;
    if (!environmentSeparators)
        environmentSeparators = SeparatorsFromEnvironment();
    return *environmentSeparators;
}

void SetNumberSeparators(NumberSeparators separators)
{
    std::lock_guard<std::mutex> lock(separatorsMutex);
    overrideSeparators = separators;
}
