#pragma once

#include <cmath>

// Rounding is written once. Round ties to the even neighbour; truncate toward zero.
// (std::round, lround and qRound round ties away from zero and are not used.)
using Extended = long double;

inline double RoundEven(double value)
{
    return std::nearbyint(value);
}
inline Extended RoundEven(Extended value)
{
    return std::nearbyintl(value);
}
inline double Trunc(double value)
{
    return std::trunc(value);
}
inline Extended Trunc(Extended value)
{
    return std::truncl(value);
}
