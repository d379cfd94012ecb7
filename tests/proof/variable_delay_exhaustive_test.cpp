// SPDX-License-Identifier: MIT
// The promise of a run-time delay for every count: the subroutine's listing,
// run by an interpreter of this test's own (instruction costs taken from the
// cores' tables, not from the planner), takes exactly n units for every n
// from 1 to 65535 (255 with 8 bits), and n = 0 takes what its header says;
// in the compact form, in the words its header states.
//
// Running every n from the start would take n passes each; instead the
// interpreter starts at the first pass's label once for every count v and
// stops when the code comes back to that label, adding the cycles already
// found for the count it brings back. That is sound because every other
// register and the Z flag are unknown there: an instruction that reads one
// the code has not set since fails the test, so no pass can depend on what
// came before.
#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "delay/forms/listing_form.hpp"
#include "delay/forms/variable_delay_listing.hpp"
#include "delay/forms/variable_delay_plan.hpp"

using cyclotrim::AvrCore;
using cyclotrim::CompactRegisters;
using cyclotrim::VariableDelayForm;

namespace {

struct CoreCycles {
    int64_t rcall, call, ret, push, pop;
};

// The cycles of calls and the stack, as the instruction set manual and the
// simulator give them.
CoreCycles core_cycles(AvrCore core) {
    switch (core) {
        case AvrCore::avre: return {3, 4, 4, 2, 2};
        case AvrCore::avre22: return {4, 5, 5, 2, 2};
        default: return {2, 3, 4, 1, 2};  // avrxt, avrxm
    }
}

enum class Op { ldi, dec, tst, nop, sbiw, subi, sbci, brne, breq, rjmp, push, pop, ret };

struct Instruction {
    Op op = Op::nop;
    int reg = -1;        // the register it reads or writes
    int value = 0;       // the constant of ldi, sbiw, subi or sbci
    std::string target;  // a branch's label
    size_t jump_to = 0;  // the index of that label's instruction
};

std::string trimmed(const std::string& text) {
    const size_t begin = text.find_first_not_of(" \t");
    return begin == std::string::npos ? "" : text.substr(begin, text.find_last_not_of(" \t") - begin + 1);
}

int register_of(const std::string& name) {
    static const std::map<std::string, int> halves{{"XL", 26}, {"XH", 27}, {"YL", 28},
                                                   {"YH", 29}, {"ZL", 30}, {"ZH", 31}};
    if (halves.count(name) != 0) {
        return halves.at(name);
    }
    return (name[0] == 'r' || name[0] == 'R') ? std::stoi(name.substr(1)) : -1;
}

// The avra listing as instructions, its labels as indices into them.
struct Program {
    std::vector<Instruction> code;
    std::map<std::string, size_t> labels;
    std::string problem;
};

Program parse(const std::string& listing) {
    static const std::map<std::string, Op> mnemonics{
        {"ldi", Op::ldi},   {"dec", Op::dec},   {"tst", Op::tst},   {"nop", Op::nop},
        {"sbiw", Op::sbiw}, {"subi", Op::subi}, {"sbci", Op::sbci}, {"brne", Op::brne},
        {"breq", Op::breq}, {"rjmp", Op::rjmp}, {"push", Op::push}, {"pop", Op::pop},
        {"ret", Op::ret}};
    Program program;
    std::istringstream lines(listing);
    std::string line;
    while (std::getline(lines, line)) {
        line = trimmed(line.substr(0, line.find(';')));
        const size_t colon = line.find(':');
        if (colon != std::string::npos) {
            program.labels[trimmed(line.substr(0, colon))] = program.code.size();
            line = trimmed(line.substr(colon + 1));
        }
        if (line.empty()) {
            continue;
        }
        std::istringstream words(line);
        std::string mnemonic;
        std::string operands;
        words >> mnemonic;
        std::getline(words, operands);
        if (mnemonics.count(mnemonic) == 0) {
            program.problem = "an instruction the test does not know: " + line;
            return program;
        }
        Instruction instruction;
        instruction.op = mnemonics.at(mnemonic);
        const std::string first = trimmed(operands.substr(0, operands.find(',')));
        const std::string second =
            operands.find(',') == std::string::npos ? "" : trimmed(operands.substr(operands.find(',') + 1));
        switch (instruction.op) {
            case Op::brne: case Op::breq: case Op::rjmp:
                instruction.target = first;
                break;
            case Op::nop: case Op::ret:
                break;
            default:
                instruction.reg = register_of(first);
                if (!second.empty()) {
                    instruction.value = static_cast<int>(std::stol(second, nullptr, 0));
                }
        }
        program.code.push_back(instruction);
    }
    for (size_t i = 0; i < program.code.size(); ++i) {
        Instruction& instruction = program.code[i];
        if (instruction.target == "PC+1") {  // avra's jump to the next instruction
            instruction.jump_to = i + 1;
        } else if (!instruction.target.empty()) {
            if (program.labels.count(instruction.target) == 0) {
                program.problem = "no label " + instruction.target;
                return program;
            }
            instruction.jump_to = program.labels.at(instruction.target);
        }
    }
    return program;
}

// One run of the interpreter from a label until a ret, or until it comes
// back to the label `stop_at`.
struct Run {
    std::string problem;
    int64_t cycles = 0;
    bool returned = false;
    int count = 0;           // r25:r24 (or r24) where the run ended
    std::vector<int> stack;  // the registers pushed, by number, where it ended
    std::vector<bool> written = std::vector<bool>(32, false);  // ever, popped or not
};

class Interpreter {
public:
    Interpreter(const Program& program, CoreCycles costs, int count_bits)
        : program_(program), costs_(costs), wide_(count_bits == 16) {}

