// SPDX-License-Identifier: MIT
#include "compact_reader.hpp"

#include <array>
#include <cctype>
#include <cstdlib>
#include <optional>
#include <utility>
#include <vector>

namespace {

// Cycles on every AVR core that has these instructions.
constexpr int64_t ldi_cycles = 1, nop_cycles = 1, relative_jump_cycles = 2, dec_cycles = 1,
                  tst_cycles = 1, subi_cycles = 1, sbci_cycles = 1, sbiw_cycles = 2,
                  branch_taken = 2, branch_not_taken = 1;

constexpr size_t nowhere = static_cast<size_t>(-1);

struct Instruction {
    std::string mnemonic;
    std::string first;   // first operand
    std::string second;  // second operand, may be empty
    size_t target = nowhere;  // where a branch or jump goes
};

std::string_view trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return text;
}

std::string lower(std::string_view text) {
    std::string lowered(text);
    for (char& c : lowered) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return lowered;
}

bool equal_ignoring_case(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

bool all_digits(std::string_view text) {
    if (text.empty()) {
        return false;
    }
    for (char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
    }
    return true;
}

bool is_symbol(std::string_view text) {
    if (text.empty() || std::isdigit(static_cast<unsigned char>(text[0]))) {
        return false;
    }
    for (char c : text) {
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_') {
            return false;
        }
    }
    return true;
}

// The register a name stands for, as avra reads it: R<number> in either
// case and with any leading zeros, the pointer halves the device include
// files define (XL = r26 ... ZH = r31, in any case), and lower-case x, y
// and z (r26, r28, r30); nothing for any other name.
std::optional<int> register_number(std::string_view name) {
    static const std::pair<const char*, int> halves[] = {{"xl", 26}, {"xh", 27}, {"yl", 28},
                                                         {"yh", 29}, {"zl", 30}, {"zh", 31}};
    static const std::pair<const char*, int> pairs[] = {{"x", 26}, {"y", 28}, {"z", 30}};
    if (name.size() >= 2 && (name[0] == 'r' || name[0] == 'R') && all_digits(name.substr(1))) {
        int number = 0;
        for (size_t i = 1; i < name.size() && number <= 31; ++i) {
            number = number * 10 + (name[i] - '0');
        }
        return number <= 31 ? std::optional<int>(number) : std::nullopt;
    }
    for (const auto& [half, number] : halves) {
        if (equal_ignoring_case(name, half)) {
            return number;
        }
    }
    for (const auto& [pair, number] : pairs) {
        if (name == pair) {
            return number;
        }
    }
    return std::nullopt;
}

// Registers by number, then the .def aliases the listing names.
constexpr size_t most_aliases = 8;
using Registers = std::array<int64_t, 32 + most_aliases>;

class Reader {
public:
    explicit Reader(const CompactRun& run) : run_(run) {}

    CompactReading read(std::string_view listing) {
        parse(listing);
        if (reading_.problem.empty()) {
            resolve_targets();
        }
        if (reading_.problem.empty()) {
            run();
        }
        reading_.ok = reading_.problem.empty();
        return reading_;
    }

private:
    void fail(const std::string& why) {
        if (reading_.problem.empty()) {
            reading_.problem = why;
        }
    }

    void read_header(std::string_view line) {
        // "; 1000 cycles in 4 words"
        const std::string text(line);
        char* end = nullptr;
        const long long cycles = std::strtoll(text.c_str() + 2, &end, 10);
        if (end != text.c_str() + 2 && std::string_view(end).rfind(" cycles in ", 0) == 0) {
            reading_.header_cycles = cycles;
            reading_.header_words = std::strtoll(end + 11, nullptr, 10);
        }
    }

    void define_label(const std::string& label) {
        if (all_digits(label)) {
            numeric_labels_.emplace_back(label, code_.size());  // GNU as: may repeat
            return;
        }
        for (const auto& [defined, at] : named_labels_) {
            if (equal_ignoring_case(defined, label)) {
                fail("label " + label + " defined twice");
            }
        }
        named_labels_.emplace_back(label, code_.size());
    }

