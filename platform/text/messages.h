#pragma once

#include "translatable.h"

#include <cstddef>
#include <string>
#include <string_view>

// The runtime's message texts, in one place. %s and %d are filled by FormatMessage.
namespace Messages
{
inline constexpr std::string_view FileNotFound =
    QT_TRANSLATE_NOOP("Messages", "Datei nicht gefunden");
inline constexpr std::string_view PresetNotFound =
    QT_TRANSLATE_NOOP("Messages", "Datei nicht gefunden (%s)");
inline constexpr std::string_view InvalidFileName =
    QT_TRANSLATE_NOOP("Messages", "Ungültiger Dateiname");
inline constexpr std::string_view TooManyOpenFiles =
    QT_TRANSLATE_NOOP("Messages", "Zu viele geöffnete Dateien");
inline constexpr std::string_view AccessDenied =
    QT_TRANSLATE_NOOP("Messages", "Dateizugriff verweigert");
inline constexpr std::string_view InOutError = QT_TRANSLATE_NOOP("Messages", "E/A-Fehler %d");
inline constexpr std::string_view InvalidFloat =
    QT_TRANSLATE_NOOP("Messages", "'%s' ist kein gültiger Gleitkommawert");
inline constexpr std::string_view InvalidInteger =
    QT_TRANSLATE_NOOP("Messages", "'%s' ist kein gültiger Integerwert");
inline constexpr std::string_view FloatOverflow =
    QT_TRANSLATE_NOOP("Messages", "Gleitkommaüberlauf");
inline constexpr std::string_view FloatZeroDivide =
    QT_TRANSLATE_NOOP("Messages", "Gleitkommadivision durch Null");
inline constexpr std::string_view OutOfMemory =
    QT_TRANSLATE_NOOP("Messages", "Zu wenig Arbeitsspeicher");
inline constexpr std::string_view WriteError = QT_TRANSLATE_NOOP("Messages", "Schreibfehler: %s");
inline constexpr std::string_view ListIndexError =
    QT_TRANSLATE_NOOP("Messages", "Der Index der Liste überschreitet das Maximum (%d)");

// The viewer's own refusals, shown in its message boxes.
inline constexpr std::string_view SpectrumNumberRange =
    QT_TRANSLATE_NOOP("Messages", "Die Nummer des Spektrums muss zwischen 0 und %d liegen.");
inline constexpr std::string_view NoSpectrumShown =
    QT_TRANSLATE_NOOP("Messages", "Es wird kein Spektrum angezeigt.");
inline constexpr std::string_view TooManySpectra =
    QT_TRANSLATE_NOOP("Messages", "Es können höchstens %d Spektren zusammen angezeigt werden.");
} // namespace Messages

// What a message quotes of a text that came from a file: the text itself when it is at most
// kQuotedTextBytes long, else its first bytes and "..." (never cut inside a UTF-8 character), so
// that a field of megabytes makes a message of one line.
inline constexpr std::size_t kQuotedTextBytes = 40;
std::string QuotedText(std::string_view text);

// A save's error in words after its number, for the failures that have no message of their own:
// "E/A-Fehler 28: kein Platz mehr auf dem Datenträger"; just "E/A-Fehler %d" for a number without
// words here.
std::string WriteFailureText(int systemError);

// The system's reason for an error number in the user's language (LC_ALL, LC_MESSAGES, LANG),
// as a command prints it: "Auf dem Gerät ist kein Speicherplatz mehr verfügbar" for ENOSPC.
std::string SystemErrorText(int systemError);

// Replaces the first %s or %d of pattern with argument; the message patterns hold at most one.
std::string FormatMessage(std::string_view pattern, std::string_view argument);
std::string FormatMessage(std::string_view pattern, long long argument);
