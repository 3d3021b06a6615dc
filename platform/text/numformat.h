#pragma once

#include "separators.h"

#include <string>
#include <string_view>

// Numbers to text for what users read: axis labels, coordinates, list entries. No locale of the C
// library is involved; the separators are passed in or taken from CurrentSeparators().
//
// Digits come from the value's 18 significant decimal digits, rounded half away from zero at the
// last shown place, as the runtime's number formatting does: 0.0625 with three decimals gives
// 0.063, while 1.0005 (stored as 1.000499999...) gives 1.

// Formats value with a pattern such as "#,##0.###": '0' is a digit always shown, '#' a digit shown
// when significant, ',' in the integer part switches on grouping by thousands, '.' marks the
// decimal separator; text in quotes and any other character is copied as it stands. A pattern
// without any digit placeholder shows the value as "0.###############" would. Negative values get a
// leading minus unless they round to zero.
std::string FormatFloat(std::string_view pattern, double value, const NumberSeparators &separators);
std::string FormatFloat(std::string_view pattern, double value);

// Fixed-point text with exactly `decimals` decimals (0..18) and at least one integer digit, padded
// with blanks on the left to `width` characters (a longer text is not cut).
// The program's own lists use a point; pass CurrentSeparators() for the user's decimal separator.
std::string FormatFixed(double value, int width, int decimals, char decimalSeparator = '.');
std::string FormatFixed(double value, int width, int decimals, const NumberSeparators &separators);
