#pragma once

#include "exceptions.h"
#include "messages.h"

#include <string>
#include <string_view>

// The chart engine's own error texts (its exception types are in chartexceptions.h).
namespace ChartMessages
{
inline constexpr std::string_view AxisMinimum = "Der Minimalwert einer Achse muß <= Maximum sein";
inline constexpr std::string_view AxisMaximum = "Der Maximalwert einer Achse muß >= Minimum sein";
inline constexpr std::string_view AxisIncrement = "Die Achsensteigung muß >= 0 sein";
inline constexpr std::string_view LabelsSeparation = "Titelseparation % muß größer als 0 sein";
inline constexpr std::string_view Chart3DPercent =
    "Der Prozentsatz für 3D-Effekte muß zwischen %d und %d liegen";
inline constexpr std::string_view CannotCreateFile = "Datei %s kann nicht erstellt werden";
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
