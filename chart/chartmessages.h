#pragma once

#include "exceptions.h"
#include "messages.h"

#include <string>
#include <string_view>

// The chart engine's own error texts (its exception types are in chartexceptions.h).
namespace ChartMessages
{
inline constexpr std::string_view AxisMinimum =
    QT_TRANSLATE_NOOP("Messages", "Der Minimalwert einer Achse muß <= Maximum sein");
inline constexpr std::string_view AxisMaximum =
    QT_TRANSLATE_NOOP("Messages", "Der Maximalwert einer Achse muß >= Minimum sein");
inline constexpr std::string_view AxisIncrement =
    QT_TRANSLATE_NOOP("Messages", "Die Achsensteigung muß >= 0 sein");
inline constexpr std::string_view LabelsSeparation =
    QT_TRANSLATE_NOOP("Messages", "Titelseparation % muß größer als 0 sein");
inline constexpr std::string_view Chart3DPercent =
    QT_TRANSLATE_NOOP("Messages", "Der Prozentsatz für 3D-Effekte muß zwischen %d und %d liegen");
inline constexpr std::string_view CannotCreateFile =
    QT_TRANSLATE_NOOP("Messages", "Datei %s kann nicht erstellt werden");
} // namespace ChartMessages

// "Datei NAME kann nicht erstellt werden"; a failure beyond the file's creation (a full or
// read-only disk, a file size limit) adds its reason in brackets: "(E/A-Fehler 28: kein Platz
// mehr auf dem Datenträger)". A folder that is missing or refuses access keeps the message alone.
inline std::string PictureFileError(
    const std::string &fileName, const EInOutError *failure = nullptr)
{
    std::string message = FormatMessage(ChartMessages::CannotCreateFile, fileName);
    if (failure == nullptr)
        return message;
    const std::string_view reason = failure->what();
    for (const std::string_view own : { Messages::FileNotFound, Messages::InvalidFileName,
             Messages::TooManyOpenFiles, Messages::AccessDenied }) {
        if (reason == own)
            return message;
    }
    return message + " (" + std::string(reason) + ")";
}
