#include "delay/variable_delay_plan.hpp"

#include <algorithm>

namespace cyclotrim {

// The subroutine, for a 16-bit count (8 bits: tst r24 and dec r24, 1 cycle
// each, where it has sbiw r24,0 and sbiw r24,1, 2 cycles each):
//
//   NAME:         sbiw r24,0          2   Z when n = 0
//                 brne NAME__pass     2   n = 0: 1, then ret
//                 ret
//   NAME__next:   [skipped]           S   every pass but the first
//   NAME__pass:   [rest of pass]      P
//                 sbiw r24,1          d = 2
//                 brne NAME__next     2, and 1 on the last pass
//                 ret                 R
//
// With saving, the entry tests n before anything is pushed, so that n = 0
// returns as early as without:
//
//   NAME:         sbiw r24,0          2
//                 breq NAME__zero     1   n = 0: 2, to the last ret
//                 push ...            s x push
//                 rjmp NAME__pass     2
//                 ... the passes as above, then pop ... (s x pop) before
//   NAME__zero:   ret
//
// Every pass takes S + P + d + 2 = UNIT, except that the first does not run
// S and the last saves a cycle in its brne. With E the entry's cycles (from
// NAME to NAME__pass) and C the call's, n >= 1 takes
//
//   C + E + n (P + d + 2) + (n - 1) S - 1 + s x pop + R
//     = n UNIT - S + (C + E + s x pop + R - 1),
//
// so S = C + E + s x pop + R - 1 makes it exactly n UNIT, with no constant
// term; P = UNIT - S - d - 2 must not be negative, which sets the smallest
// UNIT. The counting is exact for every n the count holds: brne leaves the
// loop when the decrement reaches 0, after exactly n passes.

namespace {

struct CountInstructions {
    int32_t test;       // tst r24 or sbiw r24,0
    int32_t decrement;  // dec r24 or sbiw r24,1
};

CountInstructions count_instructions(int32_t count_bits) {
    return count_bits == 8 ? CountInstructions{1, 1} : CountInstructions{2, 2};
}

constexpr int32_t taken_branch = 2;  // brne, breq; 1 when not taken
constexpr int32_t relative_jump = 2;  // rjmp

}  // namespace

int32_t largest_count(int32_t count_bits) { return count_bits == 8 ? 255 : 65535; }

int32_t VariableDelayPlan::registers_used() const {
    return std::max(skipped.registers_used(), rest_of_pass.registers_used());
}

std::optional<VariableDelayPlan> plan_variable_delay(int32_t unit, const VariableDelayForm& form) {
    const std::optional<CallCosts> costs = call_costs(form.core, form.long_call);
    if (!costs) {
        return std::nullopt;
    }
    const CountInstructions count = count_instructions(form.count_bits);
    // The fewest saved registers that cover the registers the two delays
    // use; each one saved lengthens what the first pass skips.
    for (int32_t saved = 0; saved <= (form.save ? max_nest_levels : 0); ++saved) {
        VariableDelayPlan plan;
        plan.unit = unit;
        plan.costs = *costs;
        plan.saved_registers = saved;
        plan.test_cycles = count.test;
        plan.decrement_cycles = count.decrement;
        plan.entry_cycles = form.save ? count.test + 1 + saved * costs->push + relative_jump
                                      : count.test + taken_branch;
        plan.zero_cycles =
            costs->call + count.test + (form.save ? taken_branch : 1) + costs->ret;
        const int32_t skipped =
            costs->call + plan.entry_cycles + saved * costs->pop + costs->ret - 1;
        const int32_t rest = unit - skipped - count.decrement - taken_branch;
        if (rest < 0) {
            return std::nullopt;  // saving more only lengthens the skipped part
        }
        LoopPlan first_nest;
        plan.skipped = plan_delay(skipped, first_nest);
        plan.rest_of_pass = plan_delay(rest, first_nest);
        if (!form.save || plan.registers_used() <= saved) {
            return plan;
        }
    }
    return std::nullopt;
}

std::optional<int32_t> smallest_variable_unit(const VariableDelayForm& form) {
    if (!call_costs(form.core, form.long_call)) {
        return std::nullopt;
    }
    // Once a unit fits, every larger one does: the rest of a pass only grows.
    int32_t unit = 1;
    while (!plan_variable_delay(unit, form)) {
        ++unit;
    }
    return unit;
}

}  // namespace cyclotrim
