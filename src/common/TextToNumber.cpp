#include "common/TextToNumber.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace kalemir {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string_view SkipLeadingSeparators(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) {
        ++i;
    }
    return text.substr(i);
}

bool IsNumberThroughout(std::string_view text) {
    return !text.empty() && LeadingNumberLength(text) == text.size();
}

} // namespace

std::size_t LeadingNumberLength(std::string_view text) {
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        ++i;
    }
    std::size_t mantissaDigits = 0;
    while (i < text.size() && IsDigit(text[i])) {
        ++i;
        ++mantissaDigits;
    }
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && IsDigit(text[i])) {
            ++i;
            ++mantissaDigits;
        }
    }
    if (mantissaDigits == 0) {
        return 0;
    }
    // An exponent counts only when at least one digit follows the letter and its sign.
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) {
            ++j;
        }
        if (j < text.size() && IsDigit(text[j])) {
            while (j < text.size() && IsDigit(text[j])) {
                ++j;
            }
            i = j;
        }
    }
    return i;
}

bool BeginsWithNumber(std::string_view text) {
    return LeadingNumberLength(SkipLeadingSeparators(text)) > 0;
}

double TextToNumber(std::string_view text) {
    text = SkipLeadingSeparators(text);
    const std::size_t length = LeadingNumberLength(text);
    if (length == 0) {
        return 0.0;
    }
    std::string_view number = text.substr(0, length);
    bool negative = false;
    if (number[0] == '+' || number[0] == '-') {
        negative = number[0] == '-';
        number.remove_prefix(1);
    }
    double value = 0.0;
    const auto result = std::from_chars(number.data(), number.data() + number.size(), value);
    if (result.ec == std::errc::result_out_of_range) {
        // Decide between overflow and underflow from the exponent's sign and size.
        const std::size_t ePos = number.find_first_of("eE");
        const bool tiny = ePos != std::string_view::npos && number[ePos + 1] == '-';
        value = tiny ? 0.0 : std::numeric_limits<double>::max();
    }
    return negative ? -value : value;
}

std::string_view WithoutBlanksAround(std::string_view text) {
    text = SkipLeadingSeparators(text);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return text;
}

std::optional<std::string> TypedNumberProblem(std::string_view text) {
    const std::string_view typed = WithoutBlanksAround(text);
    if (typed.empty()) {
        return "nothing typed";
    }
    if (IsNumberThroughout(typed)) {
        return std::nullopt;
    }
    // One comma where the point belongs: the decimal comma of many desktops' locales.
    const std::size_t comma = typed.find(',');
    if (comma != std::string_view::npos && typed.find(',', comma + 1) == std::string_view::npos) {
        std::string pointed(typed);
        pointed[comma] = '.';
        if (IsNumberThroughout(pointed)) {
            return std::string(typed) + ": use a decimal point";
        }
    }
    return std::string(typed) + ": not a number";
}

} // namespace kalemir
