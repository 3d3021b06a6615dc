#include "numconv.h"

#include "exceptions.h"
#include "messages.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <system_error>

namespace
{

// Texts up to this length are normalised on the stack; longer ones (hundreds of digits) on the
// heap.
constexpr std::size_t kShortText = 96;

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The parts of a text that passed the syntax check, as offsets into the text.
struct NumberParts {
    bool negative = false;
    std::size_t intBegin = 0, intEnd = 0;
    std::size_t fracBegin = 0, fracEnd = 0;
    std::size_t expBegin = 0, expEnd = 0; // the exponent with its sign, empty when absent
};

bool parseSyntax(std::string_view t, char decimalSeparator, NumberParts &parts)
{
    std::size_t i = 0;
    const std::size_t n = t.size();
    while (i < n && t[i] == ' ')
        ++i;
    if (i < n && (t[i] == '+' || t[i] == '-')) {
        parts.negative = t[i] == '-';
        ++i;
    }
    parts.intBegin = i;
    while (i < n && isDigit(t[i]))
        ++i;
    parts.intEnd = i;
    bool hasSeparator = false;
    parts.fracBegin = parts.fracEnd = i;
    if (i < n && t[i] == decimalSeparator) {
        hasSeparator = true;
        ++i;
        parts.fracBegin = i;
        while (i < n && isDigit(t[i]))
            ++i;
        parts.fracEnd = i;
    }
    if (parts.intEnd == parts.intBegin && !hasSeparator)
        return false;
    parts.expBegin = parts.expEnd = i;
    if (i < n && (t[i] == 'e' || t[i] == 'E')) {
        ++i;
        parts.expBegin = i;
        if (i < n && (t[i] == '+' || t[i] == '-'))
            ++i;
        const std::size_t digits = i;
        while (i < n && isDigit(t[i]))
            ++i;
        if (i == digits)
            return false;
        parts.expEnd = i;
    }
    while (i < n && t[i] == ' ')
        ++i;
    return i == n;
}

// Writes the number in the form std::from_chars reads: [-]digits[.digits][e[-]digits].
template <typename Out> void normalise(std::string_view t, const NumberParts &p, Out &&put)
{
    if (p.negative)
        put('-');
    if (p.intEnd == p.intBegin)
        put('0');
    for (std::size_t i = p.intBegin; i < p.intEnd; ++i)
        put(t[i]);
    if (p.fracEnd > p.fracBegin) {
        put('.');
        for (std::size_t i = p.fracBegin; i < p.fracEnd; ++i)
            put(t[i]);
    }
    if (p.expEnd > p.expBegin) {
        put('e');
        std::size_t i = p.expBegin;
        if (t[i] == '+')
            ++i;
        for (; i < p.expEnd; ++i)
            put(t[i]);
    }
}

// Is the magnitude of the parsed number at least 1? Decides overflow against underflow when the
// conversion reports the value out of range.
bool magnitudeAtLeastOne(std::string_view t, const NumberParts &p)
{
    // Decimal position of the first significant digit: >= 0 means the value is >= 1 before the
    // exponent is applied.
    long long position = 0;
    bool found = false;
    for (std::size_t i = p.intBegin; i < p.intEnd && !found; ++i) {
        if (t[i] != '0') {
            position = static_cast<long long>(p.intEnd - i) - 1;
            found = true;
        }
    }
    for (std::size_t i = p.fracBegin; i < p.fracEnd && !found; ++i) {
        if (t[i] != '0') {
            position = -static_cast<long long>(i - p.fracBegin) - 1;
            found = true;
        }
    }
    if (!found)
        return false;
    long long exponent = 0;
    bool negativeExponent = false;
    std::size_t i = p.expBegin;
    if (i < p.expEnd && (t[i] == '+' || t[i] == '-')) {
        negativeExponent = t[i] == '-';
        ++i;
    }
    for (; i < p.expEnd; ++i) {
        exponent = exponent * 10 + (t[i] - '0');
        if (exponent > 1'000'000'000'000LL)
            exponent = 1'000'000'000'000LL; // saturate: far beyond any floating-point range
    }
    return (negativeExponent ? position - exponent : position + exponent) >= 0;
}

ConvertStatus convertNormalised(const char *first, const char *last, std::string_view t,
    const NumberParts &parts, double &value)
{
    double result = 0.0;
    const auto [end, ec] = std::from_chars(first, last, result);
    if (ec == std::errc() && end == last) {
        value = result;
        return ConvertStatus::Ok;
    }
    if (ec != std::errc::result_out_of_range)
        return ConvertStatus::Invalid;
    if (!magnitudeAtLeastOne(t, parts)) {
        value = parts.negative ? -0.0 : 0.0; // too small for a double: the stored value is zero
        return ConvertStatus::Ok;
    }
    long double extended = 0.0L;
    const auto extendedResult = std::from_chars(first, last, extended);
    return extendedResult.ec == std::errc() ? ConvertStatus::Overflow : ConvertStatus::Invalid;
}

[[noreturn]] void throwStatus(ConvertStatus status, std::string_view text)
{
    if (status == ConvertStatus::Overflow)
        RaiseFloatOverflow();
    ThrowInvalidFloat(text);
}

bool endsField(const char *p, const char *lineEnd)
{
    return p == lineEnd || *p == '\t' || *p == '\0';
}

} // namespace