    void parse(std::string_view listing) {
        while (!listing.empty()) {
            const size_t newline = listing.find('\n');
            std::string_view line = listing.substr(0, newline);
            listing.remove_prefix(newline == std::string_view::npos ? listing.size() : newline + 1);
            if (line.rfind(";", 0) == 0) {
                if (reading_.header_cycles < 0) {
                    read_header(line);
                }
                continue;
            }
            if (line.find(';') != std::string_view::npos) {
                fail("a comment after code");
            }
            line = trim(line);
            if (line.rfind(".", 0) == 0) {
                continue;  // an assembler directive: .text, .global, .type, .size
            }
            const size_t colon = line.find(':');
            if (colon != std::string_view::npos) {
                const std::string label(trim(line.substr(0, colon)));
                if (!all_digits(label) && !is_symbol(label)) {
                    fail("label " + label);
                }
                define_label(label);
                line = trim(line.substr(colon + 1));
            }
            if (line.empty()) {
                continue;
            }
            Instruction instruction;
            const size_t space = line.find_first_of(" \t");
            instruction.mnemonic = std::string(line.substr(0, space));
            if (space != std::string_view::npos) {
                const std::string_view operands = trim(line.substr(space));
                const size_t comma = operands.find(',');
                instruction.first = std::string(trim(operands.substr(0, comma)));
                if (comma != std::string_view::npos) {
                    instruction.second = std::string(trim(operands.substr(comma + 1)));
                }
            }
            code_.push_back(std::move(instruction));
        }
        reading_.words = static_cast<int64_t>(code_.size());  // every instruction here is one word
    }

    // Where the branch or jump at `index` goes: "PC+1" the next
    // instruction; "Nb" the nearest instruction at or before it that the
    // local label N marks, "Nf" the nearest after it; a name the instruction
    // its label marks.
    size_t target_of(size_t index, const std::string& operand) {
        if (operand == "PC+1") {
            return index + 1;
        }
        const char direction = operand.empty() ? '\0' : operand.back();
        const std::string_view number = std::string_view(operand).substr(0, operand.size() - 1);
        if ((direction == 'b' || direction == 'f') && all_digits(number)) {
            size_t found = nowhere;
            for (const auto& [label, at] : numeric_labels_) {
                if (label == number && direction == 'b' && at <= index) {
                    found = at;  // the last one before
                }
                if (label == number && direction == 'f' && at > index && found == nowhere) {
                    found = at;
                }
            }
            return found;
        }
        for (const auto& [label, at] : named_labels_) {
            if (label == operand) {
                return at;
            }
        }
        return nowhere;
    }

    // Resolves every branch and jump, and notes for each instruction the
    // branches at or after it that close a loop back to it, in order: a
    // brne back, or a breq over an rjmp back (a body too long for brne's
    // reach). Two loops may start at one instruction, one inside the other.
    void resolve_targets() {
        closing_.assign(code_.size() + 1, {});
        for (size_t i = 0; i < code_.size(); ++i) {
            Instruction& in = code_[i];
            if (in.mnemonic == "brne" || in.mnemonic == "breq" || in.mnemonic == "rjmp") {
                in.target = target_of(i, in.first);
                if (in.target == nowhere || in.target > code_.size() || !in.second.empty()) {
                    fail(in.mnemonic + " " + in.first + " goes nowhere");
                    continue;
                }
                const bool jumps_back = in.mnemonic == "rjmp" && i > 0 &&
                                        code_[i - 1].mnemonic == "breq" &&
                                        code_[i - 1].target == i + 1;
                if ((in.mnemonic == "brne" || jumps_back) && in.target <= i) {
                    closing_[in.target].push_back(jumps_back ? i - 1 : i);
                }
            }
        }
    }

    bool closes_loop(size_t start, size_t branch) const {
        for (size_t closing : closing_[start]) {
            if (closing == branch) {
                return true;
            }
        }
        return false;
    }

    // Cycles of a loop's branch back on every pass but the last, which
    // takes one cycle less: brne, or breq not taken and rjmp.
    int64_t loop_back_cycles(size_t closing) const {
        return code_[closing].mnemonic == "breq" ? branch_not_taken + relative_jump_cycles
                                                 : branch_taken;
    }

