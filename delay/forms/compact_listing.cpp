// SPDX-License-Identifier: MIT
#include "delay/forms/compact_listing.hpp"

namespace cyclotrim {

namespace {

// "s" after a count other than one.
const char* plural(int64_t count) { return count == 1 ? "" : "s"; }

// A byte as the window's listing writes ldi constants: 0x followed by
// lower-case hexadecimal digits without leading zeros.
std::string hex_byte(uint32_t value) {
    const char* const digits = "0123456789abcdef";
    std::string text = "0x";
    if (value >= 16) {
        text += digits[value >> 4];
    }
    return text + digits[value & 15];
}

std::string padding_lines(int64_t cycles, PadSpelling pad) {
    // GNU as reads "rjmp .+0" as a jump to the next instruction, clang's
    // assembler as one to itself, which never ends; a numeric local label
    // means the same to both.
    const std::string two_cycles = pad == PadSpelling::avra
                                       ? "\trjmp PC+1\n"
                                       : "\trjmp " + numeric_label(8) + "f\n" + numeric_label(8) + ":\n";
    std::string text;
    for (int64_t i = 0; i < cycles / 2; ++i) {
        text += two_cycles;
    }
    return cycles % 2 == 1 ? text + "\tnop\n" : text;
}

std::string count_down_lines(const CompactLoop& loop, const std::vector<std::string>& registers) {
    if (loop.count_down == CountDown::dec) {
        return "\tdec " + registers[0] + "\n";
    }
    const bool sbiw = loop.count_down == CountDown::sbiw;
    std::string text = (sbiw ? "\tsbiw " : "\tsubi ") + registers[0] + ",1\n";
    for (int32_t i = sbiw ? 2 : 1; i < loop.bytes; ++i) {
        text += "\tsbci " + registers[i] + ",0\n";
    }
    return text;
}

std::string register_line(const std::vector<std::string>& registers, int32_t used) {
    std::string line = "; " + std::to_string(used) + " register" + plural(used) + " used";
    for (int32_t i = 0; i < used; ++i) {
        line += (i == 0 ? ": " : ", ") + registers[i];
    }
    return line + "\n";
}

// The comment over a loop that adds up its cycles.
std::string loop_comment(const char* what, const CompactLoop& loop) {
    std::string text = std::string(";") + what + ": ";
    if (loop.loads_counter) {
        text += std::to_string(loop.bytes) + " ldi + ";
    }
    text += std::to_string(loop.passes()) + " passes x " + std::to_string(loop.pass_cycles()) +
            " cycles";
    if (loop.body_padding > 0) {
        text += " (" + std::to_string(loop.body_padding) + " of padding)";
    }
    return text + " - 1 = " + std::to_string(loop.cycles()) + " cycles\n";
}

// The loop's ldi instructions.
std::string load_lines(const CompactLoop& loop, const std::vector<std::string>& registers) {
    std::string text;
    for (int32_t i = 0; loop.loads_counter && i < loop.bytes; ++i) {
        text += "\tldi " + registers[i] + "," + hex_byte((loop.counter >> (8 * i)) & 0xffu) + "\n";
    }
    return text;
}

// The loop's code, its first instruction labelled `label` (without colon)
// and its brne branching to `target`.
std::string loop_code(const CompactLoop& loop, const std::vector<std::string>& registers,
                      const std::string& label, const std::string& target, PadSpelling pad) {
    // The label goes on the loop's first instruction, as in the window's listing.
    return load_lines(loop, registers) + label + ":" + padding_lines(loop.body_padding, pad) +
           count_down_lines(loop, registers) + "\tbrne " + target + "\n";
}

// An 8-bit loop around the counting loop, on the register after the
// counter's: loop 0 of `labels`, the counting loop loop 1. The loop's ldi
// instructions come first in the outer loop's body or, when it loads them
// once, before its own ldi.
std::string nest_text(const CompactPlan& plan, const std::vector<std::string>& registers,
                      const LoopLabels& labels, PadSpelling pad) {
    const CompactLoop& loop = *plan.loop;
    const OuterLoop& outer = *plan.outer;
    const std::string& counter_register = registers[loop.bytes];
    const std::string padding =
        outer.padding > 0 ? std::to_string(outer.padding) + " of padding, " : "";
    const std::string outer_load = "\tldi " + counter_register + "," + hex_byte(outer.counter) + "\n";
    std::string text;
    if (outer.reloads_loop) {
        const int64_t pass = loop.cycles() + outer.padding + 3;
        text = ";outer loop: 1 ldi + " + std::to_string(outer.passes()) + " passes x " +
               std::to_string(pass) + " cycles (the loop below, " + padding +
               "dec and brne) - 1 = " + std::to_string(outer.passes() * pass) + " cycles\n" +
               outer_load + loop_comment("loop", loop);
        // The outer label goes on the inner loop's first ldi.
        text += labels.defined(0, 0) + ":" +
                loop_code(loop, registers, labels.defined(0, 1), labels.target(0, 1), pad);
    } else {
        // The loop's last brne is one cycle short; dec 1, brne 2.
        const int64_t rest_of_pass = outer.padding + 2;
        const int64_t first = loop.passes() * loop.pass_cycles() + rest_of_pass;
        const int64_t full = int64_t{1} << (8 * loop.bytes);
        const int64_t later = full * loop.pass_cycles() + rest_of_pass;
        text = ";outer loop: " + std::to_string(loop.bytes) + " ldi + 1 ldi + 1 pass x " +
               std::to_string(first) + " cycles + " + std::to_string(outer.passes() - 1) +
               " passes x " + std::to_string(later) + " cycles - 1 = " +
               std::to_string(plan.cycles() - plan.padding) + " cycles\n;(a pass: the loop below, " +
               padding + "dec and brne; its counter, loaded once, is left at 0 after the first)\n" +
               load_lines(loop, registers) + outer_load + ";loop: " + std::to_string(loop.passes()) +
               " passes, then " + std::to_string(full) + " a pass, x " +
               std::to_string(loop.pass_cycles()) + " cycles" +
               (loop.body_padding > 0 ? " (" + std::to_string(loop.body_padding) + " of padding)" : "") +
               " - 1\n";
        CompactLoop loaded_before = loop;
        loaded_before.loads_counter = false;
        text += labels.defined(0, 0) + ":\n" +
                loop_code(loaded_before, registers, labels.defined(0, 1), labels.target(0, 1), pad);
    }
    return text + padding_lines(outer.padding, pad) + "\tdec " + counter_register + "\n\tbrne " +
           labels.target(0, 0) + "\n";
}

}  // namespace

std::string write_compact_listing(const CompactPlan& plan, const std::vector<std::string>& registers,
                                  const LoopLabels& labels, PadSpelling pad) {
    std::string text = ";<===   Compact delay   ===>\n; " + std::to_string(plan.requested_cycles) +
                       " cycles in " + std::to_string(plan.words()) + " word" +
                       plural(plan.words()) + "\n" + register_line(registers, plan.registers_used()) +
                       ";------------------------\n";
    if (plan.outer) {
        text += nest_text(plan, registers, labels, pad);
    } else if (plan.loop) {
        text += loop_comment("loop", *plan.loop) +
                loop_code(*plan.loop, registers, labels.defined(0, 0), labels.target(0, 0), pad);
    }
    if (plan.following[0]) {
        text += loop_comment("loop again, on the counter left at 0", *plan.following[0]) +
                loop_code(*plan.following[0], registers, labels.rest_defined(), labels.rest_target(),
                          pad);
    }
    if (plan.following[1]) {
        text += loop_comment("loop a third time, on the counter left at 0", *plan.following[1]) +
                loop_code(*plan.following[1], registers, labels.second_rest_defined(),
                          labels.second_rest_target(), pad);
    }
    if (plan.padding > 0) {
        text += ";padding: " + std::to_string(plan.padding) + " cycle" + plural(plan.padding) +
                "\n" + padding_lines(plan.padding, pad);
    }
    return text;
}

}  // namespace cyclotrim
