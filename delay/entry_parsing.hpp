// Reading the numbers and names that the user types into the entries.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace cyclotrim {

enum class CycleTextProblem { none, no_number, negative, too_large };

struct CycleText {
    CycleTextProblem problem = CycleTextProblem::none;
    int32_t cycles = 0;
};

// What the window says for a cycle text with `problem`; empty for none.
const char* cycle_text_refusal(CycleTextProblem problem);

// Reads a whole number like "%d": leading white space, an optional sign and
// decimal digits; whatever follows the digits is ignored.
CycleText parse_cycle_text(std::string_view text);

// Reads a whole number strictly, as the command line takes it: blanks, an
// optional sign and decimal digits, blanks, and nothing else. Anything else
// (1e3, 0x10, 1,000, 1000abc), and -0, is no number; a minus sign before
// any other number makes it negative.
CycleText parse_whole_cycle_count(std::string_view text);

// The first white-space-delimited word of `text`, empty if there is none.
std::string first_word(std::string_view text);

}  // namespace cyclotrim
