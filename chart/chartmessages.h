#pragma once

#include "exceptions.h"

#include <string_view>

// The chart engine's own error texts and its exception type.
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

// A refused setting of an axis or of the chart.
class AxisException : public Exception
{
public:
    using Exception::Exception;
};

class ChartException : public Exception
{
public:
    using Exception::Exception;
};

// A picture file that cannot be created or written.
class EFCreateError : public Exception
{
public:
    using Exception::Exception;
};
