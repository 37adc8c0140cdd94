#pragma once
// Reading numbers from text boxes and table cells.

#include <string_view>

namespace kalemir {

/// The longest leading decimal number of the text after leading blanks and TABs
/// ("." as decimal point, optional sign and exponent); 0 when there is none ("?").
double TextToNumber(std::string_view text);

/// True when the text, after leading blanks and TABs, begins with a decimal number.
bool BeginsWithNumber(std::string_view text);

/// Length of the leading decimal number of the text (after no skipping), 0 if none.
std::size_t LeadingNumberLength(std::string_view text);

} // namespace kalemir
