#pragma once
// Dates and times as the reports write them.

#include <ctime>
#include <string>

namespace kalemir {

/// mm-dd-yyyy of the given moment (local time).
std::string DateText(std::time_t moment);
/// hh:mm:ss of the given moment (local time).
std::string TimeText(std::time_t moment);
/// The current date and time.
std::string DateText();
std::string TimeText();
/// The current local date and time as yyyy-mm-ddThh:mm:ss (result files).
std::string IsoDateTimeText();
/// Seconds since midnight, local time: elapsed-time figures use the time of day.
double SecondsOfDay();

} // namespace kalemir
