// SPDX-License-Identifier: MIT
#include "listing_reader.hpp"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <map>
#include <sstream>
#include <vector>

namespace {

constexpr size_t nowhere = static_cast<size_t>(-1);

struct Instruction {
    std::vector<std::string> labels;  // defined on this instruction
    std::string mnemonic;
    std::vector<std::string> operands;
    size_t target = nowhere;  // where a brne goes
};

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool all_digits(const std::string& text) {
    return !text.empty() && std::all_of(text.begin(), text.end(),
                                        [](unsigned char c) { return std::isdigit(c) != 0; });
}

// The register an operand names, as avra makes of it: r<number> with any
// leading zeros is that register, lower-case x, y and z are r26, r28 and
// r30, and the pointer halves that device include files define (XL = r26
// ... ZH = r31, in any case) are numbered registers too; so a listing that
// gives one register two names is read as one.
std::string register_key(const std::string& operand) {
    static const std::map<std::string, std::string> other_names{
        {"xl", "r26"}, {"xh", "r27"}, {"yl", "r28"}, {"yh", "r29"}, {"zl", "r30"}, {"zh", "r31"}};
    static const std::map<std::string, std::string> pairs{{"x", "r26"}, {"y", "r28"}, {"z", "r30"}};
    const std::string name = lower(operand);
    if (name.size() > 1 && name[0] == 'r' && all_digits(name.substr(1))) {
        const size_t digit = std::min(name.find_first_not_of('0', 1), name.size() - 1);
        return "r" + name.substr(digit);
    }
    if (const auto pair = pairs.find(operand); pair != pairs.end()) {
        return pair->second;
    }
    const auto other = other_names.find(name);
    return other != other_names.end() ? other->second : name;
}

std::string trim(const std::string& text) {
    const size_t begin = text.find_first_not_of(" \t");
    if (begin == std::string::npos) {
        return "";
    }
    return text.substr(begin, text.find_last_not_of(" \t") - begin + 1);
}

// The count of a header line "; N cycles", or -1.
int64_t header_count(const std::string& line) {
    const std::string prefix = "; ";
    const std::string suffix = " cycles";
    if (line.size() <= prefix.size() + suffix.size() || line.rfind(prefix, 0) != 0 ||
        line.compare(line.size() - suffix.size(), suffix.size(), suffix) != 0) {
        return -1;
    }
    const std::string number = line.substr(prefix.size(), line.size() - prefix.size() - suffix.size());
    return all_digits(number) ? std::strtoll(number.c_str(), nullptr, 10) : -1;
}

struct StackEntry {
    std::string key;
    int value;  // -1: not known
};

class Reader {
public:
    Reader(const std::string& listing, const StackCosts* stack) : stack_costs_(stack) {
        parse(listing);
        resolve_branches();
    }

    ListingReading read() {
        ListingReading reading;
        reading.header_cycles = header_cycles_;
        std::map<std::string, int> registers;
        if (problem_.empty()) {
            reading.cycles = run(0, code_.size(), registers, nowhere);
        }
        if (problem_.empty() && returned_ && !stack_.empty()) {
            fail("returns with " + std::to_string(stack_.size()) + " registers on the stack");
        }
        reading.ok = problem_.empty();
        reading.problem = problem_;
        return reading;
    }

private:
    void fail(const std::string& why) {
        if (problem_.empty()) {
            problem_ = why;
        }
    }

    void parse(const std::string& listing) {
        std::istringstream lines(listing);
        std::string line;
        std::vector<std::string> pending_labels;
        std::map<std::string, int> named_labels;
        while (std::getline(lines, line)) {
            if (header_cycles_ < 0) {
                header_cycles_ = header_count(line);
            }
            line = trim(line.substr(0, line.find(';')));
            const size_t colon = line.find(':');
            if (colon != std::string::npos) {
                const std::string label = trim(line.substr(0, colon));
                // Numeric local labels may repeat; named ones, ignoring case, may not.
                if (!all_digits(label) && ++named_labels[lower(label)] > 1) {
                    fail("label " + label + " defined twice");
                }
                pending_labels.push_back(label);
                line = trim(line.substr(colon + 1));
            }
            if (line.empty()) {
                continue;
            }
            Instruction instruction;
            instruction.labels.swap(pending_labels);
            const size_t space = line.find_first_of(" \t");
            instruction.mnemonic = lower(line.substr(0, space));
            std::stringstream operands(space == std::string::npos ? "" : line.substr(space));
            std::string operand;
            while (std::getline(operands, operand, ',')) {
                instruction.operands.push_back(trim(operand));
            }
            code_.push_back(instruction);
        }
        if (!pending_labels.empty()) {
            fail("label " + pending_labels.front() + " marks no instruction");
        }
    }

    // A named target is the instruction its label marks; "Nb" is the
    // nearest instruction at or before the branch that the local label N marks.
    void resolve_branches() {
        for (size_t i = 0; i < code_.size(); ++i) {
            Instruction& in = code_[i];
            if (in.mnemonic != "brne" || in.operands.size() != 1) {
                continue;
            }
            const std::string& operand = in.operands[0];
            const bool backward = operand.size() > 1 && operand.back() == 'b' &&
                                  all_digits(operand.substr(0, operand.size() - 1));
            const std::string label = backward ? operand.substr(0, operand.size() - 1) : operand;
            for (size_t j = backward ? i + 1 : code_.size(); j-- > 0 && in.target == nowhere;) {
                for (const std::string& defined : code_[j].labels) {
                    if (backward ? defined == label : lower(defined) == lower(label) && !all_digits(defined)) {
                        in.target = j;
                    }
                }
            }
            if (in.target == nowhere) {
                fail("brne " + operand + " goes nowhere");
            }
        }
    }

