// SPDX-License-Identifier: MIT
// An independent reader of delay listings: parses the ldi/dec/brne/nop code
// with its labels (avra's named labels or GNU as numeric local labels) and
// works out, loop by loop, how many cycles it takes on an AVR core. It
// shares no code with the writer.
#pragma once

#include <cstdint>
#include <string>

// What a subroutine's stack instructions cost on the core it runs on.
struct StackCosts {
    int push = 0;
    int pop = 0;
    int ret = 0;
};

struct ListingReading {
    bool ok = false;
    std::string problem;  // why the code cannot be timed, when !ok
    int64_t cycles = 0;
    int64_t header_cycles = -1;  // the count the "; N cycles" header line states
};

// Reads `listing`. Fails for an instruction other than ldi, dec, brne and
// nop, an ldi constant outside 1 to 255, a label defined twice (ignoring
// case, as avra does), a branch that does not close a counting loop, or a
// loop whose counter is unknown. Registers are compared as avra reads them:
// r16 and R016 are one register, and XL (or x) is r26.
//
// With `stack`, the code may be a subroutine: push, pop and ret are timed
// with its costs, every pop must restore the register pushed last, and ret
// must come last, with nothing left on the stack.
ListingReading read_listing(const std::string& listing, const StackCosts* stack = nullptr);
