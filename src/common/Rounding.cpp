#include "common/Rounding.h"

#include <cassert>
#include <cmath>

namespace kalemir {

namespace {

constexpr double kPowers[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                              1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
constexpr double kInversePowers[] = {1e0,  1e-1, 1e-2,  1e-3,  1e-4,  1e-5,  1e-6,  1e-7,
                                     1e-8, 1e-9, 1e-10, 1e-11, 1e-12, 1e-13, 1e-14, 1e-15};

} // namespace

double PowerOfTen(int decimals) {
    assert(decimals >= 0 && decimals <= 15 && "decimals out of range");
    return kPowers[decimals];
}

double InversePowerOfTen(int decimals) {
    assert(decimals >= 0 && decimals <= 15 && "decimals out of range");
    return kInversePowers[decimals];
}

double RoundDown(double value, int decimals) {
    return std::floor(PowerOfTen(decimals) * value + 0.5) * InversePowerOfTen(decimals);
}

double RoundHalfAway(double value, int decimals) {
    const double scaled = std::fabs(PowerOfTen(decimals) * value);
    const double rounded = std::floor(scaled + 0.5) * InversePowerOfTen(decimals);
    return value < 0 ? -rounded : rounded;
}

double Fix(double value) {
    return std::trunc(value);
}

double IntFloor(double value) {
    return std::floor(value);
}

long RoundHalfEven(double value) {
    const double lower = std::floor(value);
    const double fraction = value - lower;
    long result = static_cast<long>(lower);
    if (fraction > 0.5 || (fraction == 0.5 && (result % 2 != 0))) {
        ++result;
    }
    return result;
}

} // namespace kalemir
