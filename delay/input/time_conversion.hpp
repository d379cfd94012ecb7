// SPDX-License-Identifier: MIT
// Cycle counts from a time in seconds and a clock frequency in MHz, as the
// Time input and the command line's -t/-f read them.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace cyclotrim {

// A number read from the start of a text as the Time input reads it.
struct SingleReading {
    std::optional<float> value;  // nothing when the text does not begin with a number
    size_t length = 0;           // of the text up to the number's end, leading blanks included
};

// Reads the number at the start of `text` like sscanf's "%f" into a
// single-precision value, a full stop or the current locale's separator
// being the decimal point (see cycles_text_from_time).
SingleReading read_single(std::string_view text);

// The text for the cycles entry: the whole number of cycles in `time_text`
// seconds at `mhz_text` MHz, rounded down. Both texts are read like sscanf's
// "%f" into single-precision values, up to the first character that does
// not belong to the number; a full stop is a decimal separator, and so is the
// current locale's own where it differs (7.3728 and 7,3728 read alike in a
// German locale). Nothing when the time is zero or no number, the frequency
// is no number, or the product is not finite; the entry then keeps its count.
std::optional<std::string> cycles_text_from_time(std::string_view time_text,
                                                 std::string_view mhz_text);

}  // namespace cyclotrim