    // The brne that closes a loop starting at instruction `start`.
    size_t loop_end(size_t start) const {
        for (size_t i = start; i < code_.size(); ++i) {
            if (code_[i].mnemonic == "brne" && code_[i].target == start) {
                return i;
            }
        }
        return nowhere;
    }

    // Cycles of instructions [begin, end). `entered` is the first
    // instruction of the loop whose body this is, so that it does not start
    // that loop again.
    int64_t run(size_t begin, size_t end, std::map<std::string, int>& registers, size_t entered) {
        int64_t cycles = 0;
        for (size_t i = begin; i < end && problem_.empty(); ++i) {
            const size_t last = i == entered ? nowhere : loop_end(i);
            if (last != nowhere && last < end) {
                cycles += run_loop(i, last, registers);
                i = last;
                continue;
            }
            cycles += run_instruction(i, registers, entered == nowhere);
        }
        return cycles;
    }

    int64_t run_instruction(size_t index, std::map<std::string, int>& registers, bool top_level) {
        const Instruction& in = code_[index];
        if (returned_) {
            fail(in.mnemonic + " after ret");
            return 0;
        }
        if (in.mnemonic == "nop" && in.operands.empty()) {
            return 1;
        }
        if (in.mnemonic == "ldi" && in.operands.size() == 2) {
            char* rest = nullptr;
            const long value = std::strtol(in.operands[1].c_str(), &rest, 0);
            if (*rest != '\0' || value < 1 || value > 255) {
                fail("ldi loads " + in.operands[1]);
            }
            registers[register_key(in.operands[0])] = static_cast<int>(value);
            return 1;
        }
        if (in.mnemonic == "dec" && in.operands.size() == 1) {
            int& value = registers[register_key(in.operands[0])];
            value = (value + 255) % 256;
            return 1;
        }
        if (stack_costs_ != nullptr && top_level) {
            return run_stack_instruction(in, registers);
        }
        fail("cannot time: " + in.mnemonic);
        return 0;
    }

    int64_t run_stack_instruction(const Instruction& in, std::map<std::string, int>& registers) {
        if (in.mnemonic == "push" && in.operands.size() == 1) {
            const std::string key = register_key(in.operands[0]);
            const auto known = registers.find(key);
            stack_.push_back({key, known == registers.end() ? -1 : known->second});
            return stack_costs_->push;
        }
        if (in.mnemonic == "pop" && in.operands.size() == 1) {
            const std::string key = register_key(in.operands[0]);
            if (stack_.empty() || stack_.back().key != key) {
                fail("pop " + in.operands[0] + " does not restore the register pushed last");
                return 0;
            }
            if (stack_.back().value < 0) {
                registers.erase(key);
            } else {
                registers[key] = stack_.back().value;
            }
            stack_.pop_back();
            return stack_costs_->pop;
        }
        if (in.mnemonic == "ret" && in.operands.empty()) {
            returned_ = true;
            return stack_costs_->ret;
        }
        fail("cannot time: " + in.mnemonic);
        return 0;
    }

    // A loop from instruction `first` to the brne `last`, which must follow
    // a dec of the counter; the counter's value on entry gives the passes
    // (0 gives 256). Every pass must cost the same.
    int64_t run_loop(size_t first, size_t last, std::map<std::string, int>& registers) {
        if (last == first || code_[last - 1].mnemonic != "dec" ||
            code_[last - 1].operands.size() != 1) {
            fail("a loop does not end with dec");
            return 0;
        }
        const Instruction& dec = code_[last - 1];
        const std::string counter = register_key(dec.operands[0]);
        if (registers.count(counter) == 0) {
            fail("counter " + counter + " of a loop is not loaded");
            return 0;
        }
        const int passes = registers[counter] == 0 ? 256 : registers[counter];
        std::map<std::string, int> after_one = registers;
        const int64_t first_pass = run(first, last, after_one, first);
        std::map<std::string, int> after_two = after_one;
        const int64_t second_pass = run(first, last, after_two, first);
        after_one.erase(counter);
        const int counter_after_two = after_two[counter];
        after_two.erase(counter);
        if (first_pass != second_pass || after_one != after_two ||
            counter_after_two != (registers[counter] + 254) % 256) {
            fail("a loop on " + counter + " does not repeat the same way");
            return 0;
        }
        registers = after_one;
        registers[counter] = 0;
        // Taken branches cost 2, the last one, not taken, 1.
        return passes * first_pass + 2 * (passes - 1) + 1;
    }

    const StackCosts* stack_costs_;
    std::vector<Instruction> code_;
    std::vector<StackEntry> stack_;
    bool returned_ = false;
    int64_t header_cycles_ = -1;
    std::string problem_;
};

}  // namespace

ListingReading read_listing(const std::string& listing, const StackCosts* stack) {
    return Reader(listing, stack).read();
}
