// Cycle counts from a time in seconds and a clock frequency in MHz, as the
// Time input and the command line's -t/-f read them.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace cyclotrim {

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
