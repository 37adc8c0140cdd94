#pragma once
// Rounding routines of the reports and statistics.

namespace kalemir {

/// Int(10^d * x + 0.5) * 10^-d with Int the floor (round4, round1): halves go up.
double RoundDown(double value, int decimals);

/// Rounding to d decimals with halves away from zero (signed rounding).
double RoundHalfAway(double value, int decimals);

/// Truncation toward zero.
double Fix(double value);

/// Int: the largest whole number not above the value.
double IntFloor(double value);

/// Nearest whole number, halves to the even neighbour (assignment to a 16-bit integer).
long RoundHalfEven(double value);

/// 10^d and 10^-d as the nearest doubles, for d = 0..15.
double PowerOfTen(int decimals);
double InversePowerOfTen(int decimals);

} // namespace kalemir
