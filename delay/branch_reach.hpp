// SPDX-License-Identifier: MIT
// The last check on every listing before anyone sees it: each branch it
// writes must reach its label. brne and breq reach 64 words back and 63
// forward, rjmp 2048 back and 2047 forward; an assembler refuses a listing
// whose branch jumps further ("Branch out of range"), or a linker does. A
// planner that let a loop's body outgrow its branch has a fault, and the
// listing is refused rather than written.
#pragma once

#include <optional>
#include <string>

namespace cyclotrim {

// How the listing is written: assembler for avra (named labels, PC+1) or for
// GNU as (numeric local labels too: 90001:, brne 90001b, rjmp 90008f), or one C
// statement whose string literals hold GNU as lines.
enum class ListingText { avra, gnu, c_statement };

// The refusal of a listing with a branch that would not reach its label,
// or an instruction this check does not know: "This listing would not
// assemble (...)", naming the line, as a fault of the program; nothing
// when every branch reaches.
std::optional<std::string> branch_reach_problem(const std::string& listing, ListingText text);

}  // namespace cyclotrim
