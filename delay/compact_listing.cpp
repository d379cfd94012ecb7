#include "delay/compact_listing.hpp"

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
    const char* const two_cycles = pad == PadSpelling::avra ? "\trjmp PC+1\n" : "\trjmp .+0\n";
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

std::string loop_text(const CompactLoop& loop, const std::vector<std::string>& registers,
                      const LoopLabels& labels, PadSpelling pad) {
    std::string text = ";loop: " + std::to_string(loop.bytes) + " ldi + " +
                       std::to_string(loop.passes()) + " passes x " +
                       std::to_string(loop.pass_cycles()) + " cycles";
    if (loop.body_padding > 0) {
        text += " (" + std::to_string(loop.body_padding) + " of padding)";
    }
    text += " - 1 = " + std::to_string(loop.cycles()) + " cycles\n";
    for (int32_t i = 0; i < loop.bytes; ++i) {
        text += "\tldi " + registers[i] + "," + hex_byte((loop.counter >> (8 * i)) & 0xffu) + "\n";
    }
    // The label goes on the loop's first instruction, as in the window's listing.
    text += labels.defined(0, 0) + ":" + padding_lines(loop.body_padding, pad) +
            count_down_lines(loop, registers);
    return text + "\tbrne " + labels.target(0, 0) + "\n";
}

}  // namespace

std::string write_compact_listing(const CompactPlan& plan, const std::vector<std::string>& registers,
                                  const LoopLabels& labels, PadSpelling pad) {
    std::string text = ";<===   Compact delay   ===>\n; " + std::to_string(plan.requested_cycles) +
                       " cycles in " + std::to_string(plan.words()) + " word" +
                       plural(plan.words()) + "\n" + register_line(registers, plan.registers_used()) +
                       ";------------------------\n";
    if (plan.loop) {
        text += loop_text(*plan.loop, registers, labels, pad);
    }
    if (plan.padding > 0) {
        text += ";padding: " + std::to_string(plan.padding) + " cycle" + plural(plan.padding) +
                "\n" + padding_lines(plan.padding, pad);
    }
    return text;
}

}  // namespace cyclotrim
