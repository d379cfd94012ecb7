// SPDX-License-Identifier: MIT
// Cycle counts from the window's Time input: a time and a clock frequency
// read exactly from their decimal texts, as the command line's -t and -f
// read them, with the user's decimal separator taken beside ".".
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "delay/input/exact_time.hpp"

namespace cyclotrim {

// The time entry's text read as -t reads it (a number, then s, ms, us, µs
// or ns; seconds when no unit follows), a full stop or the current locale's
// decimal separator being the point: 7.3728 and 7,3728 read alike in a
// German locale. An empty entry gets a refusal of its own.
QuantityReading read_time_entry(std::string_view text);

// The clock entry's text read as -f reads it (a number, then Hz, kHz or
// MHz; MHz when no unit follows), with the same decimal points.
QuantityReading read_clock_entry(std::string_view text);

// The text for the cycles entry while the user types: time x clock in whole
// cycles, rounded down, written in full even where Start would refuse it.
// Nothing when a text gives no count, the time is zero or negative, or the
// clock is not above 0: the entry then keeps its count.
std::optional<std::string> cycles_text_from_time(std::string_view time_text,
                                                 std::string_view mhz_text);

// The count that Start writes in Time mode: the two texts read again, time
// x clock rounded down, at most max_cycle_count; or why there is none.
TimeInCycles start_count_from_time(std::string_view time_text, std::string_view mhz_text);

}  // namespace cyclotrim
