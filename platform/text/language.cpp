#include "language.h"

#include "messagecatalogue.h"

#include <atomic>
#include <cstdlib>
#include <optional>
#include <vector>

namespace
{

std::atomic<UiLanguage> g_language { UiLanguage::German };

bool isSet(const char *value)
{
    return value != nullptr && *value != '\0';
}

// "en_US.UTF-8@euro" -> "en".
std::string_view languageOf(std::string_view locale)
{
    return locale.substr(0, locale.find_first_of("_.@"));
}

bool isPlainC(std::string_view locale)
{
    return locale == "POSIX" || languageOf(locale) == "C";
}

// The fields a pattern's %s and %d stand for in text, or nothing when text is not of the pattern.
std::optional<std::vector<std::string_view>> match(std::string_view pattern, std::string_view text)
{
    std::vector<std::string_view> fields;
    while (true) {
        const std::size_t field = pattern.find('%');
        if (field == std::string_view::npos || field + 1 >= pattern.size()
            || (pattern[field + 1] != 's' && pattern[field + 1] != 'd')) {
            if (pattern != text)
                return std::nullopt;
            return fields;
        }
        if (text.substr(0, field) != pattern.substr(0, field))
            return std::nullopt;
        const bool number = pattern[field + 1] == 'd';
        pattern.remove_prefix(field + 2);
        text.remove_prefix(field);
        // The field reaches to the next literal part of the pattern (to the end without one).
        const std::size_t next = pattern.find('%');
        const std::string_view literal = pattern.substr(0, next);
        std::size_t end = text.size();
        if (!literal.empty()) {
            end = next == std::string_view::npos ? text.rfind(literal) : text.find(literal);
            if (end == std::string_view::npos
                || (next == std::string_view::npos && end + literal.size() != text.size()))
                return std::nullopt;
        } else if (next != std::string_view::npos) {
            return std::nullopt;
        }
        const std::string_view value = text.substr(0, end);
        if (value.empty())
            return std::nullopt;
        if (number) {
            const std::string_view digits = value[0] == '-' ? value.substr(1) : value;
            if (digits.empty() || digits.find_first_not_of("0123456789") != std::string_view::npos)
                return std::nullopt;
        }
        fields.push_back(value);
        text.remove_prefix(end);
    }
}

std::string translatedPieces(std::string_view german);

// The translation with the fields filled in, a text field translated in turn ("Schreibfehler: %s"
// around "E/A-Fehler 28: kein Platz mehr auf dem Datenträger").
std::string fill(std::string_view translation, const std::vector<std::string_view> &fields)
{
    std::string text;
    std::size_t next = 0;
    for (std::size_t i = 0; i < translation.size(); ++i) {
        if (translation[i] == '%' && i + 1 < translation.size()
            && (translation[i + 1] == 's' || translation[i + 1] == 'd') && next < fields.size()) {
            text += translation[i + 1] == 's' ? translatedPieces(fields[next]) : fields[next];
            ++next;
            ++i;
        } else {
            text += translation[i];
        }
    }
    return text;
}

std::optional<std::string> translatedWhole(std::string_view german)
{
    for (const MessageTranslation &entry : MessageCatalogue())
        if (const auto fields = match(entry.German, german))
            return fill(entry.English, *fields);
    return std::nullopt;
}

// A line: whole if it can be, else from its first piece on (pieces between ": "), each rest of
// the line tried whole before its first piece is taken alone ("a.spc: Schreibfehler: %s").
std::string translatedLine(std::string_view line)
{
    std::string text;
    while (true) {
        if (auto whole = translatedWhole(line))
            return text + *whole;
        const std::size_t at = line.find(": ");
        if (at == std::string_view::npos)
            return text + std::string(line);
        const std::string_view piece = line.substr(0, at);
        const auto translated = translatedWhole(piece);
        text += translated ? *translated : std::string(piece);
        text += ": ";
        line.remove_prefix(at + 2);
    }
}

// Line by line (and cell by cell between tabs), without recursion, for a list of any length.
std::string translatedPieces(std::string_view german)
{
    std::string text;
    text.reserve(german.size());
    while (true) {
        const std::size_t at = german.find_first_of("\r\n\t");
        text += translatedLine(german.substr(0, at));
        if (at == std::string_view::npos)
            return text;
        text += german[at];
        german.remove_prefix(at + 1);
    }
}

} // namespace

UiLanguage ChooseLanguage(const LanguageEnvironment &environment)
{
    const char *locale = isSet(environment.LcAll) ? environment.LcAll
        : isSet(environment.LcMessages)           ? environment.LcMessages
                                                  : environment.Lang;
    if (!isSet(locale) || isPlainC(locale))
        return UiLanguage::German;
    if (isSet(environment.Language)) {
        std::string_view list = environment.Language;
        while (!list.empty()) {
            const std::size_t colon = list.find(':');
            const std::string_view language = languageOf(list.substr(0, colon));
            if (language == "en")
                return UiLanguage::English;
            if (language == "de")
                return UiLanguage::German;
            list = colon == std::string_view::npos ? std::string_view() : list.substr(colon + 1);
        }
    }
    return languageOf(locale) == "en" ? UiLanguage::English : UiLanguage::German;
}

UiLanguage LanguageFromEnvironment()
{
    return ChooseLanguage({ std::getenv("LC_ALL"), std::getenv("LC_MESSAGES"), std::getenv("LANG"),
        std::getenv("LANGUAGE") });
}

void SetMessageLanguage(UiLanguage language)
{
    g_language = language;
}

UiLanguage MessageLanguage()
{
    return g_language;
}

std::string TranslatedMessage(std::string_view german)
{
    if (g_language == UiLanguage::German)
        return std::string(german);
    return translatedPieces(german);
}
