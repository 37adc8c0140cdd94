#pragma once
// How the table maker writes numbers and names into the suite's tables: plain decimals
// without exponent, names as single tokens the table readers cannot split.

#include <string>
#include <string_view>

namespace kalemir::tables {

/// A descriptor value: at most 6 significant digits, plain decimal form without exponent,
/// no trailing zeros ("0.483091", "742446", "1230000", "0.0000012"); non-finite values and
/// negative zero give "0".
std::string DescriptorNumber(double value);

/// A measured property: rounded to at most 4 decimals, trailing zeros dropped ("6.87",
/// "-0.5", "12").
std::string PropertyNumber(double value);

/// A coordinate of the shape table: always 4 decimals ("8.2640").
std::string CoordinateNumber(double value);

/// A name as one table token: every blank, TAB, comma, double quote, control or non-ASCII
/// byte becomes "_"; an empty name stays empty.
std::string TokenName(std::string_view name);

/// A measured value as the input gives it: the number when the whole text (blanks around
/// it aside) is one finite decimal number, otherwise false ("", "?", "n/a", "1e999").
bool ReadMeasuredValue(std::string_view text, double& value);

} // namespace kalemir::tables
