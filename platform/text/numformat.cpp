#include "numformat.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace
{

constexpr int kSignificant = 18;

// A non-negative decimal number as digits and the position of the decimal point: value =
// 0.d1d2d3... x 10^pointPos.
struct Decimal {
    std::string digits; // no leading zeros except for the value zero (empty)
    int pointPos = 0;
};

Decimal toDecimal(double magnitude)
{
    Decimal d;
    if (magnitude == 0.0)
        return d;
    char buffer[64];
    const auto result = std::to_chars(
        buffer, buffer + sizeof buffer, magnitude, std::chars_format::scientific, kSignificant - 1);
    const std::string_view text(buffer, static_cast<std::size_t>(result.ptr - buffer));
    const std::size_t e = text.find('e');
    for (std::size_t i = 0; i < e; ++i)
        if (text[i] != '.')
            d.digits.push_back(text[i]);
    d.pointPos = std::atoi(std::string(text.substr(e + 1)).c_str()) + 1;
    while (!d.digits.empty() && d.digits.back() == '0')
        d.digits.pop_back();
    return d;
}

// Rounds half away from zero so that at most `decimals` digits follow the point.
void roundTo(Decimal &d, int decimals)
{
    const long keep = static_cast<long>(d.pointPos) + decimals;
    if (keep >= static_cast<long>(d.digits.size()))
        return;
    if (keep < 0) {
        d.digits.clear();
        d.pointPos = 0;
        return;
    }
    const bool up = d.digits[static_cast<std::size_t>(keep)] >= '5';
    d.digits.resize(static_cast<std::size_t>(keep));
    if (up) {
        std::size_t i = d.digits.size();
        while (i > 0 && d.digits[i - 1] == '9') {
            d.digits.pop_back();
            --i;
        }
        if (i == 0) {
            d.digits = "1";
            ++d.pointPos;
        } else {
            ++d.digits[i - 1];
        }
    }
    while (!d.digits.empty() && d.digits.back() == '0')
        d.digits.pop_back();
    if (d.digits.empty())
        d.pointPos = 0;
}

struct NumberPattern {
    std::string prefix, suffix;
    int minInteger = 0;
    int minDecimals = 0;
    int maxDecimals = 0;
    bool grouping = false;
    bool hasPlaceholder = false;
};

NumberPattern parsePattern(std::string_view pattern)
{
    NumberPattern p;
    // Only the first section counts; sections for negative values and zero are not used here.
    bool inNumber = false, afterNumber = false, inDecimals = false;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char c = pattern[i];
        if (c == ';')
            break;
        std::string &literal = afterNumber || inNumber ? p.suffix : p.prefix;
        if (c == '"' || c == '\'') {
            const std::size_t end = pattern.find(c, i + 1);
            const std::size_t stop = end == std::string_view::npos ? pattern.size() : end;
            literal.append(pattern.substr(i + 1, stop - i - 1));
            if (inNumber)
                afterNumber = true, inNumber = false;
            i = stop;
            continue;
        }
        const bool numberChar = !afterNumber
            && (c == '0' || c == '#' || (c == ',' && !inDecimals) || (c == '.' && !inDecimals));
        if (numberChar) {
            inNumber = true;
            p.hasPlaceholder = p.hasPlaceholder || c == '0' || c == '#';
            if (c == '.')
                inDecimals = true;
            else if (c == ',')
                p.grouping = true;
            else if (inDecimals) {
                ++p.maxDecimals;
                if (c == '0')
                    p.minDecimals = p.maxDecimals;
            } else if (c == '0') {
                ++p.minInteger;
            }
            continue;
        }
        if (inNumber) {
            inNumber = false;
            afterNumber = true;
        }
        (afterNumber ? p.suffix : p.prefix).push_back(c);
    }
    if (!p.hasPlaceholder) {
        p.minInteger = 1;
        p.maxDecimals = 15;
        p.minDecimals = 0;
    }
    return p;
}

std::string formatDecimal(const Decimal &d, int minInteger, int minDecimals, bool grouping,
    const NumberSeparators &separators)
{
    std::string integer;
    for (int i = 0; i < d.pointPos; ++i)
        integer.push_back(static_cast<std::size_t>(i) < d.digits.size()
                ? d.digits[static_cast<std::size_t>(i)]
                : '0');
    while (static_cast<int>(integer.size()) < minInteger)
        integer.insert(integer.begin(), '0');
    std::string fraction;
    for (int i = d.pointPos; i < static_cast<int>(d.digits.size()); ++i)
        fraction.push_back(i < 0 ? '0' : d.digits[static_cast<std::size_t>(i)]);
    while (static_cast<int>(fraction.size()) < minDecimals)
        fraction.push_back('0');
    std::string out;
    if (grouping) {
        const std::size_t n = integer.size();
        for (std::size_t i = 0; i < n; ++i) {
            if (i > 0 && (n - i) % 3 == 0)
                out.push_back(separators.Thousands);
            out.push_back(integer[i]);
        }
    } else {
        out = integer;
    }
    if (!fraction.empty()) {
        out.push_back(separators.Decimal);
        out += fraction;
    }
    return out;
}

} // namespace

std::string FormatFloat(std::string_view pattern, double value, const NumberSeparators &separators)
{
    if (std::isnan(value))
        return "NAN";
    if (std::isinf(value))
        return value < 0 ? "-INF" : "INF";
    const NumberPattern p = parsePattern(pattern);
    Decimal d = toDecimal(std::fabs(value));
    roundTo(d, p.maxDecimals);
    std::string out = p.prefix;
    if (value < 0 && !d.digits.empty())
        out.push_back('-');
    out += formatDecimal(d, p.minInteger, p.minDecimals, p.grouping, separators);
    out += p.suffix;
    return out;
}

std::string FormatFloat(std::string_view pattern, double value)
{
    return FormatFloat(pattern, value, CurrentSeparators());
}

std::string FormatFixed(double value, int width, int decimals, char decimalSeparator)
{
    if (decimals < 0)
        decimals = 0;
    if (decimals > kSignificant)
        decimals = kSignificant;
    std::string out;
    if (std::isnan(value) || std::isinf(value)) {
        out = std::isnan(value) ? "NAN" : (value < 0 ? "-INF" : "INF");
    } else {
        Decimal d = toDecimal(std::fabs(value));
        roundTo(d, decimals);
        if (value < 0 && !d.digits.empty())
            out.push_back('-');
        out += formatDecimal(d, 1, decimals, false, NumberSeparators { decimalSeparator, ',' });
    }
    if (static_cast<int>(out.size()) < width)
        out.insert(0, static_cast<std::size_t>(width) - out.size(), ' ');
    return out;
}

std::string FormatFixed(double value, int width, int decimals, const NumberSeparators &separators)
{
    return FormatFixed(value, width, decimals, separators.Decimal);
}
