// SPDX-License-Identifier: MIT
// An independent reader of compact delay listings and of the subroutines
// around them: parses the code (avra's named labels or GNU as numeric local
// labels) and works out, instruction by instruction, the cycles and words it
// takes on an AVR core. It shares no code with the planner or the writer.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "listing_reader.hpp"

struct CompactReading {
    bool ok = false;
    std::string problem;  // why the code cannot be timed, when !ok
    int64_t cycles = 0;
    int64_t words = 0;
    int64_t header_cycles = -1;  // "; N cycles in W words"
    int64_t header_words = -1;
    // The registers the code leaves changed (written and not popped back),
    // as avra reads them: "r26" for R26, XL and x; a .def alias in lower case.
    std::vector<std::string> changed;
};

struct CompactRun {
    // A subroutine: push, pop and ret are timed with these costs, each pop
    // must restore the register pushed last, and the run ends at a ret with
    // nothing left on the stack. Without it, push, pop and ret are refused.
    const StackCosts* stack = nullptr;
    // Registers the caller has set (number, value); every other register
    // is unknown until the code loads it.
    std::vector<std::pair<int, int>> inputs;
};

// A register name as avra reads it, the way `changed` lists registers:
// "r26" for R26, r026, XL and x; any other name (a .def alias) in lower case.
std::string avra_register_key(std::string_view name);

// Reads `listing`. Takes ldi, nop, a jump to the next instruction ("rjmp
// PC+1", or "rjmp Nf" to a local label N on the next line), dec, tst, sbiw r,K,
// brne and breq forward, rjmp forward and, in a subroutine, push, pop and
// ret. A brne back to a label (or a breq over the next instruction, an rjmp
// back to it) closes a loop whose body ends in a count-down
// chain (dec; subi then sbci; or sbiw then sbci) over registers that hold
// known values, each of them once; before the chain the body may hold
// anything the reader takes but push, pop, ret and jumps, loops too (one
// may start at the same instruction), as long as it leaves the counter
// alone and every pass takes the same cycles, or every pass after the
// first (a loop inside loaded once, before the loop around it). A loop
// leaves its counter at 0. The code runs from its first instruction; a
// branch on a flag that nothing has set, or an instruction that reads an
// unknown register, fails. Fails for anything else.
CompactReading read_compact_listing(std::string_view listing, const CompactRun& run = {});
