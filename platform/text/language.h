#pragma once

#include <string>
#include <string_view>

// The language of the windows and messages: the German texts of the code, or their English
// translation. Chosen as gettext chooses a catalogue for a program whose source texts are German.
enum class UiLanguage { German, English };

// The environment a choice is made from; a null pointer stands for an unset variable.
struct LanguageEnvironment {
    const char *LcAll = nullptr;
    const char *LcMessages = nullptr;
    const char *Lang = nullptr;
    const char *Language = nullptr;
};

// The messages locale is the first set of LC_ALL, LC_MESSAGES and LANG. When it is unset, C or
// POSIX (C.UTF-8 too), German. Otherwise the first of LANGUAGE's colon-separated entries that is
// English or German decides; without one, the messages locale's own language: English for an
// English locale ("en", "en_GB.UTF-8"), German for every other.
UiLanguage ChooseLanguage(const LanguageEnvironment &environment);

// The choice for this process's environment.
UiLanguage LanguageFromEnvironment();

// The language the runtime's messages are given in (German until a program sets another).
void SetMessageLanguage(UiLanguage language);
UiLanguage MessageLanguage();

// A runtime message in the message language. The message texts of the code are German; in
// English, a text found whole in the catalogue built from the translations is replaced, its
// %s and %d fields carried over; a composed text ("file: beschädigt: Zeile 4") is translated
// piece by piece between its ": " and line breaks, and pieces not in the catalogue (file names)
// stay as they are.
std::string TranslatedMessage(std::string_view german);
