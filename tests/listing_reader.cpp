#include "listing_reader.hpp"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <map>
#include <sstream>
#include <vector>

namespace {

struct Instruction {
    std::string label;  // defined on this instruction's line, may be empty
    std::string mnemonic;
    std::vector<std::string> operands;
};

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// The register an operand names, as the chip sees it: the pointer halves
// that device include files define (XL = r26 ... ZH = r31) are numbered
// registers, so a listing that gives one register two names is read as one.
std::string register_key(const std::string& operand) {
    const std::string name = lower(operand);
    static const std::map<std::string, std::string> pointer_halves{
        {"xl", "r26"}, {"xh", "r27"}, {"yl", "r28"}, {"yh", "r29"}, {"zl", "r30"}, {"zh", "r31"}};
    const auto half = pointer_halves.find(name);
    return half != pointer_halves.end() ? half->second : name;
}

std::string trim(const std::string& text) {
    const size_t begin = text.find_first_not_of(" \t");
    if (begin == std::string::npos) {
        return "";
    }
    return text.substr(begin, text.find_last_not_of(" \t") - begin + 1);
}

class Reader {
public:
    explicit Reader(const std::string& listing) { parse(listing); }

    ListingReading read() {
        ListingReading reading;
        reading.header_cycles = header_cycles_;
        std::map<std::string, int> registers;
        if (problem_.empty()) {
            reading.cycles = run(0, code_.size(), registers, std::string());
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
        std::string pending_label;
        while (std::getline(lines, line)) {
            if (header_cycles_ < 0 && line.rfind("; ", 0) == 0 &&
                line.find(" cycles") != std::string::npos) {
                header_cycles_ = std::strtoll(line.c_str() + 2, nullptr, 10);
            }
            line = trim(line.substr(0, line.find(';')));
            const size_t colon = line.find(':');
            if (colon != std::string::npos) {
                pending_label = trim(line.substr(0, colon));
                if (!labels_.emplace(pending_label, code_.size()).second) {
                    fail("label " + pending_label + " defined twice");
                }
                line = trim(line.substr(colon + 1));
            }
            if (line.empty()) {
                continue;
            }
            Instruction instruction;
            instruction.label = pending_label;
            pending_label.clear();
            const size_t space = line.find_first_of(" \t");
            instruction.mnemonic = lower(line.substr(0, space));
            std::stringstream operands(space == std::string::npos ? "" : line.substr(space));
            std::string operand;
            while (std::getline(operands, operand, ',')) {
                instruction.operands.push_back(trim(operand));
            }
            code_.push_back(instruction);
        }
        if (!pending_label.empty()) {
            fail("label " + pending_label + " marks no instruction");
        }
    }

    // The brne that closes a loop whose label is on instruction `start`.
    size_t loop_end(size_t start) const {
        for (size_t i = start; i < code_.size(); ++i) {
            if (code_[i].mnemonic == "brne" && code_[i].operands.size() == 1 &&
                code_[i].operands[0] == code_[start].label) {
                return i;
            }
        }
        return code_.size();
    }

    // Cycles of instructions [begin, end). `entered` is the label of the loop
    // whose body this is, so that its own label does not start it again.
    int64_t run(size_t begin, size_t end, std::map<std::string, int>& registers,
                const std::string& entered) {
        int64_t cycles = 0;
        for (size_t i = begin; i < end && problem_.empty(); ++i) {
            const Instruction& in = code_[i];
            if (!in.label.empty() && in.label != entered && loop_end(i) < end) {
                const size_t last = loop_end(i);
                cycles += run_loop(i, last, registers);
                i = last;
                continue;
            }
            cycles += run_instruction(in, registers);
        }
        return cycles;
    }

    int64_t run_instruction(const Instruction& in, std::map<std::string, int>& registers) {
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
        fail("cannot time: " + in.mnemonic);
        return 0;
    }

    // A loop from the labelled instruction `first` to the brne `last`, which
    // must follow a dec of the counter; the counter's value on entry gives
    // the passes (0 gives 256). Every pass must cost the same.
    int64_t run_loop(size_t first, size_t last, std::map<std::string, int>& registers) {
        const Instruction& dec = code_[last - 1];
        if (last == first || dec.mnemonic != "dec" || dec.operands.size() != 1) {
            fail("loop " + code_[first].label + " does not end with dec");
            return 0;
        }
        const std::string counter = register_key(dec.operands[0]);
        if (registers.count(counter) == 0) {
            fail("counter " + counter + " of loop " + code_[first].label + " is not loaded");
            return 0;
        }
        const int passes = registers[counter] == 0 ? 256 : registers[counter];
        std::map<std::string, int> after_one = registers;
        const int64_t first_pass = run(first, last, after_one, code_[first].label);
        std::map<std::string, int> after_two = after_one;
        const int64_t second_pass = run(first, last, after_two, code_[first].label);
        after_one.erase(counter);
        const int counter_after_two = after_two[counter];
        after_two.erase(counter);
        if (first_pass != second_pass || after_one != after_two ||
            counter_after_two != (registers[counter] + 254) % 256) {
            fail("loop " + code_[first].label + " does not repeat the same way");
            return 0;
        }
        registers = after_one;
        registers[counter] = 0;
        // Taken branches cost 2, the last one, not taken, 1.
        return passes * first_pass + 2 * (passes - 1) + 1;
    }

    std::vector<Instruction> code_;
    std::map<std::string, size_t> labels_;
    int64_t header_cycles_ = -1;
    std::string problem_;
};

}  // namespace

ListingReading read_listing(const std::string& listing) { return Reader(listing).read(); }
