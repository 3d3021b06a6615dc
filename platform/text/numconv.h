#pragma once

#include "rounding.h"
#include "separators.h"

#include <charconv>
#include <string>
#include <string_view>
#include <system_error>

// Text to number with the runtime's accepted syntax: blanks (code 32 only), an optional sign,
// digits, optionally the decimal separator and digits, optionally "e"/"E", a sign and digits,
// blanks, end. At least one digit or the decimal separator follows the sign. The value is the
// correctly rounded double; a value beyond the double range raises EOverflow, one beyond even the
// extended range fails as a conversion error, and a value too small for a double becomes zero.

enum class ConvertStatus { Ok, Invalid, Overflow };

// The non-throwing core: checks the syntax with the given decimal separator and converts.
ConvertStatus TryTextToFloat(std::string_view text, char decimalSeparator, double &value);

// Throws EConvertError "'%s' ist kein gültiger Gleitkommawert" or EOverflow.
double StrToFloat(std::string_view text, const NumberSeparators &separators);
double StrToFloat(std::string_view text);

// Raises EConvertError "'%s' ist kein gültiger Gleitkommawert" for text.
[[noreturn]] void ThrowInvalidFloat(std::string_view text);

// Whole numbers of 32 bits: blanks, an optional sign, decimal digits, blanks. Anything else or a
// value outside the 32-bit range throws EConvertError "'%s' ist kein gültiger Integerwert".
bool TryStrToInt(std::string_view text, int &value);
int StrToInt(std::string_view text);

// A data field of a spectrum file: the rightmost comma or point becomes the locale's decimal
// separator and every comma or point left of it the thousands separator, then the text is
// converted. A failure quotes the rewritten text.
double ConvertDataField(std::string_view field, const NumberSeparators &separators);

// The common data field in one pass, for the reader's loop: from a digit (after an optional
// minus) std::from_chars reads exactly the accepted syntax (digits, a point with digits, an
// exponent), and a single point is what the rewriting makes the decimal separator under every
// locale; so when it reads up to the field's end (a tab, NUL or lineEnd) the value is the one
// ConvertDataField gives. Anything else (blanks, a plus, a comma, a value out of range) returns
// false and is left to ConvertPlainDataField. On success fieldEnd is the field's end.
inline bool ConvertCommonDataField(
    const char *p, const char *lineEnd, double &value, const char *&fieldEnd)
{
    const char *digit = p != lineEnd && *p == '-' ? p + 1 : p;
    if (digit == lineEnd || *digit < '0' || *digit > '9')
        return false;
    double read = 0.0;
    const auto [end, ec] = std::from_chars(p, lineEnd, read);
    if (ec != std::errc() || (end != lineEnd && *end != '\t' && *end != '\0'))
        return false;
    value = read;
    fieldEnd = end;
    return true;
}

// The fast path of ConvertDataField for the reader's loop, straight from the line: blanks, a
// sign, digits with at most one decimal mark (comma or point), an exponent, blanks, then a tab,
// NUL or lineEnd. With one mark, the rewriting makes it the decimal separator, so the value is
// what ConvertDataField gives whenever the locale's decimal separator is a comma or a point.
// Anything else (two marks, letters, a value out of range) returns false and is left to
// ConvertDataField, which raises the right error. On success fieldEnd is the field's end.
bool ConvertPlainDataField(
    const char *p, const char *lineEnd, double &value, const char *&fieldEnd);

// Where the field starting at p ends: at the first tab or NUL, else at lineEnd.
const char *FieldEnd(const char *p, const char *lineEnd);

// The rewriting alone, for messages and tests.
std::string RewriteDecimalMarks(std::string_view field, const NumberSeparators &separators);

// Raises EOverflow "Gleitkommaüberlauf": a result beyond the double range, which the program
// never lets into its data as an infinity.
[[noreturn]] void RaiseFloatOverflow();

// An extended-precision result rounded to the double it is stored as; one that is not finite
// there raises EOverflow.
inline double FiniteDouble(Extended value)
{
    const double stored = static_cast<double>(value);
    if (!std::isfinite(stored))
        RaiseFloatOverflow();
    return stored;
}
