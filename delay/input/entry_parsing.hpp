// SPDX-License-Identifier: MIT
// Reading the numbers and names that the user types into the entries.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace cyclotrim {

// The most cycles the window and the listing forms take, and the most a
// compact delay takes (its counter has up to 32 bits).
constexpr int64_t max_cycle_count = 2147483647;
constexpr int64_t max_compact_cycle_count = 4294967295;

enum class CycleTextProblem { none, no_number, negative, too_large };

struct CycleText {
    CycleTextProblem problem = CycleTextProblem::none;
    int64_t cycles = 0;  // at most the limit the text was read with
};

// What the window says for a cycle text with `problem`; empty for none.
// `limit` is the largest count that was allowed.
std::string cycle_text_refusal(CycleTextProblem problem, int64_t limit = max_cycle_count);

// Reads a whole number like "%d": leading white space, an optional sign and
// decimal digits; whatever follows the digits is ignored. Counts above
// max_cycle_count are too large.
CycleText parse_cycle_text(std::string_view text);

// How much of `text` parse_cycle_text reads as the number: the leading
// white space, the sign and the digits; 0 when there are no digits.
size_t cycle_number_length(std::string_view text);

// Reads a whole number strictly, as the command line takes it: blanks, an
// optional sign and decimal digits, blanks, and nothing else. Anything else
// (1e3, 0x10, 1,000, 1000abc), and -0, is no number; a minus sign before
// any other number makes it negative. Counts above `limit` are too large.
CycleText parse_whole_cycle_count(std::string_view text, int64_t limit = max_cycle_count);

// The first white-space-delimited word of `text`, empty if there is none.
std::string first_word(std::string_view text);

}  // namespace cyclotrim
