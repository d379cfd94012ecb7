// SPDX-License-Identifier: MIT
#include "delay/forms/variable_delay_plan.hpp"

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
// When it saves registers (s of them, s > 0), the entry tests n before
// anything is pushed, so that n = 0 returns as early as without:
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
// loop when the decrement reaches 0, after exactly n passes. Both delays
// are the window's nested loops, or in the compact form compact delays.
//
// A pass whose delays are longer than brne reaches back over ends with
//
//                 sbiw r24,1          d
//                 breq NAME__done     1, and 2 on the last pass
//                 rjmp NAME__next     2
//   NAME__done:   pop ... ret
//
// so the branch back takes 3 cycles where brne took 2, and the last pass
// again one less: the sums above hold with 3 for 2. A subroutine that
// saves registers then has a ret of its own for n = 0 right after the
// rjmp to NAME__pass, since breq cannot reach the last one.

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

// Whether the branches of a frame reach over delays of `words` words. The
// brne at the end of a pass reaches 64 words back from the instruction
// after it, over the delays, the decrement and itself; with saving, the
// breq of the entry reaches 63 words forward to the last ret, over the
// pushes, the rjmp, the passes and the pops. A frame that jumps back with
// rjmp reaches over any delay of a plan.
bool branches_reach(const VariableDelayFrame& frame, int32_t words) {
    if (frame.jumps_back) {
        return true;
    }
    const int32_t brne_back = words + 2;                                  // at most 64
    const int32_t breq_forward = 3 + 2 * frame.saved_registers + words;  // at most 63
    return brne_back <= 64 && (!frame.saves() || breq_forward <= 63);
}

}  // namespace

int32_t largest_count(int32_t count_bits) { return count_bits == 8 ? 255 : 65535; }

int32_t VariableDelayFrame::loop_back_cycles() const {
    return jumps_back ? 1 + relative_jump : taken_branch;
}

int32_t VariableDelayFrame::entry_words() const { return jumps_back && saves() ? 4 : 3; }

int32_t VariableDelayFrame::count_words() const { return jumps_back ? 3 : 2; }

std::optional<VariableDelayFrame> variable_delay_frame(int64_t unit, const VariableDelayForm& form,
                                                       int32_t saved, bool jumps_back) {
    const std::optional<CallCosts> costs = call_costs(form.core, form.long_call);
    if (!costs) {
        return std::nullopt;
    }
    const CountInstructions count = count_instructions(form.count_bits);
    VariableDelayFrame frame;
    frame.unit = unit;
    frame.costs = *costs;
    frame.saved_registers = saved;
    frame.jumps_back = jumps_back;
    frame.test_cycles = count.test;
    frame.decrement_cycles = count.decrement;
    frame.entry_cycles = frame.saves() ? count.test + 1 + saved * costs->push + relative_jump
                                       : count.test + taken_branch;
    frame.zero_cycles = costs->call + count.test + (frame.saves() ? taken_branch : 1) + costs->ret;
    frame.skipped_cycles = costs->call + frame.entry_cycles + saved * costs->pop + costs->ret - 1;
    frame.rest_cycles = unit - frame.skipped_cycles - count.decrement - frame.loop_back_cycles();
    if (frame.rest_cycles < 0) {
        return std::nullopt;
    }
    return frame;
}

int32_t VariableDelayPlan::registers_used() const {
    return std::max(skipped.registers_used(), rest_of_pass.registers_used());
}

std::optional<VariableDelayPlan> plan_variable_delay(int32_t unit, const VariableDelayForm& form) {
    // The fewest saved registers that cover the registers the two delays
    // use; each one saved lengthens what the first pass skips.
    for (int32_t saved = 0; saved <= (form.save ? max_nest_levels : 0); ++saved) {
        std::optional<VariableDelayPlan> plan;
        for (const bool jumps_back : {false, true}) {
            const std::optional<VariableDelayFrame> frame =
                variable_delay_frame(unit, form, saved, jumps_back);
            if (!frame) {
                return std::nullopt;  // saving more only lengthens the skipped part
            }
            LoopPlan first_nest;
            plan = VariableDelayPlan{*frame, plan_delay(frame->skipped_cycles, first_nest),
                                     plan_delay(static_cast<int32_t>(frame->rest_cycles), first_nest)};
            if (branches_reach(*frame, plan->skipped.words() + plan->rest_of_pass.words())) {
                break;
            }
        }
        if (!form.save || plan->registers_used() <= saved) {
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

int32_t CompactVariablePlan::registers_used() const {
    return std::max(skipped.registers_used(), rest_of_pass.registers_used());
}

int32_t CompactVariablePlan::words() const {
    return frame.entry_words() + 2 * frame.saved_registers + skipped.words() +
           rest_of_pass.words() + frame.count_words() + 1;  // the last ret
}

std::optional<CompactVariablePlan> plan_compact_variable_delay(int64_t unit,
                                                               const VariableDelayForm& form,
                                                               const CompactRegisters& usable) {
    std::optional<CompactVariablePlan> best;
    for (int32_t saved = 0; saved <= (form.save ? usable.count : 0); ++saved) {
        const CompactRegisters allowed =
            form.save ? CompactRegisters{saved, usable.sbiw_pair && saved >= 2} : usable;
        for (const bool jumps_back : {false, true}) {
            const std::optional<VariableDelayFrame> frame =
                variable_delay_frame(unit, form, saved, jumps_back);
            if (!frame) {
                return best;  // saving more, or jumping back, only lengthens a pass's frame
            }
            const std::optional<CompactPlan> skipped =
                plan_compact_delay(frame->skipped_cycles, allowed);
            const std::optional<CompactPlan> rest = plan_compact_delay(frame->rest_cycles, allowed);
            if (!skipped || !rest || !branches_reach(*frame, skipped->words() + rest->words())) {
                continue;
            }
            const CompactVariablePlan candidate{*frame, *skipped, *rest};
            if (!best || candidate.words() < best->words()) {
                best = candidate;
            }
        }
    }
    return best;
}

std::optional<int32_t> smallest_compact_variable_unit(const VariableDelayForm& form) {
    if (!call_costs(form.core, form.long_call)) {
        return std::nullopt;
    }
    // A subroutine that saves nothing has the shortest frame, and padding
    // fills its delays without a register.
    int32_t unit = 1;
    while (!variable_delay_frame(unit, form, 0)) {
        ++unit;
    }
    return unit;
}

}  // namespace cyclotrim