    // The index of a register operand, or nothing (and the reading fails).
    std::optional<size_t> register_index(const std::string& name) {
        if (const std::optional<int> number = register_number(name)) {
            return static_cast<size_t>(*number);
        }
        if (!is_symbol(name)) {
            fail("not a register: " + name);
            return std::nullopt;
        }
        const std::string alias = lower(name);
        for (size_t i = 0; i < aliases_.size(); ++i) {
            if (aliases_[i] == alias) {
                return 32 + i;
            }
        }
        if (aliases_.size() == most_aliases) {
            fail("too many .def aliases");
            return std::nullopt;
        }
        aliases_.push_back(alias);
        return 32 + aliases_.size() - 1;
    }

    std::string register_name(size_t index) const {
        return index < 32 ? "r" + std::to_string(index) : aliases_[index - 32];
    }

    void write(size_t index, int64_t value) {
        values_[index] = value;
        written_[index] = true;
    }

    // A known value of the register `name`, or nothing (and the reading fails).
    std::optional<size_t> known_register(const std::string& name) {
        const std::optional<size_t> index = register_index(name);
        if (index && values_[*index] < 0) {
            fail("reads " + name + " before anything loads it");
            return std::nullopt;
        }
        return index;
    }

    // The counter's registers, low byte first, of the count-down chain that
    // ends just before the brne at `end` and starts at or after `begin`;
    // `chain_begin` gets its first instruction.
    std::vector<size_t> count_down_chain(size_t begin, size_t end, size_t& chain_begin,
                                         int64_t& chain_cycles) {
        std::vector<size_t> high_bytes;  // sbci registers, highest first
        size_t i = end;
        chain_cycles = 0;
        while (i > begin && code_[i - 1].mnemonic == "sbci") {
            --i;
            const std::optional<int> number = register_number(code_[i].first);
            const std::optional<size_t> index = register_index(code_[i].first);
            if ((number && *number < 16) || !index || code_[i].second != "0") {
                fail("sbci " + code_[i].first + "," + code_[i].second);
                return {};
            }
            high_bytes.insert(high_bytes.begin(), *index);
            chain_cycles += sbci_cycles;
        }
        if (i == begin) {
            fail("a loop without a count-down");
            return {};
        }
        const Instruction& lowest = code_[--i];
        chain_begin = i;
        const std::optional<int> number = register_number(lowest.first);
        const std::optional<size_t> index = register_index(lowest.first);
        std::vector<size_t> bytes;
        if (!index) {
            return {};
        }
        if (lowest.mnemonic == "dec" && lowest.second.empty() && high_bytes.empty()) {
            bytes = {*index};
            chain_cycles += dec_cycles;
        } else if (lowest.mnemonic == "subi" && lowest.second == "1" && (!number || *number >= 16)) {
            bytes = {*index};
            chain_cycles += subi_cycles;
        } else if (lowest.mnemonic == "sbiw" && lowest.second == "1" && number && *number >= 24 &&
                   *number % 2 == 0) {
            bytes = {*index, *index + 1};
            chain_cycles += sbiw_cycles;
        } else {
            fail("a count-down of " + lowest.mnemonic + " " + lowest.first + "," + lowest.second);
            return {};
        }
        bytes.insert(bytes.end(), high_bytes.begin(), high_bytes.end());
        return bytes;
    }

