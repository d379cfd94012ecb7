// SPDX-License-Identifier: MIT
// The text of a compact delay: a header that states its cycles and words,
// the ldi instructions, the loop and the padding, each part headed by a
// comment that adds up its cycles.
#pragma once

#include <string>
#include <vector>

#include "delay/forms/compact_plan.hpp"
#include "delay/nest/delay_listing.hpp"

namespace cyclotrim {

// How the one-word, two-cycle pad (a relative jump to the next
// instruction) is written: avra's "rjmp PC+1", or for GNU as and C
// "rjmp 90008f" to a numeric local label "90008:" on the next line.
enum class PadSpelling { avra, gnu };

// Writes `plan`. registers[i] holds byte i of the counter, low byte first
// (for sbiw, registers[1] is the high register of the pair), and the
// register after them the outer loop's counter; there must be at least
// plan.registers_used() of them. The loop is labelled as loop 0 of the
// first nest of `labels`, or loop 1 inside an outer loop 0; a loop after it
// takes the rest loop's label, a second one after that the second rest
// label.
std::string write_compact_listing(const CompactPlan& plan, const std::vector<std::string>& registers,
                                  const LoopLabels& labels, PadSpelling pad);

}  // namespace cyclotrim
