// SPDX-License-Identifier: MIT
// Cycle counts from a time and a clock frequency, computed exactly from
// their decimal texts, for the command line and the window's Time input.
// "." is the decimal point, and a unit may follow the number; the window
// also takes its locale's separator.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "delay/input/entry_parsing.hpp"

namespace cyclotrim {

// A decimal number read exactly, in seconds or in hertz:
// (negative ? -1 : 1) x digits x 10^exponent.
struct Quantity {
    bool negative = false;
    std::string digits;  // no leading zeros; empty for zero
    int64_t exponent = 0;
    std::string number_text;  // the number as written, for the listing's comment
    std::string unit;         // the unit in ASCII (us for µs), or the default one
};

struct QuantityReading {
    bool ok = false;
    Quantity quantity;
    std::string problem;  // why the text was refused, when !ok
};

// A time: a number ("." as the point, or `other_point` where that is not
// empty; an exponent allowed) and an optional unit s, ms, us (or µs), ns; no
// unit means seconds.
QuantityReading read_time(std::string_view text, std::string_view other_point = {});

// A clock frequency: a number as for a time and an optional unit Hz, kHz or
// MHz; no unit means MHz.
QuantityReading read_clock(std::string_view text, std::string_view other_point = {});

enum class Rounding { down, nearest, up };

// time x clock in whole cycles, rounded down, written in full however large
// (up to 40 digits); nothing for a negative time or a clock not above 0.
std::optional<std::string> whole_cycles_text(const Quantity& time, const Quantity& clock);

struct TimeInCycles {
    bool ok = false;
    int64_t cycles = 0;
    // One sentence for the listing's comment, stating the time, the clock,
    // the cycles and how far the delay is from the time asked for; or why
    // there is no count.
    std::string comment_or_problem;
};

// time x clock in cycles, rounded as asked (nearest: halves go up). A count
// outside 0 to `limit` (at most max_compact_cycle_count), or a clock that is
// not above 0, is refused.
TimeInCycles cycles_for_time(const Quantity& time, const Quantity& clock, Rounding rounding,
                             int64_t limit = max_cycle_count);

// How far `count` delays of the rounded count are from `count` times the
// time asked for, worded as in cycles_for_time's comment ("52428 cycles
// (7.111 ms) shorter than asked"); empty when the count is exact or refused.
std::string deviation_after(const Quantity& time, const Quantity& clock, Rounding rounding,
                            int32_t count);

}  // namespace cyclotrim