    Run run(const std::string& from, int count, const std::vector<int>& stack_at_start,
            const std::string& stop_at) const {
        Run run;
        run.stack = stack_at_start;
        std::vector<int>& stack = run.stack;
        const size_t stop = program_.labels.at(stop_at);
        std::vector<int> reg(32, -1);  // -1: unknown
        reg[1] = 0;
        reg[24] = count & 0xff;
        if (wide_) {
            reg[25] = count >> 8;
        }
        int zero = -1;   // the Z flag; -1: unknown
        int carry = -1;  // the C flag
        size_t pc = program_.labels.at(from);
        auto fail = [&](const std::string& why) {
            run.problem = why + " at instruction " + std::to_string(pc);
            return run;
        };
        auto write = [&](int r, int value) {
            reg[r] = value;
            run.written[r] = true;
        };
        for (int64_t steps = 0; steps < 100000000; ++steps) {
            if (pc >= program_.code.size()) {
                return fail("ran past the end");
            }
            if (steps > 0 && pc == stop) {
                run.count = wide_ ? reg[24] + 256 * reg[25] : reg[24];
                return run;
            }
            const Instruction& in = program_.code[pc++];
            const int r = in.reg;
            const bool reads = in.op == Op::dec || in.op == Op::tst || in.op == Op::subi ||
                               in.op == Op::sbci || in.op == Op::sbiw;
            if (reads && (r < 0 || reg[r] < 0 || (in.op == Op::sbiw && reg[r + 1] < 0))) {
                return fail("reads an unloaded register r" + std::to_string(r));
            }
            switch (in.op) {
                case Op::ldi:
                    if (r < 16 || in.value < 0 || in.value > 255) {
                        return fail("an ldi that cannot be assembled");
                    }
                    write(r, in.value);
                    run.cycles += 1;
                    break;
                case Op::dec:
                    write(r, (reg[r] + 255) & 0xff);
                    zero = reg[r] == 0 ? 1 : 0;
                    run.cycles += 1;
                    break;
                case Op::tst:
                    zero = reg[r] == 0 ? 1 : 0;
                    run.cycles += 1;
                    break;
                case Op::nop:
                    run.cycles += 1;
                    break;
                case Op::sbiw: {
                    if (r < 24 || r % 2 != 0 || in.value < 0 || in.value > 63) {
                        return fail("an sbiw that cannot be assembled");
                    }
                    const int pair = reg[r] + 256 * reg[r + 1];
                    const int result = (pair - in.value) & 0xffff;
                    write(r, result & 0xff);
                    write(r + 1, result >> 8);
                    zero = result == 0 ? 1 : 0;
                    carry = pair < in.value ? 1 : 0;
                    run.cycles += 2;
                    break;
                }
                case Op::subi:
                case Op::sbci: {
                    if (r < 16 || in.value < 0 || in.value > 255) {
                        return fail("a subi or sbci that cannot be assembled");
                    }
                    if (in.op == Op::sbci && (carry < 0 || zero < 0)) {
                        return fail("an sbci after no subtraction");
                    }
                    // sbci subtracts the carry too and keeps Z only if it was set.
                    const int borrow = in.op == Op::sbci ? carry : 0;
                    const int result = (reg[r] - in.value - borrow) & 0xff;
                    carry = reg[r] < in.value + borrow ? 1 : 0;
                    zero = (result == 0 && (in.op == Op::subi || zero == 1)) ? 1 : 0;
                    write(r, result);
                    run.cycles += 1;
                    break;
                }
                case Op::brne:
                case Op::breq:
                    if (zero < 0) {
                        return fail("branches on a flag nothing has set");
                    }
                    if ((zero == 1) == (in.op == Op::breq)) {
                        pc = in.jump_to;
                        run.cycles += 2;
                    } else {
                        run.cycles += 1;
                    }
                    break;
                case Op::rjmp:
                    pc = in.jump_to;
                    run.cycles += 2;
                    break;
                case Op::push:
                    stack.push_back(r);
                    run.cycles += costs_.push;
                    break;
                case Op::pop:
                    if (stack.empty() || stack.back() != r) {
                        return fail("a pop that does not match its push");
                    }
                    stack.pop_back();
                    reg[r] = -1;  // the caller's value again
                    run.cycles += costs_.pop;
                    break;
                case Op::ret:
                    if (!stack.empty()) {
                        return fail("ret with registers still pushed");
                    }
                    run.cycles += costs_.ret;
                    run.returned = true;
                    return run;
            }
        }
        return fail("does not end");
    }

private:
    const Program& program_;
    CoreCycles costs_;
    bool wide_;
};

struct Case {
    AvrCore core;
    bool long_call;
    bool save;
    int count_bits;
    std::optional<int64_t> unit;  // the smallest the planner takes, if not given
    bool compact = false;         // the delays of a pass written as compact delays
};

std::string describe(const Case& c, int64_t unit) {
    return std::string(cyclotrim::avr_core_name(c.core)) + (c.long_call ? " call" : " rcall") +
           (c.save ? " save " : " ") + std::to_string(c.count_bits) + " bits, unit " +
           std::to_string(unit) + (c.compact ? ", compact" : "");
}

// The registers the delays of a pass use, by number: the defaults of each form.
std::vector<int> loop_registers(bool compact) {
    return compact ? std::vector<int>{26, 27, 18, 19} : std::vector<int>{18, 19, 20};
}

cyclotrim::FormedListing listing_of(const Case& c, int64_t unit) {
    cyclotrim::ListingForm listing_form;
    listing_form.name = "wait";
    listing_form.variable = VariableDelayForm{c.core, c.long_call, c.save, c.count_bits};
    if (!c.compact) {
        return cyclotrim::write_listing_in_form(static_cast<int32_t>(unit),
                                                cyclotrim::variable_delay_register_texts(),
                                                listing_form);
    }
    listing_form.compact = cyclotrim::CompactForm{};
    listing_form.compact->registers = cyclotrim::compact_variable_delay_registers();
    listing_form.compact->core = c.core;
    return cyclotrim::write_compact_in_form(unit, listing_form);
}

// Why the listing of `c` does not keep its promise for some n, or "".
std::string promise_problem(const Case& c, int64_t unit) {
    const cyclotrim::FormedListing formed = listing_of(c, unit);
    if (formed.refused) {
        return "refused: " + formed.refusal;
    }
    // The header's comment lines read as one text.
    const std::string header_text = std::regex_replace(formed.text, std::regex("\n; "), " ");
    std::smatch header;
    if (!std::regex_search(header_text, header,
                           std::regex("n x (\\d+) cycles .* with n = 0 it takes (\\d+) cycles"))) {
        return "no unit or n = 0 cycles in the header";
    }
    const Program program = parse(formed.text);
    if (!program.problem.empty()) {
        return program.problem;
    }
    // Every instruction here is one word.
    std::smatch words;
    if (c.compact && (!std::regex_search(header_text, words, std::regex(" (\\d+) words: ")) ||
                      std::stoul(words[1]) != program.code.size())) {
        return "the header does not state the " + std::to_string(program.code.size()) + " words";
    }
    const CoreCycles costs = core_cycles(c.core);
    const int64_t call = c.long_call ? costs.call : costs.rcall;
    const Interpreter interpreter(program, costs, c.count_bits);
    const int largest = c.count_bits == 16 ? 65535 : 255;
    const std::string pass = "wait__pass";
    // n = 0, and the stack a first pass starts with.
    const Run zero = interpreter.run("wait", 0, {}, pass);
    if (!zero.problem.empty() || !zero.returned) {
        return "n = 0: " + (zero.problem.empty() ? "does not return at once" : zero.problem);
    }
    if (call + zero.cycles != std::stoll(header[2])) {
        return "n = 0 takes " + std::to_string(call + zero.cycles) + ", not " + header[2].str();
    }
    const Run entry = interpreter.run("wait", 1, {}, pass);
    if (!entry.problem.empty() || entry.returned) {
        return "n = 1 does not reach the first pass: " + entry.problem;
    }
    // Besides the count, only the loop registers may change, and only
    // those pushed (and so popped before ret) when saving.
    std::vector<bool> may_change(32, false);
    may_change[24] = true;
    may_change[25] = c.count_bits == 16;
    for (int r : loop_registers(c.compact)) {
        may_change[r] = !c.save;
    }
    for (int r : entry.stack) {
        may_change[r] = true;
    }
    auto changes_too_much = [&](const Run& run) {
        for (int r = 0; r < 32; ++r) {
            if (run.written[r] && !may_change[r]) {
                return "changes r" + std::to_string(r);
            }
        }
        return std::string();
    };
    // from_pass[v]: from the first pass's label with the count v to the end.
    std::vector<int64_t> from_pass(largest + 1, -1);
    for (int v = 1; v <= largest; ++v) {
        const Run pass_run = interpreter.run(pass, v, entry.stack, pass);
        if (!pass_run.problem.empty()) {
            return "count " + std::to_string(v) + ": " + pass_run.problem;
        }
        if (const std::string changed = changes_too_much(pass_run); !changed.empty()) {
            return changed;
        }
        if (pass_run.returned) {
            from_pass[v] = pass_run.cycles;
        } else if (pass_run.count >= 1 && pass_run.count < v) {
            from_pass[v] = pass_run.cycles + from_pass[pass_run.count];
        } else {
            return "count " + std::to_string(v) + " comes back with " + std::to_string(pass_run.count);
        }
    }
    for (int n = 1; n <= largest; ++n) {
        const Run start = interpreter.run("wait", n, {}, pass);
        if (!start.problem.empty() || start.returned || start.count != n) {
            return "n = " + std::to_string(n) + " does not start its first pass: " + start.problem;
        }
        if (const std::string changed = changes_too_much(start); !changed.empty()) {
            return changed;
        }
        const int64_t total = call + start.cycles + from_pass[n];
        if (total != int64_t{n} * unit || std::stoll(header[1]) != unit) {
            return "n = " + std::to_string(n) + " takes " + std::to_string(total);
        }
    }
    return "";
}

}  // namespace