    // Times the loop from `begin` to its brne at `end`, after which every
    // counter register holds 0. The body before the count-down may hold
    // loops of its own; it must take the same cycles on every pass and
    // leave the counter alone.
    int64_t loop_cycles(size_t begin, size_t end) {
        size_t chain_begin = end;
        int64_t chain = 0;
        const std::vector<size_t> bytes = count_down_chain(begin, end, chain_begin, chain);
        if (bytes.empty()) {
            return 0;
        }
        int64_t counter = 0;
        for (size_t k = bytes.size(); k-- > 0;) {
            if (values_[bytes[k]] < 0) {
                fail("a counter register is not loaded: " + register_name(bytes[k]));
                return 0;
            }
            for (size_t j = 0; j < k; ++j) {
                if (bytes[j] == bytes[k]) {
                    fail("a counter register twice: " + register_name(bytes[k]));
                }
            }
            counter = counter * 256 + values_[bytes[k]];
        }
        const int64_t passes = counter == 0 ? int64_t{1} << (8 * bytes.size()) : counter;
        // The first pass, then the second from where the first left the
        // registers: equal cycles and equal registers after them make every
        // later pass the same as the second. A loop in the body loaded once
        // before this one makes the first pass differ; then the third must
        // equal the second.
        const Registers before = values_;
        const int64_t first_body = time_range(begin, chain_begin, false);
        const Registers after_first = values_;
        int64_t body = time_range(begin, chain_begin, false);
        if (body != first_body || values_ != after_first) {
            const Registers after_second = values_;
            if (time_range(begin, chain_begin, false) != body || values_ != after_second) {
                fail("a loop body that takes different cycles on different passes");
            }
        }
        for (size_t byte : bytes) {
            if (values_[byte] != before[byte]) {
                fail("a loop body that changes its own counter");
            }
            write(byte, 0);
        }
        zero_ = 1;
        return first_body + (passes - 1) * body + passes * (chain + loop_back_cycles(end)) - 1;
    }

    // The brne that closes the outermost loop starting at `start` before
    // `end`, if any.
    size_t loop_end(size_t start, size_t end) const {
        for (size_t k = closing_[start].size(); k-- > 0;) {
            if (closing_[start][k] < end) {
                return closing_[start][k];
            }
        }
        return nowhere;
    }

    // The cycles of a straight instruction: ldi, nop, a jump to the next
    // instruction, dec, tst, sbiw; -1 for any other.
    int64_t straight_cycles(size_t index) {
        const Instruction& in = code_[index];
        if (in.mnemonic == "nop" && in.first.empty()) {
            return nop_cycles;
        }
        if (in.mnemonic == "rjmp" && in.target == index + 1) {
            return relative_jump_cycles;
        }
        if (in.mnemonic == "ldi") {
            const std::optional<int> number = register_number(in.first);
            const std::optional<size_t> target = register_index(in.first);
            char* end = nullptr;
            const long value = std::strtol(in.second.c_str(), &end, 0);
            if (!target || (number && *number < 16) || in.second.rfind("0x", 0) != 0 ||
                *end != '\0' || value < 0 || value > 255) {
                fail("ldi " + in.first + "," + in.second);
                return -1;
            }
            write(*target, value);
            return ldi_cycles;
        }
        if ((in.mnemonic == "dec" || in.mnemonic == "tst") && in.second.empty()) {
            const std::optional<size_t> r = known_register(in.first);
            if (!r) {
                return -1;
            }
            if (in.mnemonic == "dec") {
                write(*r, (values_[*r] + 255) % 256);
            }
            zero_ = values_[*r] == 0 ? 1 : 0;
            return in.mnemonic == "dec" ? dec_cycles : tst_cycles;
        }
        if (in.mnemonic == "sbiw") {
            const std::optional<int> number = register_number(in.first);
            const long constant = std::strtol(in.second.c_str(), nullptr, 10);
            if (!number || *number < 24 || *number % 2 != 0 || !all_digits(in.second) ||
                constant > 63 || !known_register(in.first) ||
                !known_register("r" + std::to_string(*number + 1))) {
                fail("sbiw " + in.first + "," + in.second);
                return -1;
            }
            const int64_t pair = values_[*number] + 256 * values_[*number + 1];
            const int64_t result = (pair - constant + 65536) % 65536;
            write(*number, result % 256);
            write(*number + 1, result / 256);
            zero_ = result == 0 ? 1 : 0;
            return sbiw_cycles;
        }
        return -1;
    }

