#include "messages.h"

#include "utf8.h"

#include <cerrno>
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

std::string QuotedText(std::string_view text)
{
    if (text.size() <= kQuotedTextBytes)
        return std::string(text);
    return std::string(text.substr(0, Utf8CutPoint(text, kQuotedTextBytes))) + "...";
}

std::string WriteFailureText(int systemError)
{
    const char *words = nullptr;
    switch (systemError) {
    case EIO:
        words = QT_TRANSLATE_NOOP("Messages", "Ein-/Ausgabefehler des Datenträgers");
        break;
    case EFBIG:
        words = QT_TRANSLATE_NOOP("Messages", "Grenze der Dateigröße überschritten");
        break;
    case ENOSPC:
        words = QT_TRANSLATE_NOOP("Messages", "kein Platz mehr auf dem Datenträger");
        break;
    case EROFS:
        words = QT_TRANSLATE_NOOP("Messages", "Datenträger schreibgeschützt");
        break;
    case EDQUOT:
        words = QT_TRANSLATE_NOOP("Messages", "Speicherkontingent des Benutzers erschöpft");
        break;
    case EBUSY:
    case ETXTBSY:
        words = QT_TRANSLATE_NOOP("Messages", "Datei wird von einem anderen Programm benutzt");
        break;
    case ENOMEM:
        words = QT_TRANSLATE_NOOP("Messages", "zu wenig Arbeitsspeicher");
        break;
    case EXDEV:
    case ENXIO:
    case ENODEV:
        words = QT_TRANSLATE_NOOP("Messages", "Gerät nicht erreichbar");
        break;
    default:
        break;
    }
    std::string text = FormatMessage(Messages::InOutError, systemError);
    if (words != nullptr)
        text += std::string(": ") + words;
    return text;
}
