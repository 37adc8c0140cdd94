#include "common/DateTime.h"

#include <array>
#include <chrono>
#include <cstdio>

namespace kalemir {

namespace {

std::tm LocalTime(std::time_t moment) {
    std::tm parts{};
    localtime_r(&moment, &parts);
    return parts;
}

} // namespace

std::string DateText(std::time_t moment) {
    const std::tm t = LocalTime(moment);
    char text[48];
    std::snprintf(text, sizeof text, "%02d-%02d-%04d", t.tm_mon + 1, t.tm_mday, t.tm_year + 1900);
    return text;
}

std::string TimeText(std::time_t moment) {
    const std::tm t = LocalTime(moment);
    char text[48];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", t.tm_hour, t.tm_min, t.tm_sec);
    return text;
}

std::string DateText() {
    return DateText(std::time(nullptr));
}

std::string TimeText() {
    return TimeText(std::time(nullptr));
}

double SecondsOfDay() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t moment = std::chrono::system_clock::to_time_t(now);
    const std::tm t = LocalTime(moment);
    const double fraction =
        std::chrono::duration<double>(now - std::chrono::system_clock::from_time_t(moment)).count();
    return t.tm_hour * 3600.0 + t.tm_min * 60.0 + t.tm_sec + fraction;
}

std::string IsoDateTimeText() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    std::array<char, 32> buffer{};
    std::strftime(buffer.data(), buffer.size(), "%Y-%m-%dT%H:%M:%S", &local);
    return buffer.data();
}

} // namespace kalemir