    // push, pop and ret of a subroutine at the top level.
    int64_t stack_cycles(const Instruction& in) {
        const StackCosts& costs = *run_.stack;
        if (in.mnemonic == "ret" && in.first.empty()) {
            if (!stack_.empty()) {
                fail("ret with registers still pushed");
            }
            returned_ = true;
            return costs.ret;
        }
        const std::optional<size_t> r = register_index(in.first);
        if (!r || !in.second.empty()) {
            return -1;
        }
        if (in.mnemonic == "push") {
            stack_.push_back({*r, {values_[*r], written_[*r] ? 1 : 0}});
            return costs.push;
        }
        if (in.mnemonic == "pop") {
            if (stack_.empty() || stack_.back().first != *r) {
                fail("pop " + in.first + " does not restore the register pushed last");
                return -1;
            }
            values_[*r] = stack_.back().second.first;
            written_[*r] = stack_.back().second.second == 1;
            stack_.pop_back();
            return costs.pop;
        }
        return -1;
    }

    // The cycles of the code from `begin` until `end`, or at the top level
    // until a ret: loops are timed as a whole, branches forward follow the
    // flag, a brne back takes the code into the loop it closes.
    int64_t time_range(size_t begin, size_t end, bool top_level) {
        int64_t cycles = 0;
        size_t i = begin;
        while (i < end && reading_.problem.empty() && !returned_) {
            const size_t loop_last = loop_end(i, end);
            if (loop_last != nowhere) {
                cycles += loop_cycles(i, loop_last);
                i = loop_last + (code_[loop_last].mnemonic == "breq" ? 2 : 1);
                continue;
            }
            const Instruction& in = code_[i];
            int64_t straight = straight_cycles(i);
            if (straight >= 0) {
                cycles += straight;
                ++i;
                continue;
            }
            const bool branch = in.mnemonic == "brne" || in.mnemonic == "breq";
            if ((branch || in.mnemonic == "rjmp") && reading_.problem.empty()) {
                if (!top_level) {
                    fail("a jump inside a loop: " + in.mnemonic + " " + in.first);
                    break;
                }
                if (branch && zero_ < 0) {
                    fail(in.mnemonic + " on a flag that nothing has set");
                    break;
                }
                const bool taken = !branch || (zero_ == 1) == (in.mnemonic == "breq");
                const bool closes_a_loop =
                    in.mnemonic == "brne" || (i > 0 && closes_loop(in.target, i - 1));
                if (taken && in.target <= i && !closes_a_loop) {
                    fail("a jump back that closes no loop");
                    break;
                }
                cycles += taken ? branch_taken : branch_not_taken;
                i = taken ? in.target : i + 1;
                continue;
            }
            straight = run_.stack != nullptr && top_level && reading_.problem.empty()
                           ? stack_cycles(in)
                           : -1;
            if (straight < 0) {
                fail("cannot time " + in.mnemonic + " " + in.first);
                break;
            }
            cycles += straight;
            ++i;
        }
        return cycles;
    }

    void run() {
        for (const auto& [number, value] : run_.inputs) {
            values_[static_cast<size_t>(number)] = value;
        }
        reading_.cycles = time_range(0, code_.size(), true);
        if (run_.stack != nullptr && !returned_) {
            fail("a subroutine that does not return");
        }
        for (size_t r = 0; r < values_.size(); ++r) {
            if (written_[r]) {
                reading_.changed.push_back(register_name(r));
            }
        }
    }

    const CompactRun& run_;
    CompactReading reading_;
    std::vector<Instruction> code_;
    std::vector<std::vector<size_t>> closing_;  // by instruction: the brne that close loops back to it
    std::vector<std::pair<std::string, size_t>> named_labels_;
    std::vector<std::pair<std::string, size_t>> numeric_labels_;
    std::vector<std::string> aliases_;
    Registers values_ = filled(-1);  // by register index; -1 until loaded
    std::array<bool, 32 + most_aliases> written_{};
    int zero_ = -1;  // the Z flag; -1 until something sets it
    // Each pushed register with the value and the written mark it had.
    std::vector<std::pair<size_t, std::pair<int64_t, int>>> stack_;
    bool returned_ = false;

    static Registers filled(int64_t value) {
        Registers values;
        values.fill(value);
        return values;
    }
};

}  // namespace

std::string avra_register_key(std::string_view name) {
    const std::optional<int> number = register_number(name);
    return number ? "r" + std::to_string(*number) : lower(name);
}

CompactReading read_compact_listing(std::string_view listing, const CompactRun& run) {
    return Reader(run).read(listing);
}
