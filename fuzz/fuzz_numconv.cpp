// Any bytes as a number text: the conversions accept or raise the runtime's conversion errors,
// never produce an infinity or not-a-number, and agree with each other.

#include "exceptions.h"
#include "fuzzcheck.h"
#include "numconv.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    for (const NumberSeparators separators : { NumberSeparators { '.', ',' },
             NumberSeparators { ',', '.' }, NumberSeparators { ',', ' ' } }) {
        double direct = 0.0;
        const ConvertStatus status = TryTextToFloat(text, separators.Decimal, direct);
        try {
            const double value = StrToFloat(text, separators);
            check(status == ConvertStatus::Ok && std::isfinite(value));
            check(value == direct || (std::isnan(value) && std::isnan(direct)));
        } catch (const EConvertError &) {
            check(status == ConvertStatus::Invalid);
        } catch (const EOverflow &) {
            check(status == ConvertStatus::Overflow);
        }
        try {
            const double field = ConvertDataField(text, separators);
            check(std::isfinite(field));
            // The field conversion is the plain conversion of the rewritten text.
            check(field == StrToFloat(RewriteDecimalMarks(text, separators), separators));
        } catch (const EConvertError &) {
        } catch (const EOverflow &) {
        }
    }
    int integer = 0;
    if (TryStrToInt(text, integer))
        check(StrToInt(text) == integer);
    return 0;
}
