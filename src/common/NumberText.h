#pragma once
// Number-to-text rules used wherever a number is joined to text: report lines,
// captions and file names.

#include <string>

namespace kalemir {

/// Plain number form: shortest decimal text of up to 15 significant digits,
/// no leading blank, "0" before the point of magnitudes below 1 (0.25, -0.5, 20).
std::string PlainNumber(double value);

/// Plain number form of a single-precision value (up to 7 significant digits).
std::string PlainNumberSingle(float value);

/// Report form: a leading blank for values that are not negative and no "0" before
/// the point of magnitudes below 1 (" .25", "-.5", " 20").
std::string NumText(double value);

/// Report form of a single-precision value (up to 7 significant digits).
std::string NumTextSingle(float value);

/// Shared rule behind the four forms above, for a given number of significant digits.
std::string FormatNumber(double value, int significantDigits, bool reportForm);

} // namespace kalemir
