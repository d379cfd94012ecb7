#include "delay/compact_listing.hpp"

#include "delay/text_format.hpp"

namespace cyclotrim {

namespace {

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
    std::string text = sbiw ? "\tsbiw " + registers[0] + ",1\n" : "\tsubi " + registers[0] + ",1\n";
    for (int32_t i = sbiw ? 2 : 1; i < loop.bytes; ++i) {
        text += "\tsbci " + registers[i] + ",0\n";
    }
    return text;
}

std::string register_line(const std::vector<std::string>& registers, int32_t used) {
    std::string line = format_text("; %i register%s used", used, used == 1 ? "" : "s");
    for (int32_t i = 0; i < used; ++i) {
        line += (i == 0 ? ": " : ", ") + registers[i];
    }
    return line + "\n";
}

std::string loop_text(const CompactLoop& loop, const std::vector<std::string>& registers,
                      const LoopLabels& labels, PadSpelling pad) {
    std::string text = format_text(";loop: %i ldi + %lld passes x %i cycles", loop.bytes,
                                   static_cast<long long>(loop.passes()), loop.pass_cycles());
    if (loop.body_padding > 0) {
        text += format_text(" (%i of padding)", loop.body_padding);
    }
    text += format_text(" - 1 = %lld cycles\n", static_cast<long long>(loop.cycles()));
    for (int32_t i = 0; i < loop.bytes; ++i) {
        text += format_text("\tldi %s,0x%x\n", registers[i].c_str(), (loop.counter >> (8 * i)) & 0xffu);
    }
    const std::string body = padding_lines(loop.body_padding, pad) + count_down_lines(loop, registers);
    // The label goes on the loop's first instruction, as in the window's listing.
    text += labels.defined(0, 0) + ":" + body;
    return text + "\tbrne " + labels.target(0, 0) + "\n";
}

}  // namespace

std::string write_compact_listing(const CompactPlan& plan, const std::vector<std::string>& registers,
                                  const LoopLabels& labels, PadSpelling pad) {
    std::string text = format_text(";<===   Compact delay   ===>\n; %lld cycles in %i word%s\n",
                                   static_cast<long long>(plan.requested_cycles), plan.words(),
                                   plan.words() == 1 ? "" : "s");
    text += register_line(registers, plan.registers_used()) + ";------------------------\n";
    if (plan.loop) {
        text += loop_text(*plan.loop, registers, labels, pad);
    }
    if (plan.padding > 0) {
        text += format_text(";padding: %i cycle%s\n", plan.padding, plan.padding == 1 ? "" : "s") +
                padding_lines(plan.padding, pad);
    }
    return text;
}

}  // namespace cyclotrim
