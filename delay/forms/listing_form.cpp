// SPDX-License-Identifier: MIT
#include "delay/forms/listing_form.hpp"

#include <algorithm>
#include <cctype>
#include <vector>

#include "delay/branch_reach.hpp"
#include "delay/forms/compact_listing.hpp"
#include "delay/nest/delay_listing.hpp"
#include "delay/input/entry_parsing.hpp"
#include "delay/input/register_choice.hpp"
#include "delay/text_format.hpp"
#include "delay/forms/variable_delay_listing.hpp"

namespace cyclotrim {

namespace {

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
// after two comment lines that add up its cycles and any `words_line`.
std::string subroutine_text(const std::string& name, const SubroutineForm& form,
                            const CallCosts& costs, int64_t cycles, int64_t delay_cycles,
                            const std::vector<std::string>& saved, int32_t saved_count,
                            const std::string& body, const std::string& words_line = "") {
    const char* call = form.long_call ? "call" : "rcall";
    std::string parts = format_text("%s %i", call, costs.call);
    if (saved_count > 0) {
        parts += format_text(" + push %i", saved_count * costs.push);
    }
    parts += format_text(" + delay %lld", static_cast<long long>(delay_cycles));
    if (saved_count > 0) {
        parts += format_text(" + pop %i", saved_count * costs.pop);
    }
    parts += format_text(" + ret %i", costs.ret);
    std::string text = format_text(
        "; %s: %lld cycles from the first cycle of \"%s %s\" to the instruction after it\n"
        "; %s cycles on an %s core\n%s%s:\n",
        name.c_str(), static_cast<long long>(cycles), call, name.c_str(), parts.c_str(),
        avr_core_name(form.core), words_line.c_str(), name.c_str());
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
std::string inline_asm_statement(const std::string& title, const std::string& listing,
                                 const std::vector<std::string>& registers) {
    std::string text = "/* " + title + " (GCC inline assembly for avr-gcc or clang) */\n"
                       "__asm__ __volatile__(\n";
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

FormedListing no_subroutine_on(AvrCore core) {
    return FormedListing::refused_because(
        format_text("No subroutine for %s cores: their call timing is not known well enough. "
                    "The plain listing works there.",
                    avr_core_name(core)));
}

FormedListing too_few_for_subroutine(const SubroutineForm& sub, const CallCosts& costs) {
    const char* call = sub.long_call ? "call" : "rcall";
    const int32_t smallest = costs.call + costs.ret;
    return FormedListing::refused_because(format_text(
        "Too few cycles for a subroutine: on an %s core %s and ret take %i, so ask for at "
        "least %i.", avr_core_name(sub.core), call, smallest, smallest));
}

std::string preface_comment(const std::string& preface, Syntax syntax) {
    if (preface.empty()) {
        return "";
    }
    return syntax == Syntax::c ? "/* " + preface + " */\n" : "; " + preface + "\n";
}

// The registers of a compact C statement: call-clobbered, so the compiler
// saves whatever it needs around it, loadable by ldi, the first two a pair
// that sbiw takes.
const std::vector<std::string> c_compact_registers{"r24", "r25", "r26", "r27"};

// What the compact planner may use of `names` on `core`.
CompactRegisters compact_registers(const std::vector<std::string>& names, AvrCore core) {
    CompactRegisters usable;
    usable.count = static_cast<int32_t>(names.size());
    if (names.size() >= 2 && core != AvrCore::avrrc) {
        const std::optional<int> low = register_number(names[0]);
        const std::optional<int> high = register_number(names[1]);
        usable.sbiw_pair = low && high && *low >= 24 && *low % 2 == 0 && *high == *low + 1;
    }
    return usable;
}

// Why a compact delay cannot use `names`: each must be a register ldi can
// load, as for the window's loops, and each byte of the counter needs its
// own (R30 and ZL are one register; a .def alias is compared by its name).
std::optional<std::string> compact_register_refusal(const std::vector<std::string>& names) {
    std::vector<std::string> identities;
    for (const std::string& name : names) {
        if (auto why = register_refusal({name})) {
            return why;
        }
        const std::optional<int> number = register_number(name);
        std::string identity = number ? "r" + std::to_string(*number) : name;
        std::transform(identity.begin(), identity.end(), identity.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        if (std::find(identities.begin(), identities.end(), identity) != identities.end()) {
            return format_text("%s is given twice: each byte of the counter needs its own "
                               "register.", name.c_str());
        }
        identities.push_back(identity);
    }
    return std::nullopt;
}

FormedListing too_few_registers(int64_t cycles, const std::vector<std::string>& names) {
    std::string given = names.empty() ? std::string("no register") : names[0];
    for (size_t i = 1; i < names.size(); ++i) {
        given += ", " + names[i];
    }
    return FormedListing::refused_because(
        format_text("A compact delay of %lld cycles takes more than %i words with %s: give more "
                    "registers with -r (up to four).",
                    static_cast<long long>(cycles), max_compact_words, given.c_str()));
}

struct CompactSubroutine {
    CompactPlan body;
    int32_t saved = 0;  // registers pushed on entry and popped before ret

    int32_t words() const { return body.words() + 2 * saved + 1; }
};

// The subroutine of the fewest words whose body takes `body_cycles` less the
// push and pop of the registers it saves. With `save`, a body may use only
// the registers saved; one more may be saved than used where that gives
// fewer words.
std::optional<CompactSubroutine> plan_compact_subroutine(int64_t body_cycles,
                                                         const CallCosts& costs, bool save,
                                                         const CompactRegisters& usable) {
    std::optional<CompactSubroutine> best;
    const int32_t most_saved = save ? usable.count : 0;
    for (int32_t saved = 0; saved <= most_saved; ++saved) {
        const int64_t left = body_cycles - saved * (costs.push + costs.pop);
        if (left < 0) {
            break;
        }
        const CompactRegisters allowed =
            save ? CompactRegisters{saved, usable.sbiw_pair && saved >= 2} : usable;
        if (const std::optional<CompactPlan> body = plan_compact_delay(left, allowed)) {
            const CompactSubroutine candidate{*body, saved};
            if (!best || candidate.words() < best->words()) {
                best = candidate;
            }
        }
    }
    return best;
}

std::string subroutine_words_line(const CompactSubroutine& sub) {
    if (sub.saved == 0) {
        return format_text("; %i words: delay %i + ret 1\n", sub.words(), sub.body.words());
    }
    return format_text("; %i words: push %i + delay %i + pop %i + ret 1\n", sub.words(), sub.saved,
                       sub.body.words(), sub.saved);
}

// The listing as written, or, where a branch in it would not reach its
// label, a refusal: a listing that does not assemble is never written.
FormedListing reach_checked(FormedListing formed, Syntax syntax) {
    if (formed.refused) {
        return formed;
    }
    const ListingText text = syntax == Syntax::avra  ? ListingText::avra
                             : syntax == Syntax::gnu ? ListingText::gnu
                                                     : ListingText::c_statement;
    if (std::optional<std::string> problem = branch_reach_problem(formed.text, text)) {
        return FormedListing::refused_because(std::move(*problem));
    }
    return formed;
}

FormedListing listing_in_form(int32_t cycles, const RegisterTexts& register_texts,
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
            return FormedListing::refused_because(std::move(*why));
        }
        const std::string listing = write_delay_listing(plan, registers, labels).text;
        FormedListing formed;
        formed.text = comment + (form.syntax == Syntax::c
                                     ? inline_asm_statement(
                                           format_text("Delay loop: %i cycles", cycles), listing,
                                           registers)
                                     : listing);
        return formed;
    }

    const SubroutineForm& sub = *form.subroutine;
    const std::optional<CallCosts> costs = call_costs(sub.core, sub.long_call);
    if (!costs) {
        return no_subroutine_on(sub.core);
    }
    const std::optional<SubroutinePlan> plan = plan_subroutine(cycles, *costs, sub.save);
    if (!plan) {
        return too_few_for_subroutine(sub, *costs);
    }
    const std::vector<std::string> registers = register_names(
        register_texts, form.syntax, std::max(plan->body.registers_used(), plan->saved_registers));
    if (auto why = register_refusal(registers)) {
        return FormedListing::refused_because(std::move(*why));
    }
    const std::string body = write_delay_listing(plan->body, registers, labels).text;
    FormedListing formed;
    formed.text = comment + subroutine_text(form.name, sub, *costs, cycles,
                                            plan->body.requested_cycles, registers,
                                            plan->saved_registers, body);
    return formed;
}

FormedListing compact_in_form(int64_t cycles, const ListingForm& form,
                              const std::string& preface) {
    const CompactForm& compact = *form.compact;
    const bool c = form.syntax == Syntax::c;
    const std::vector<std::string>& names = c ? c_compact_registers : compact.registers;
    const CompactRegisters usable = compact_registers(names, compact.core);
    const LoopLabels labels = labels_for(form);
    const PadSpelling pad = form.syntax == Syntax::avra ? PadSpelling::avra : PadSpelling::gnu;
    if (form.variable) {
        return write_compact_variable_delay(cycles, names, usable, form.syntax, form.name,
                                            *form.variable, preface);
    }
    const std::string comment = preface_comment(preface, form.syntax);
    FormedListing formed;
    if (!form.subroutine) {
        const std::optional<CompactPlan> plan = plan_compact_delay(cycles, usable);
        if (!plan) {
            return too_few_registers(cycles, names);
        }
        const std::string listing = write_compact_listing(*plan, names, labels, pad);
        const std::vector<std::string> used(names.begin(), names.begin() + plan->registers_used());
        formed.text = comment + (c ? inline_asm_statement(
                                         format_text("Compact delay: %lld cycles",
                                                     static_cast<long long>(cycles)),
                                         listing, used)
                                   : listing);
        return formed;
    }

    const SubroutineForm& sub = *form.subroutine;
    const std::optional<CallCosts> costs = call_costs(sub.core, sub.long_call);
    if (!costs) {
        return no_subroutine_on(sub.core);
    }
    const int64_t body_cycles = cycles - costs->call - costs->ret;
    if (body_cycles < 0) {
        return too_few_for_subroutine(sub, *costs);
    }
    const std::optional<CompactSubroutine> plan =
        plan_compact_subroutine(body_cycles, *costs, sub.save, usable);
    if (!plan) {
        return too_few_registers(cycles, names);
    }
    const std::string body = write_compact_listing(plan->body, names, labels, pad);
    formed.text = comment + subroutine_text(form.name, sub, *costs, cycles,
                                            plan->body.requested_cycles, names, plan->saved,
                                            body, subroutine_words_line(*plan));
    return formed;
}

}  // namespace

FormedListing write_listing_in_form(int32_t cycles, const RegisterTexts& register_texts,
                                    const ListingForm& form, const std::string& preface) {
    return reach_checked(listing_in_form(cycles, register_texts, form, preface), form.syntax);
}

FormedListing write_compact_in_form(int64_t cycles, const ListingForm& form,
                                    const std::string& preface) {
    return reach_checked(compact_in_form(cycles, form, preface), form.syntax);
}

std::optional<std::string> given_registers_refusal(const std::vector<std::string>& given,
                                                   const ListingForm& form) {
    std::optional<std::string> why =
        form.compact ? compact_register_refusal(given) : register_refusal(given);
    if (!why && form.variable) {
        why = run_time_register_refusal(given, *form.variable);
    }
    return why;
}

const std::vector<std::string>& default_compact_registers() {
    static const std::vector<std::string> registers{"R24", "R25", "R26", "R27"};
    return registers;
}

}  // namespace cyclotrim