// The smallest unit of every core, call, count width and saving, in the
// window's loops and compact, each proven for every n; one cycle less is
// refused, and every larger unit up to 2000 cycles above it is planned.
TEST(VariableDelayExhaustive, TheSmallestUnitOfEveryFormHoldsForEveryCount) {
    for (AvrCore core : {AvrCore::avre, AvrCore::avre22, AvrCore::avrxt, AvrCore::avrxm}) {
        for (int bits : {8, 16}) {
            for (bool long_call : {false, true}) {
                for (bool save : {false, true}) {
                    const Case c{core, long_call, save, bits, std::nullopt};
                    const VariableDelayForm form{core, long_call, save, bits};
                    const std::optional<int32_t> smallest = cyclotrim::smallest_variable_unit(form);
                    ASSERT_TRUE(smallest.has_value());
                    EXPECT_FALSE(cyclotrim::plan_variable_delay(*smallest - 1, form));
                    for (int32_t unit = *smallest; unit < *smallest + 2000; ++unit) {
                        ASSERT_TRUE(cyclotrim::plan_variable_delay(unit, form)) << describe(c, unit);
                    }
                    EXPECT_EQ(promise_problem(c, *smallest), "") << describe(c, *smallest);

                    // The compact form with its default registers, R26:R27 a pair for sbiw.
                    const Case compact{core, long_call, save, bits, std::nullopt, true};
                    const CompactRegisters usable{4, true};
                    const std::optional<int32_t> least =
                        cyclotrim::smallest_compact_variable_unit(form);
                    ASSERT_TRUE(least.has_value());
                    EXPECT_FALSE(cyclotrim::plan_compact_variable_delay(*least - 1, form, usable));
                    for (int32_t unit = *least; unit < *least + 2000; ++unit) {
                        ASSERT_TRUE(cyclotrim::plan_compact_variable_delay(unit, form, usable))
                            << describe(compact, unit);
                    }
                    EXPECT_EQ(promise_problem(compact, *least), "") << describe(compact, *least);
                }
            }
        }
    }
    // delay_us at 16 MHz fits on the most common core and call.
    EXPECT_LE(cyclotrim::smallest_variable_unit({AvrCore::avre, false, false, 16}), 16);
}

TEST(VariableDelayExhaustive, LargerUnitsHoldForEveryCount) {
    const Case cases[] = {
        {AvrCore::avre, false, false, 16, 16},       // delay_us at 16 MHz
        {AvrCore::avre, false, false, 16, 16000},    // delay_ms at 16 MHz
        {AvrCore::avre22, true, true, 16, 16000},
        {AvrCore::avre, false, true, 16, 790},       // the rest of a pass needs a second register
        {AvrCore::avrxt, false, true, 8, 7372},
        {AvrCore::avrxm, true, false, 16, 1000},
        // Compact: delay_us and delay_ms at 16 MHz, saving, and counters of three bytes.
        {AvrCore::avre, false, false, 16, 16, true},
        {AvrCore::avre, false, false, 16, 16000, true},
        {AvrCore::avre22, true, true, 16, 16000, true},
        {AvrCore::avrxt, false, true, 8, 7372, true},
        {AvrCore::avrxm, true, false, 16, 1000, true},
        {AvrCore::avre, true, true, 8, 1000000, true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(promise_problem(c, *c.unit), "") << describe(c, *c.unit);
    }
}
