#include "charttypes.h"

#include <cstdlib>

TColor DefaultPaletteColor(int index)
{
    static constexpr TColor palette[16] = { 0x0000FF, 0x00FF00, 0x00FFFF, 0xFF0000, 0xFFFFFF,
        0x808080, 0xFF00FF, 0x008000, 0x800000, 0x000080, 0x808000, 0x800080, 0x008080, 0xC0C0C0,
        0xFFFF00, 0x000000 };
    const int i = index % 16;
    return palette[i < 0 ? i + 16 : i];
}

int MulDiv(int a, int b, int c)
{
    if (c == 0)
        return -1;
    const long long product = static_cast<long long>(a) * b;
    const bool negative = (product < 0) != (c < 0);
    const long long num = std::llabs(product);
    const long long den = std::llabs(static_cast<long long>(c));
    const long long q = (num + den / 2) / den;
    return static_cast<int>(negative ? -q : q);
}
