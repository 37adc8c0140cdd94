#include "tables/TableText.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace kalemir::tables {

namespace {

/// Digits and decimal exponent of a value rounded to `digits` significant digits.
void Scientific(double value, int digits, std::string& mantissaDigits, int& exponent) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value,
                                      std::chars_format::scientific, digits - 1);
    const std::string text(buffer, result.ptr);
    const std::size_t e = text.find('e');
    mantissaDigits.clear();
    for (std::size_t i = 0; i < e; ++i) {
        if (text[i] >= '0' && text[i] <= '9') {
            mantissaDigits += text[i];
        }
    }
    exponent = std::atoi(text.c_str() + e + 1);
}

/// Drops the trailing zeros of a fraction and a bare point.
std::string TrimFraction(std::string text) {
    if (text.find('.') == std::string::npos) {
        return text;
    }
    while (text.back() == '0') {
        text.pop_back();
    }
    if (text.back() == '.') {
        text.pop_back();
    }
    return text == "-0" ? "0" : text;
}

std::string Fixed(double value, int decimals) {
    char buffer[400];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    return std::string(buffer, result.ptr);
}

} // namespace

std::string DescriptorNumber(double value) {
    if (!std::isfinite(value) || value == 0) {
        return "0";
    }
    std::string digits;
    int exponent = 0;
    Scientific(std::fabs(value), 6, digits, exponent);
    while (digits.size() > 1 && digits.back() == '0') {
        digits.pop_back();
    }
    std::string text = value < 0 ? "-" : "";
    const int count = static_cast<int>(digits.size());
    if (exponent < 0) {
        text += "0." + std::string(static_cast<std::size_t>(-exponent - 1), '0') + digits;
    } else if (exponent + 1 >= count) {
        text += digits + std::string(static_cast<std::size_t>(exponent + 1 - count), '0');
    } else {
        text += digits.substr(0, static_cast<std::size_t>(exponent + 1)) + "." +
                digits.substr(static_cast<std::size_t>(exponent + 1));
    }
    return text;
}

std::string PropertyNumber(double value) {
    return TrimFraction(Fixed(value, 4));
}

std::string CoordinateNumber(double value) {
    const std::string text = Fixed(value, 4);
    return text == "-0.0000" ? "0.0000" : text;
}

std::string TokenName(std::string_view name) {
    std::string text(name);
    for (char& c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= ' ' || byte >= 127 || c == ',' || c == '"') {
            c = '_';
        }
    }
    return text;
}

bool ReadMeasuredValue(std::string_view text, double& value) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) {
        return false;
    }
    const auto last = text.find_last_not_of(" \t\r\n");
    text = text.substr(first, last - first + 1);
    if (text.front() == '+') {
        text.remove_prefix(1);
        if (text.empty() || text.front() == '-') {
            return false;
        }
    }
    double number = 0;
    const auto result =
        std::from_chars(text.data(), text.data() + text.size(), number, std::chars_format::general);
    if (result.ec != std::errc() || result.ptr != text.data() + text.size() ||
        !std::isfinite(number)) {
        return false;
    }
    value = number;
    return true;
}

} // namespace kalemir::tables