void ThrowInvalidFloat(std::string_view text)
{
    throw EConvertError(FormatMessage(Messages::InvalidFloat, QuotedText(text)));
}

ConvertStatus TryTextToFloat(std::string_view text, char decimalSeparator, double &value)
{
    // The common case first: a decimal point and a text that starts with a digit (after an
    // optional minus) and that std::from_chars reads whole. From a digit on, its grammar is this
    // one's (digits, the point with optional digits, an exponent with optional sign), so the
    // syntax check can be left out; everything else takes the full path below.
    const std::size_t first = !text.empty() && text[0] == '-' ? 1 : 0;
    if (decimalSeparator == '.' && first < text.size() && isDigit(text[first])) {
        double result = 0.0;
        const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), result);
        if (ec == std::errc() && end == text.data() + text.size()) {
            value = result;
            return ConvertStatus::Ok;
        }
    }
    NumberParts parts;
    if (!parseSyntax(text, decimalSeparator, parts))
        return ConvertStatus::Invalid;
    const std::size_t length = 3 + (parts.intEnd - parts.intBegin)
        + (parts.fracEnd - parts.fracBegin) + (parts.expEnd - parts.expBegin) + 1;
    if (length <= kShortText) {
        char buffer[kShortText];
        char *out = buffer;
        normalise(text, parts, [&out](char c) { *out++ = c; });
        return convertNormalised(buffer, out, text, parts, value);
    }
    std::string buffer;
    buffer.reserve(length);
    normalise(text, parts, [&buffer](char c) { buffer.push_back(c); });
    return convertNormalised(buffer.data(), buffer.data() + buffer.size(), text, parts, value);
}

double StrToFloat(std::string_view text, const NumberSeparators &separators)
{
    double value = 0.0;
    const ConvertStatus status = TryTextToFloat(text, separators.Decimal, value);
    if (status != ConvertStatus::Ok)
        throwStatus(status, text);
    return value;
}

double StrToFloat(std::string_view text)
{
    return StrToFloat(text, CurrentSeparators());
}

bool TryStrToInt(std::string_view text, int &value)
{
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n && text[i] == ' ')
        ++i;
    bool negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    const std::size_t digits = i;
    long long magnitude = 0;
    while (i < n && isDigit(text[i])) {
        magnitude = magnitude * 10 + (text[i] - '0');
        if (magnitude > 2'147'483'648LL)
            return false;
        ++i;
    }
    if (i == digits)
        return false;
    while (i < n && text[i] == ' ')
        ++i;
    if (i != n)
        return false;
    const long long signedValue = negative ? -magnitude : magnitude;
    if (signedValue > std::numeric_limits<int>::max())
        return false;
    value = static_cast<int>(signedValue);
    return true;
}

int StrToInt(std::string_view text)
{
    int value = 0;
    if (!TryStrToInt(text, value))
        throw EConvertError(FormatMessage(Messages::InvalidInteger, QuotedText(text)));
    return value;
}

namespace
{

// Writes field to out (of the same length) with the rightmost comma or point made the decimal
// separator and every comma or point left of it the thousands separator.
void rewriteMarks(std::string_view field, const NumberSeparators &separators, char *out)
{
    bool decimalSeen = false;
    for (std::size_t i = field.size(); i-- > 0;) {
        char c = field[i];
        if (c == ',' || c == '.') {
            c = decimalSeen ? separators.Thousands : separators.Decimal;
            decimalSeen = true;
        }
        out[i] = c;
    }
}

} // namespace

std::string RewriteDecimalMarks(std::string_view field, const NumberSeparators &separators)
{
    std::string text(field.size(), '\0');
    rewriteMarks(field, separators, text.data());
    return text;
}

const char *FieldEnd(const char *p, const char *lineEnd)
{
    const auto length = static_cast<std::size_t>(lineEnd - p);
    const void *tab = std::memchr(p, '\t', length);
    const char *end = tab != nullptr ? static_cast<const char *>(tab) : lineEnd;
    const void *nul = std::memchr(p, '\0', static_cast<std::size_t>(end - p));
    return nul != nullptr ? static_cast<const char *>(nul) : end;
}

