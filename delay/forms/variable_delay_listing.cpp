// SPDX-License-Identifier: MIT
#include "delay/forms/variable_delay_listing.hpp"

#include <algorithm>
#include <vector>

#include "delay/forms/compact_listing.hpp"
#include "delay/nest/delay_listing.hpp"
#include "delay/input/entry_parsing.hpp"
#include "delay/input/register_choice.hpp"
#include "delay/text_format.hpp"

namespace cyclotrim {

namespace {

bool is_callee_saved(int number) { return (number >= 2 && number <= 17) || number == 28 || number == 29; }

// The labels the subroutine jumps to: avra's are NAME__ and a suffix, GNU
// as's numeric, beyond the 90001 to 90003 its delays' loops use. A compact
// delay's two-cycle pads jump to a label 90008 of their own, which a brne
// 90008b would find first: there the top of a pass is 90006.
struct FlowLabels {
    std::string next;  // the top of every pass but the first
    std::string pass;  // where the first pass starts
    std::string zero;  // the ret that n = 0 reaches when saving
    std::string done;  // after the last pass, when breq leaves the loop
    LoopLabels next_loops;
    LoopLabels pass_loops;

    static FlowLabels for_syntax(Syntax syntax, const std::string& name, bool compact) {
        if (syntax == Syntax::gnu) {
            return {numeric_label(compact ? 6 : 8), numeric_label(9), numeric_label(7),
                    numeric_label(5), LoopLabels::numeric(), LoopLabels::numeric()};
        }
        return {name + "__next", name + "__pass", name + "__zero", name + "__done",
                LoopLabels::named_part(name, "next"), LoopLabels::named_part(name, "pass")};
    }
};

// A label as a branch before it (`forward`) or after it names it.
std::string target(const std::string& label, Syntax syntax, bool forward) {
    return syntax == Syntax::gnu ? label + (forward ? "f" : "b") : label;
}

// Joins an instruction and its cycles in a comment, so that no line breaks
// between them.
constexpr char unbroken_space = '\x1f';

std::string term(std::string what, int32_t count) {
    std::replace(what.begin(), what.end(), ' ', unbroken_space);
    return what + unbroken_space + std::to_string(count);
}

// Comment lines of at most 78 characters where the words allow, each line
// of `text` starting a new one.
std::string comment_lines(const std::string& text) {
    constexpr size_t width = 76;  // after "; "
    std::string lines;
    for (const std::string& paragraph : lines_of(text)) {
        std::string line;
        for (const std::string& word : words_of(paragraph)) {
            if (!line.empty() && line.size() + 1 + word.size() > width) {
                lines += "; " + line + "\n";
                line.clear();
            }
            line += (line.empty() ? "" : " ") + word;
        }
        lines += "; " + line + "\n";
    }
    std::replace(lines.begin(), lines.end(), unbroken_space, ' ');
    return lines;
}

std::string joined(const std::vector<std::string>& words) {
    std::string text;
    for (size_t i = 0; i < words.size(); ++i) {
        text += (i == 0 ? "" : i + 1 == words.size() ? " and " : ", ") + words[i];
    }
    return text;
}

struct Wording {
    const char* call;       // rcall or call
    const char* test;       // the test for n = 0
    const char* decrement;  // the count's decrement
};

Wording wording_for(const VariableDelayForm& form) {
    const bool wide = form.count_bits == 16;
    return {form.long_call ? "call" : "rcall", wide ? "sbiw" : "tst", wide ? "sbiw" : "dec"};
}

// What the header says about calling the subroutine and what it changes,
// and `words`, if not empty, after its first sentence.
std::string usage_comment(const std::string& name, Syntax syntax, const VariableDelayForm& form,
                          const VariableDelayFrame& frame, const std::vector<std::string>& registers,
                          const std::string& words) {
    const Wording wording = wording_for(form);
    const bool wide = form.count_bits == 16;
    const bool gnu = syntax == Syntax::gnu;
    std::string text = format_text(
        "%s: n x %lld cycles from the first cycle of \"%s %s\" to the instruction "
        "after it, for every n from 1 to %i; with n = 0 it takes %i cycles.\n",
        name.c_str(), static_cast<long long>(frame.unit), wording.call, name.c_str(),
        largest_count(form.count_bits), frame.zero_cycles);
    text += words;
    const std::string load =
        wide ? format_text("ldi r24,%s(n) and ldi r25,%s(n)", gnu ? "lo8" : "low", gnu ? "hi8" : "high")
             : std::string("ldi r24,n");
    text += format_text("From assembler: %s, then %s %s.\n", load.c_str(), wording.call, name.c_str());
    const char* type = wide ? "uint16_t" : "uint8_t";
    if (gnu) {
        text += format_text(
            "From C: void %s(%s n); link this file. avr-gcc calls it with call on chips "
            "with more than 8 KiB of flash (write it with --call there) and with rcall on "
            "smaller ones; linking with --relax (-mrelax) may turn a call into an rcall.\n",
            name.c_str(), type);
    } else {
        text += format_text("From C: void %s(%s n); link its --syntax gnu form, a .S file.\n",
                            name.c_str(), type);
    }
    std::vector<std::string> changed{"r24"};
    if (wide) {
        changed.push_back("r25");
    }
    if (!form.save) {
        changed.insert(changed.end(), registers.begin(), registers.end());
    }
    changed.push_back("the status flags");
    text += "Changes " + joined(changed) + "; r1 stays 0 and every other register keeps its value";
    if (form.save && !registers.empty()) {
        text += format_text(" (%s %s pushed and popped)", joined(registers).c_str(),
                            registers.size() == 1 ? "is" : "are");
    }
    text += ".\nInterrupts that run during the delay lengthen it, as they lengthen any busy-wait.\n";
    return text;
}

// The header's proof that every pass takes UNIT and that the skipped part
// pays for the fixed costs.
std::string cost_comment(const VariableDelayForm& form, const VariableDelayFrame& frame) {
    const Wording wording = wording_for(form);
    const CallCosts& costs = frame.costs;
    const int32_t saved = frame.saved_registers;
    std::string before = term(wording.call, costs.call) + " + " + term(wording.test, frame.test_cycles);
    before += frame.saves() ? " + " + term("breq", 1) + " + " + term("push", saved * costs.push) +
                                  " + " + term("rjmp", 2)
                            : " + " + term("brne", 2);
    const std::string after = (frame.saves() ? term("pop", saved * costs.pop) + " + " : std::string()) +
                              term("ret", costs.ret);
    const std::string loop_back =
        frame.jumps_back ? term("breq", 1) + " + " + term("rjmp", 2) : term("brne", 2);
    const char* last_pass = frame.jumps_back
                                ? "whose breq leaves the loop in 2 cycles, 1 less than breq and rjmp"
                                : "whose brne takes 1 cycle less";
    return format_text(
        "On an %s core each pass takes %i + %lld + %s + %s = %lld cycles; the first skips its %i, "
        "which pay for %s before it and %s after the last pass, %s.\n",
        avr_core_name(form.core), frame.skipped_cycles, static_cast<long long>(frame.rest_cycles),
        term(wording.decrement, frame.decrement_cycles).c_str(), loop_back.c_str(),
        static_cast<long long>(frame.unit), frame.skipped_cycles, before.c_str(), after.c_str(),
        last_pass);
}

// The header's sentence on the words of a compact subroutine.
std::string words_comment(const CompactVariablePlan& plan) {
    const int32_t saved = plan.frame.saved_registers;
    std::string parts = term("entry", plan.frame.entry_words());
    if (saved > 0) {
        parts += " + " + term("push", saved);
    }
    parts += " + " + term("top of a pass", plan.skipped.words()) + " + " +
             term("rest of a pass", plan.rest_of_pass.words()) + " + " +
             term("count", plan.frame.count_words());
    if (saved > 0) {
        parts += " + " + term("pop", saved);
    }
    return format_text("%i words: %s + %s.\n", plan.words(), parts.c_str(), term("ret", 1).c_str());
}

// The code: the test for n = 0, the pushes, the passes (the top of every
// pass but the first, `skipped`, and the rest of each, `rest`), the pops.
std::string subroutine_code(const std::string& name, Syntax syntax, const VariableDelayForm& form,
                            const VariableDelayFrame& frame, const FlowLabels& labels,
                            const std::vector<std::string>& registers, const std::string& skipped,
                            const std::string& rest) {
    const bool wide = form.count_bits == 16;
    const std::vector<std::string> saved(registers.begin(), registers.begin() + frame.saved_registers);
    std::string code;
    if (syntax == Syntax::gnu) {
        code += format_text("\t.text\n\t.global %s\n\t.type %s, @function\n", name.c_str(),
                            name.c_str());
    }
    code += name + ":\n";
    code += wide ? "\tsbiw r24,0\n" : "\ttst r24\n";
    if (frame.saves()) {
        code += "\tbreq " + target(labels.zero, syntax, true) + "\n";
        for (const std::string& reg : saved) {
            code += "\tpush " + reg + "\n";
        }
        code += "\trjmp " + target(labels.pass, syntax, true) + "\n";
        if (frame.jumps_back) {
            code += labels.zero + ":\n\tret\n";
        }
    } else {
        code += "\tbrne " + target(labels.pass, syntax, true) + "\n\tret\n";
    }
    code += format_text("; the top of every pass but the first: %i cycles\n", frame.skipped_cycles);
    code += labels.next + ":\n" + skipped;
    code += format_text("; the rest of every pass: %lld cycles, then the count\n",
                        static_cast<long long>(frame.rest_cycles));
    code += labels.pass + ":\n" + rest;
    code += wide ? "\tsbiw r24,1\n" : "\tdec r24\n";
    if (frame.jumps_back) {
        code += "\tbreq " + target(labels.done, syntax, true) + "\n\trjmp " +
                target(labels.next, syntax, false) + "\n" + labels.done + ":\n";
    } else {
        code += "\tbrne " + target(labels.next, syntax, false) + "\n";
    }
    for (size_t i = saved.size(); i-- > 0;) {
        code += "\tpop " + saved[i] + "\n";
    }
    if (frame.saves() && !frame.jumps_back) {
        code += labels.zero + ":\n";
    }
    code += "\tret\n";
    if (syntax == Syntax::gnu) {
        code += format_text("\t.size %s, .-%s\n", name.c_str(), name.c_str());
    }
    return code;
}

FormedListing no_run_time_delay_on(AvrCore core) {
    return FormedListing::refused_because(format_text(
        "No run-time delay for %s cores: their call timing is not known well enough.",
        avr_core_name(core)));
}

}  // namespace

std::optional<std::string> run_time_register_refusal(const std::vector<std::string>& names,
                                                     const VariableDelayForm& form) {
    const bool wide = form.count_bits == 16;
    for (const std::string& name : names) {
        const std::optional<int> number = register_number(name);
        if (number && (*number == 24 || (wide && *number == 25))) {
            return format_text("%s holds the count n (%s): choose another register for the loops.",
                               name.c_str(), wide ? "r25:r24" : "r24");
        }
        if (number && is_callee_saved(*number) && !form.save) {
            return format_text(
                "%s must keep its value for a caller in C (avr-gcc expects r2 to r17, r28 and r29 "
                "back unchanged): give --save to push and pop it, or choose from R18 to R23, %sR26, "
                "R27, R30 and R31.",
                name.c_str(), wide ? "" : "R25, ");
        }
    }
    return std::nullopt;
}

const RegisterTexts& variable_delay_register_texts() {
    static const RegisterTexts registers{"R18", "R19", "R20"};
    return registers;
}

FormedListing write_variable_delay(int32_t unit, const RegisterTexts& register_texts, Syntax syntax,
                                   const std::string& name, const VariableDelayForm& form,
                                   const std::string& preface) {
    const std::optional<int32_t> smallest = smallest_variable_unit(form);
    if (!smallest) {
        return no_run_time_delay_on(form.core);
    }
    const std::optional<VariableDelayPlan> plan = plan_variable_delay(unit, form);
    if (!plan) {
        return FormedListing::refused_because(format_text(
            "A unit of %i cycles is too short for a run-time delay: on an %s core with %s, the "
            "call, the return and the loop that counts n need at least %i cycles a unit%s.",
            unit, avr_core_name(form.core), form.long_call ? "call" : "rcall", *smallest,
            form.save ? " when saving registers" : ""));
    }
    std::vector<std::string> registers;
    for (int32_t i = 0; i < std::max(plan->registers_used(), plan->frame.saved_registers); ++i) {
        registers.push_back(first_word(register_texts[i]));
    }
    if (auto why = register_refusal(registers)) {
        return FormedListing::refused_because(std::move(*why));
    }
    const FlowLabels labels = FlowLabels::for_syntax(syntax, name, false);
    const std::string skipped = write_delay_listing(plan->skipped, registers, labels.next_loops).text;
    const std::string rest =
        plan->frame.rest_cycles > 0
            ? write_delay_listing(plan->rest_of_pass, registers, labels.pass_loops).text
            : "";
    FormedListing formed;
    formed.text = comment_lines(preface) +
                  comment_lines(usage_comment(name, syntax, form, plan->frame, registers, "") +
                                cost_comment(form, plan->frame)) +
                  subroutine_code(name, syntax, form, plan->frame, labels, registers, skipped, rest);
    return formed;
}

const std::vector<std::string>& compact_variable_delay_registers() {
    static const std::vector<std::string> registers{"R26", "R27", "R18", "R19"};
    return registers;
}

FormedListing write_compact_variable_delay(int64_t unit, const std::vector<std::string>& names,
                                           const CompactRegisters& usable, Syntax syntax,
                                           const std::string& name, const VariableDelayForm& form,
                                           const std::string& preface) {
    const std::optional<int32_t> smallest = smallest_compact_variable_unit(form);
    if (!smallest) {
        return no_run_time_delay_on(form.core);
    }
    if (unit < *smallest) {
        return FormedListing::refused_because(format_text(
            "A unit of %lld cycles is too short for a run-time delay: on an %s core with %s and "
            "%s %i-bit count, the call, the return and the loop that counts n need at least %i "
            "cycles a unit in the compact form%s.",
            static_cast<long long>(unit), avr_core_name(form.core),
            form.long_call ? "call" : "rcall", form.count_bits == 8 ? "an" : "a", form.count_bits,
            *smallest, form.save ? ", which saves no register at that unit" : ""));
    }
    const std::optional<CompactVariablePlan> plan = plan_compact_variable_delay(unit, form, usable);
    if (!plan) {
        std::string given = names.empty() ? std::string("no register") : joined(names);
        return FormedListing::refused_because(format_text(
            "A compact run-time delay of %lld cycles a unit takes more than %i words in a delay "
            "of its pass with %s: give more registers with -r (up to four).",
            static_cast<long long>(unit), max_compact_words, given.c_str()));
    }
    const std::vector<std::string> registers(
        names.begin(), names.begin() + std::max(plan->registers_used(), plan->frame.saved_registers));
    const FlowLabels labels = FlowLabels::for_syntax(syntax, name, true);
    const PadSpelling pad = syntax == Syntax::gnu ? PadSpelling::gnu : PadSpelling::avra;
    const std::string skipped = write_compact_listing(plan->skipped, names, labels.next_loops, pad);
    const std::string rest =
        plan->frame.rest_cycles > 0
            ? write_compact_listing(plan->rest_of_pass, names, labels.pass_loops, pad)
            : "";
    FormedListing formed;
    formed.text =
        comment_lines(preface) +
        comment_lines(usage_comment(name, syntax, form, plan->frame, registers, words_comment(*plan)) +
                      cost_comment(form, plan->frame)) +
        subroutine_code(name, syntax, form, plan->frame, labels, registers, skipped, rest);
    return formed;
}

}  // namespace cyclotrim
