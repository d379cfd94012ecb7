// SPDX-License-Identifier: MIT
// A delay whose length is known only at run time: a subroutine that reads
// a count n from r25:r24 (or r24 alone) and takes exactly n units of cycles
// from the first cycle of its call to the instruction after it.
#pragma once

#include <cstdint>
#include <optional>

#include "delay/forms/compact_plan.hpp"
#include "delay/nest/delay_plan.hpp"
#include "delay/forms/subroutine_plan.hpp"

namespace cyclotrim {

struct VariableDelayForm {
    AvrCore core = AvrCore::avre;
    bool long_call = false;   // counted from a call, not an rcall
    bool save = false;        // push and pop the loop registers, counted
    int32_t count_bits = 16;  // n in r25:r24 (16) or in r24 alone (8)
};

// The largest n the count's bits hold: 65535 or 255.
int32_t largest_count(int32_t count_bits);

// The subroutine around the two delays of a pass: what each instruction
// outside them costs, and the cycles left for the delays.
struct VariableDelayFrame {
    int64_t unit = 0;
    CallCosts costs;
    // Registers pushed after the test for n = 0 and popped before the last
    // ret; with none, the subroutine has no pushes, pops or jump over the
    // top of the first pass.
    int32_t saved_registers = 0;
    // Cycles from NAME to the start of the first pass when n >= 1: the test
    // for n = 0 and its branch, and with saving the pushes and a jump.
    int32_t entry_cycles = 0;
    // Cycles of the test for n = 0 (tst or sbiw) and of the count's
    // decrement at the end of each pass (dec or sbiw).
    int32_t test_cycles = 0;
    int32_t decrement_cycles = 0;
    // From the first cycle of the call to the instruction after it, n = 0.
    int32_t zero_cycles = 0;
    // The top of every pass but the first: what the first pass skips pays
    // for the call, the entry, the pops and the return.
    int32_t skipped_cycles = 0;
    // The rest of every pass, before the decrement and its branch.
    int64_t rest_cycles = 0;
    // A pass too long for brne to branch back over it: breq leaves the
    // loop and rjmp goes back, one cycle more a pass and one word more; a
    // subroutine that saves registers then returns for n = 0 from a ret of
    // its own after the entry, where breq reaches it.
    bool jumps_back = false;

    bool saves() const { return saved_registers > 0; }
    // Cycles of the branch back to the top of a pass: brne, or breq and rjmp.
    int32_t loop_back_cycles() const;
    // Words of the entry (the test, its branch, ret or rjmp, and with
    // jumps_back and saving the ret for n = 0) and of the count's decrement
    // with its branch back.
    int32_t entry_words() const;
    int32_t count_words() const;
};

// The frame of a subroutine of `unit` cycles a count that saves `saved`
// registers and, with `jumps_back`, branches back with rjmp; nothing when
// the unit leaves no cycles for the rest of a pass (or the core's call
// timing is not known).
std::optional<VariableDelayFrame> variable_delay_frame(int64_t unit, const VariableDelayForm& form,
                                                       int32_t saved, bool jumps_back = false);

struct VariableDelayPlan {
    VariableDelayFrame frame;
    // The two delays of a pass, planned as the window plans a count.
    DelayPlan skipped;
    DelayPlan rest_of_pass;

    int32_t registers_used() const;
};

// Plans the subroutine for `unit` cycles a count, or nothing when `unit` is
// too small to absorb the call, the return and the loop's own instructions
// (or the core's call timing is not known). A pure function of its inputs.
std::optional<VariableDelayPlan> plan_variable_delay(int32_t unit, const VariableDelayForm& form);

// The smallest unit plan_variable_delay takes for `form`; nothing for a core
// without known call timing.
std::optional<int32_t> smallest_variable_unit(const VariableDelayForm& form);

// The same subroutine in the fewest words: its two delays are compact ones.
struct CompactVariablePlan {
    VariableDelayFrame frame;
    CompactPlan skipped;
    CompactPlan rest_of_pass;

    int32_t registers_used() const;
    // The whole subroutine: the entry, the pushes, both delays, the count,
    // the pops and ret.
    int32_t words() const;
};

// Plans the compact subroutine for `unit` (up to max_compact_cycle_count)
// cycles a count with the registers `usable`. With `form.save` the delays
// may use only the registers saved, the first of those given, as many as
// give the fewest words in all (none, when padding alone is shortest).
// Nothing when the unit is too small (see smallest_compact_variable_unit)
// or a delay would take more than max_compact_words words.
std::optional<CompactVariablePlan> plan_compact_variable_delay(int64_t unit,
                                                               const VariableDelayForm& form,
                                                               const CompactRegisters& usable);

// The smallest unit of a compact subroutine for `form`: with or without
// --save, the frame of a subroutine that saves nothing, whose delays are
// padding; nothing for a core without known call timing.
std::optional<int32_t> smallest_compact_variable_unit(const VariableDelayForm& form);

}  // namespace cyclotrim
