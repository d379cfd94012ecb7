// SPDX-License-Identifier: MIT
#include "delay/input/time_conversion.hpp"

#include <clocale>

#include "delay/text_format.hpp"

namespace cyclotrim {

namespace {

// The current locale's decimal separator; the start-up of the window sets
// the locale from the user's environment.
std::string_view locale_decimal_separator() { return std::localeconv()->decimal_point; }

// `text` read by `read` with the locale's separator, or refused as empty.
QuantityReading read_entry(std::string_view text,
                           QuantityReading (*read)(std::string_view, std::string_view),
                           const char* refusal_when_empty) {
    if (without_surrounding_blanks(text).empty()) {
        QuantityReading empty;
        empty.problem = refusal_when_empty;
        return empty;
    }
    return read(text, locale_decimal_separator());
}

}  // namespace

QuantityReading read_time_entry(std::string_view text) {
    return read_entry(text, read_time, "No time: type one, such as 1.5ms.");
}

QuantityReading read_clock_entry(std::string_view text) {
    return read_entry(text, read_clock, "No clock frequency: type one, such as 16MHz.");
}

std::optional<std::string> cycles_text_from_time(std::string_view time_text,
                                                 std::string_view mhz_text) {
    const QuantityReading time = read_time_entry(time_text);
    const QuantityReading clock = read_clock_entry(mhz_text);
    if (!time.ok || !clock.ok || time.quantity.digits.empty()) {
        return std::nullopt;
    }
    return whole_cycles_text(time.quantity, clock.quantity);
}

TimeInCycles start_count_from_time(std::string_view time_text, std::string_view mhz_text) {
    const QuantityReading time = read_time_entry(time_text);
    const QuantityReading clock = read_clock_entry(mhz_text);
    if (!time.ok || !clock.ok) {
        TimeInCycles refused;
        refused.comment_or_problem = !time.ok ? time.problem : clock.problem;
        return refused;
    }
    return cycles_for_time(time.quantity, clock.quantity, Rounding::down);
}

}  // namespace cyclotrim
