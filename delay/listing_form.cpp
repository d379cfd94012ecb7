#include "delay/listing_form.hpp"

#include <algorithm>
#include <vector>

#include "delay/delay_listing.hpp"
#include "delay/entry_parsing.hpp"
#include "delay/register_choice.hpp"
#include "delay/text_format.hpp"
#include "delay/variable_delay_listing.hpp"

namespace cyclotrim {

namespace {

FormedListing refusal(std::string why) {
    FormedListing formed;
    formed.refused = true;
    formed.refusal = std::move(why);
    return formed;
}

LoopLabels labels_for(const ListingForm& form) {
    if (form.syntax != Syntax::avra) {
        return LoopLabels::numeric();
    }
    return form.name.empty() ? LoopLabels::window() : LoopLabels::named(form.name);
}

// The registers of a C statement's loops: ones that C code may change
// freely, so the compiler saves nothing around the statement.
const RegisterTexts c_registers{"r18", "r19", "r20"};

// The first `count` registers: the window's entries, or in C the fixed
// ones the statement names as clobbered.
std::vector<std::string> register_names(const RegisterTexts& texts, Syntax syntax, int32_t count) {
    std::vector<std::string> names;
    for (int32_t i = 0; i < count; ++i) {
        names.push_back(syntax == Syntax::c ? c_registers[i] : first_word(texts[i]));
    }
    return names;
}

// The subroutine around its body: entry label, pushes, the delay, pops, ret,
// after two comment lines that add up its cycles.
std::string subroutine_text(const std::string& name, const SubroutineForm& form,
                            const CallCosts& costs, int32_t cycles, const SubroutinePlan& plan,
                            const std::vector<std::string>& saved, const std::string& body) {
    const char* call = form.long_call ? "call" : "rcall";
    const int32_t saved_count = plan.saved_registers;
    std::string parts = format_text("%s %i", call, costs.call);
    if (saved_count > 0) {
        parts += format_text(" + push %i", saved_count * costs.push);
    }
    parts += format_text(" + delay %i", plan.body.requested_cycles);
    if (saved_count > 0) {
        parts += format_text(" + pop %i", saved_count * costs.pop);
    }
    parts += format_text(" + ret %i", costs.ret);
    std::string text = format_text(
        "; %s: %i cycles from the first cycle of \"%s %s\" to the instruction after it\n"
        "; %s cycles on an %s core\n%s:\n",
        name.c_str(), cycles, call, name.c_str(), parts.c_str(), avr_core_name(form.core),
        name.c_str());
    for (int32_t i = 0; i < saved_count; ++i) {
        text += "\tpush " + saved[i] + "\n";
    }
    text += body;
    for (int32_t i = saved_count; i-- > 0;) {
        text += "\tpop " + saved[i] + "\n";
    }
    return text + "\tret\n";
}

// One GCC extended inline-assembly statement around `listing`: comment
// lines become C comments, code lines string literals, and the registers
// are clobbers, not output operands. An output operand would be stored
// after the statement when the compiler does not optimise (avr-gcc -O0
// adds a store per register, clang more), making the delay longer than
// asked; a clobber costs nothing at any level.
std::string inline_asm_statement(const std::string& listing, int32_t cycles,
                                 const std::vector<std::string>& registers) {
    std::string text = format_text(
        "/* Delay loop: %i cycles (GCC inline assembly for avr-gcc or clang) */\n"
        "__asm__ __volatile__(\n", cycles);
    bool has_code = false;
    for (const std::string& line : lines_of(listing)) {
        if (line.empty()) {
            continue;
        }
        if (line[0] == ';') {
            text += "    /* " + line.substr(1) + " */\n";
            continue;
        }
        std::string literal;
        for (char c : line) {
            literal += c == '\t' ? std::string("\\t") : std::string(1, c);
        }
        text += "    \"" + literal + "\\n\"\n";
        has_code = true;
    }
    if (!has_code) {
        text += "    \"\"\n";
    }
    std::string clobbers;
    for (const std::string& name : registers) {
        clobbers += (clobbers.empty() ? " \"" : ", \"") + name + "\"";
    }
    return text + "    :::" + clobbers + ");\n";
}

std::string preface_comment(const std::string& preface, Syntax syntax) {
    if (preface.empty()) {
        return "";
    }
    return syntax == Syntax::c ? "/* " + preface + " */\n" : "; " + preface + "\n";
}

}  // namespace

FormedListing write_listing_in_form(int32_t cycles, const RegisterTexts& register_texts,
                                    const ListingForm& form, const std::string& preface) {
    if (form.variable) {
        return write_variable_delay(cycles, register_texts, form.syntax, form.name, *form.variable,
                                    preface);
    }
    const LoopLabels labels = labels_for(form);
    const std::string comment = preface_comment(preface, form.syntax);
    LoopPlan first_nest;
    if (!form.subroutine) {
        const DelayPlan plan = plan_delay(cycles, first_nest);
        const std::vector<std::string> registers =
            register_names(register_texts, form.syntax, plan.registers_used());
        if (auto why = register_refusal(registers)) {
            return refusal(std::move(*why));
        }
        const std::string listing = write_delay_listing(plan, registers, labels).text;
        FormedListing formed;
        formed.text = comment + (form.syntax == Syntax::c
                                     ? inline_asm_statement(listing, cycles, registers)
                                     : listing);
        return formed;
    }

    const SubroutineForm& sub = *form.subroutine;
    const std::optional<CallCosts> costs = call_costs(sub.core, sub.long_call);
    if (!costs) {
        return refusal(format_text("No subroutine for %s cores: their call timing is not known "
                                   "well enough. The plain listing works there.",
                                   avr_core_name(sub.core)));
    }
    const std::optional<SubroutinePlan> plan = plan_subroutine(cycles, *costs, sub.save);
    if (!plan) {
        const char* call = sub.long_call ? "call" : "rcall";
        const int32_t smallest = costs->call + costs->ret;
        return refusal(format_text(
            "Too few cycles for a subroutine: on an %s core %s and ret take %i, so ask for at "
            "least %i.", avr_core_name(sub.core), call, smallest, smallest));
    }
    const std::vector<std::string> registers = register_names(
        register_texts, form.syntax, std::max(plan->body.registers_used(), plan->saved_registers));
    if (auto why = register_refusal(registers)) {
        return refusal(std::move(*why));
    }
    const std::string body = write_delay_listing(plan->body, registers, labels).text;
    FormedListing formed;
    formed.text = comment + subroutine_text(form.name, sub, *costs, cycles, *plan, registers, body);
    return formed;
}

}  // namespace cyclotrim
