#include "common/NumberText.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace kalemir {

namespace {

/// Exponents outside [-5 + 1, 15 - 1] are written in exponent form: magnitudes below
/// 1E-4 and at least 1E15.
constexpr int kSmallestPlainExponent = -4;
constexpr int kLargestPlainExponent = 14;

std::string ExponentDigits(int exponent) {
    std::string text = exponent < 0 ? "-" : "+";
    std::string digits = std::to_string(std::abs(exponent));
    if (digits.size() < 2) {
        digits.insert(0, "0");
    }
    return text + digits;
}

} // namespace

std::string FormatNumber(double value, int significantDigits, bool reportForm) {
    if (value == 0.0) {
        return reportForm ? " 0" : "0";
    }
    if (std::isnan(value)) {
        return reportForm ? " nan" : "nan";
    }
    if (std::isinf(value)) {
        return value < 0 ? "-inf" : (reportForm ? " inf" : "inf");
    }

    // Scientific text with the wanted significant digits, rounded to nearest by to_chars
    // (locale-independent): d.ddddde+XX.
    char buffer[64];
    auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value,
                                      std::chars_format::scientific, significantDigits - 1);
    (void)error;
    std::string scientific(buffer, end);

    const bool negative = scientific[0] == '-';
    const std::size_t mantissaStart = negative ? 1 : 0;
    const std::size_t ePos = scientific.find('e');
    std::string digits;
    for (std::size_t i = mantissaStart; i < ePos; ++i) {
        if (scientific[i] != '.') {
            digits += scientific[i];
        }
    }
    while (digits.size() > 1 && digits.back() == '0') {
        digits.pop_back();
    }
    const int exponent = std::atoi(scientific.c_str() + ePos + 1);

    std::string text;
    if (negative) {
        text = "-";
    } else if (reportForm) {
        text = " ";
    }

    if (exponent < kSmallestPlainExponent || exponent > kLargestPlainExponent) {
        text += digits[0];
        if (digits.size() > 1) {
            text += '.';
            text += digits.substr(1);
        }
        text += 'E';
        text += ExponentDigits(exponent);
        return text;
    }

    if (exponent < 0) {
        if (!reportForm) {
            text += '0';
        }
        text += '.';
        text.append(static_cast<std::size_t>(-exponent - 1), '0');
        text += digits;
        return text;
    }

    const std::size_t integerDigits = static_cast<std::size_t>(exponent) + 1;
    if (digits.size() <= integerDigits) {
        text += digits;
        text.append(integerDigits - digits.size(), '0');
        return text;
    }
    text += digits.substr(0, integerDigits);
    text += '.';
    text += digits.substr(integerDigits);
    return text;
}

std::string PlainNumber(double value) {
    return FormatNumber(value, 15, false);
}

std::string PlainNumberSingle(float value) {
    return FormatNumber(value, 7, false);
}

std::string NumText(double value) {
    return FormatNumber(value, 15, true);
}

std::string NumTextSingle(float value) {
    return FormatNumber(value, 7, true);
}

} // namespace kalemir
