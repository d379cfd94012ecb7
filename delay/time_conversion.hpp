// Cycle counts from a time in seconds and a clock frequency in MHz, as the
// Time input and the command line's -t/-f read them.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace cyclotrim {

// The text for the cycles entry: the whole number of cycles in `time_text`
// seconds at `mhz_text` MHz, rounded down. Both texts are read like sscanf's
// "%f" into single-precision values in the current locale. Nothing when the time is zero or
// no number, the frequency is no number, or the product is not finite; the
// entry then keeps its count.
std::optional<std::string> cycles_text_from_time(std::string_view time_text,
                                                 std::string_view mhz_text);

}  // namespace cyclotrim
