#pragma once
// Reading numbers from text boxes and table cells.

#include <optional>
#include <string>
#include <string_view>

namespace kalemir {

/// The longest leading decimal number of the text after leading blanks and TABs
/// ("." as decimal point, optional sign and exponent); 0 when there is none ("?").
double TextToNumber(std::string_view text);

/// True when the text, after leading blanks and TABs, begins with a decimal number.
bool BeginsWithNumber(std::string_view text);

/// Length of the leading decimal number of the text (after no skipping), 0 if none.
std::size_t LeadingNumberLength(std::string_view text);

/// The text without the blanks and TABs around it.
std::string_view WithoutBlanksAround(std::string_view text);

/// The rule of a number as people type it into a field or an option: a whole number or a
/// decimal with "." (optional sign and exponent), blanks and TABs around it, nothing else.
/// No value when the text is one (TextToNumber then reads all of it); otherwise what was
/// typed and why it is refused: "0,75: use a decimal point", ".05abc: not a number",
/// "nothing typed".
std::optional<std::string> TypedNumberProblem(std::string_view text);

} // namespace kalemir