namespace
{

// Fields longer than this are first looked over for what no number holds, in one pass, so that
// a field of megabytes is refused without being copied and parsed again and again.
constexpr std::size_t kLongField = 4096;

// Whether the field holds only what a number may hold, with at most one decimal mark (a second
// one becomes the thousands separator, which no number holds).
bool mayBeNumber(std::string_view field)
{
    static const auto allowed = [] {
        std::array<bool, 256> table {};
        for (const char c : std::string_view("0123456789 +-eE"))
            table[static_cast<unsigned char>(c)] = true;
        return table;
    }();
    int marks = 0;
    for (const char c : field) {
        if (c == '.' || c == ',') {
            if (++marks > 1)
                return false;
        } else if (!allowed[static_cast<unsigned char>(c)]) {
            return false;
        }
    }
    return true;
}

} // namespace

double ConvertDataField(std::string_view field, const NumberSeparators &separators)
{
    if (field.size() > kLongField && !mayBeNumber(field)) {
        // The message quotes the start of the rewritten text; which of the marks there becomes
        // the decimal separator depends on the marks after it, so the rightmost one is found.
        std::size_t rightmost = field.size();
        while (rightmost > 0 && field[rightmost - 1] != ',' && field[rightmost - 1] != '.')
            --rightmost;
        --rightmost; // npos when there is no mark
        std::string start(field.substr(0, kQuotedTextBytes + 8));
        for (std::size_t i = 0; i < start.size(); ++i) {
            if (start[i] == ',' || start[i] == '.')
                start[i] = i == rightmost ? separators.Decimal : separators.Thousands;
        }
        ThrowInvalidFloat(start);
    }
    if (field.size() > kShortText)
        return StrToFloat(RewriteDecimalMarks(field, separators), separators);
    char buffer[kShortText];
    rewriteMarks(field, separators, buffer);
    const std::string_view rewritten(buffer, field.size());
    double value = 0.0;
    const ConvertStatus status = TryTextToFloat(rewritten, separators.Decimal, value);
    if (status != ConvertStatus::Ok)
        throwStatus(status, rewritten);
    return value;
}

void RaiseFloatOverflow()
{
    throw EOverflow(std::string(Messages::FloatOverflow));
}

bool ConvertPlainDataField(const char *p, const char *lineEnd, double &value, const char *&fieldEnd)
{
    if (ConvertCommonDataField(p, lineEnd, value, fieldEnd))
        return true;
    // No field this path takes is longer than a few hundred bytes: a longer one is left to the
    // full conversion without being scanned here first.
    constexpr std::ptrdiff_t kPlainLength = 1024;
    const char *const wholeLineEnd = lineEnd;
    if (lineEnd - p > kPlainLength)
        lineEnd = p + kPlainLength;
    while (p != lineEnd && *p == ' ')
        ++p;
    const char *first = p;
    if (p != lineEnd && (*p == '+' || *p == '-')) {
        if (*p == '+')
            first = p + 1;
        ++p;
    }
    const char *digits = p;
    while (p != lineEnd && isDigit(*p))
        ++p;
    std::size_t mantissaDigits = static_cast<std::size_t>(p - digits);
    const char *mark = nullptr;
    if (p != lineEnd && (*p == '.' || *p == ',')) {
        mark = p++;
        const char *fraction = p;
        while (p != lineEnd && isDigit(*p))
            ++p;
        mantissaDigits += static_cast<std::size_t>(p - fraction);
    }
    if (mantissaDigits == 0)
        return false;
    if (p != lineEnd && (*p == 'e' || *p == 'E')) {
        ++p;
        if (p != lineEnd && (*p == '+' || *p == '-'))
            ++p;
        const char *exponent = p;
        while (p != lineEnd && isDigit(*p))
            ++p;
        if (p == exponent)
            return false;
    }
    const char *last = p;
    while (p != lineEnd && *p == ' ')
        ++p;
    if (p == lineEnd && lineEnd != wholeLineEnd)
        return false; // longer than this path looks
    if (!endsField(p, lineEnd))
        return false;

    std::from_chars_result result;
    if (mark == nullptr || *mark == '.') {
        result = std::from_chars(first, last, value);
    } else {
        constexpr std::size_t kShort = 64;
        const auto length = static_cast<std::size_t>(last - first);
        if (length > kShort)
            return false;
        char buffer[kShort];
        std::memcpy(buffer, first, length);
        buffer[mark - first] = '.';
        result = std::from_chars(buffer, buffer + length, value);
        result.ptr = first + (result.ptr - buffer);
    }
    if (result.ec != std::errc() || result.ptr != last)
        return false;
    fieldEnd = p;
    return true;
}
