#include "compact_reader.hpp"

#include <array>
#include <cstdlib>
#include <optional>
#include <utility>
#include <vector>

namespace {

// Cycles on every AVR core that has these instructions.
constexpr int64_t ldi_cycles = 1, nop_cycles = 1, relative_jump_cycles = 2, dec_cycles = 1,
                  subi_cycles = 1, sbci_cycles = 1, sbiw_cycles = 2, brne_taken = 2,
                  brne_not_taken = 1;

struct Instruction {
    std::string mnemonic;
    std::string first;   // first operand
    std::string second;  // second operand, may be empty
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

// R0 ... R31 in either case, and the pointer halves the device include
// files define; nothing for any other name.
std::optional<int> register_number(const std::string& name) {
    static const std::pair<const char*, int> halves[] = {{"XL", 26}, {"XH", 27}, {"YL", 28},
                                                         {"YH", 29}, {"ZL", 30}, {"ZH", 31}};
    for (const auto& [half, number] : halves) {
        if (name == half) {
            return number;
        }
    }
    if (name.size() < 2 || name.size() > 3 || (name[0] != 'R' && name[0] != 'r') ||
        (name[1] == '0' && name.size() == 3)) {
        return std::nullopt;
    }
    int number = 0;
    for (size_t i = 1; i < name.size(); ++i) {
        if (name[i] < '0' || name[i] > '9') {
            return std::nullopt;
        }
        number = number * 10 + (name[i] - '0');
    }
    return number <= 31 ? std::optional<int>(number) : std::nullopt;
}

using Registers = std::array<int64_t, 32>;

class Reader {
public:
    CompactReading read(std::string_view listing) {
        parse(listing);
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
            const size_t colon = line.find(':');
            if (colon != std::string_view::npos) {
                const std::string label(trim(line.substr(0, colon)));
                for (const auto& [defined, at] : labels_) {
                    if (defined == label) {
                        fail("label " + label + " defined twice");
                    }
                }
                labels_.emplace_back(label, code_.size());
                line.remove_prefix(colon + 1);
            }
            line = trim(line);
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
            code_.push_back(instruction);
        }
        reading_.words = static_cast<int64_t>(code_.size());  // every instruction here is one word
    }

    // The cycles of a straight-line instruction, or -1 for one that is not.
    int64_t straight_cycles(const Instruction& instruction) {
        if (instruction.mnemonic == "nop" && instruction.first.empty()) {
            return nop_cycles;
        }
        if (instruction.mnemonic == "rjmp" && instruction.first == "PC+1" &&
            instruction.second.empty()) {
            return relative_jump_cycles;
        }
        if (instruction.mnemonic == "ldi") {
            const std::optional<int> number = register_number(instruction.first);
            char* end = nullptr;
            const long value = std::strtol(instruction.second.c_str(), &end, 0);
            if (!number || *number < 16 || instruction.second.rfind("0x", 0) != 0 || *end != '\0' ||
                value < 0 || value > 255) {
                fail("ldi " + instruction.first + "," + instruction.second);
                return -1;
            }
            values_[*number] = value;
            return ldi_cycles;
        }
        return -1;
    }

    // The counter's registers, low byte first, of the count-down chain that
    // ends just before the brne at `end` and starts at or after `begin`;
    // `chain_begin` gets its first instruction.
    std::vector<int> count_down_chain(size_t begin, size_t end, size_t& chain_begin,
                                      int64_t& chain_cycles) {
        std::vector<int> high_bytes;  // sbci registers, highest first
        size_t i = end;
        chain_cycles = 0;
        while (i > begin && code_[i - 1].mnemonic == "sbci") {
            --i;
            const std::optional<int> number = register_number(code_[i].first);
            if (!number || *number < 16 || code_[i].second != "0") {
                fail("sbci " + code_[i].first + "," + code_[i].second);
                return {};
            }
            high_bytes.insert(high_bytes.begin(), *number);
            chain_cycles += sbci_cycles;
        }
        if (i == begin) {
            fail("a loop without a count-down");
            return {};
        }
        const Instruction& lowest = code_[--i];
        chain_begin = i;
        const std::optional<int> number = register_number(lowest.first);
        std::vector<int> bytes;
        if (lowest.mnemonic == "dec" && lowest.second.empty() && number && high_bytes.empty()) {
            bytes = {*number};
            chain_cycles += dec_cycles;
        } else if (lowest.mnemonic == "subi" && lowest.second == "1" && number && *number >= 16) {
            bytes = {*number};
            chain_cycles += subi_cycles;
        } else if (lowest.mnemonic == "sbiw" && lowest.second == "1" && number && *number >= 24 &&
                   *number % 2 == 0) {
            bytes = {*number, *number + 1};
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
        const std::vector<int> bytes = count_down_chain(begin, end, chain_begin, chain);
        if (bytes.empty()) {
            return 0;
        }
        int64_t counter = 0;
        for (size_t k = bytes.size(); k-- > 0;) {
            if (values_[bytes[k]] < 0) {
                fail("a counter register is not loaded: r" + std::to_string(bytes[k]));
                return 0;
            }
            for (size_t j = 0; j < k; ++j) {
                if (bytes[j] == bytes[k]) {
                    fail("a counter register twice: r" + std::to_string(bytes[k]));
                }
            }
            counter = counter * 256 + values_[bytes[k]];
        }
        const int64_t passes = counter == 0 ? int64_t{1} << (8 * bytes.size()) : counter;
        // The first pass, then the second from where the first left the
        // registers: equal cycles and equal registers after them make every
        // later pass the same as the second.
        const Registers before = values_;
        const int64_t first_body = time_range(begin, chain_begin);
        const Registers after_first = values_;
        const int64_t body = time_range(begin, chain_begin);
        if (body != first_body || values_ != after_first) {
            fail("a loop body that takes different cycles on different passes");
        }
        for (int byte : bytes) {
            if (values_[byte] != before[byte]) {
                fail("a loop body that changes its own counter");
            }
            values_[byte] = 0;
        }
        return passes * (body + chain + brne_taken) - brne_taken + brne_not_taken;
    }

    // The cycles of the code from `begin` to `end`, once through.
    int64_t time_range(size_t begin, size_t end) {
        int64_t cycles = 0;
        for (size_t i = begin; i < end && reading_.problem.empty(); ++i) {
            // A loop starts at a label that a brne before `end` names.
            size_t loop_end = end;
            for (const auto& [label, at] : labels_) {
                for (size_t j = i; at == i && j < loop_end; ++j) {
                    if (code_[j].mnemonic == "brne" && code_[j].first == label) {
                        loop_end = j;
                    }
                }
            }
            if (loop_end < end) {
                cycles += loop_cycles(i, loop_end);
                i = loop_end;
                continue;
            }
            const int64_t straight = straight_cycles(code_[i]);
            if (straight < 0) {
                fail("cannot time " + code_[i].mnemonic + " " + code_[i].first);
                return cycles;
            }
            cycles += straight;
        }
        return cycles;
    }

    void run() { reading_.cycles = time_range(0, code_.size()); }

    CompactReading reading_;
    std::vector<Instruction> code_;
    std::vector<std::pair<std::string, size_t>> labels_;
    Registers values_ = filled(-1);  // by register number; -1 until loaded

    static Registers filled(int64_t value) {
        Registers values;
        values.fill(value);
        return values;
    }
};

}  // namespace

CompactReading read_compact_listing(std::string_view listing) { return Reader().read(listing); }
