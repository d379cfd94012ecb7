// SPDX-License-Identifier: MIT
#include "delay/branch_reach.hpp"

#include <cctype>
#include <cstdint>
#include <map>
#include <vector>

#include "delay/text_format.hpp"

namespace cyclotrim {

namespace {

// The instructions a listing writes, each one word long; a branch's reach
// in words back and forward from the instruction after it.
struct Instruction {
    const char* mnemonic;
    int32_t back = 0;     // 0: not a branch
    int32_t forward = 0;
};

constexpr Instruction instructions[] = {
    {"ldi"}, {"dec"}, {"nop"}, {"subi"}, {"sbci"}, {"sbiw"}, {"tst"}, {"push"}, {"pop"}, {"ret"},
    {"brne", 64, 63}, {"breq", 64, 63}, {"rjmp", 2048, 2047},
};

const Instruction* instruction_named(const std::string& mnemonic) {
    for (const Instruction& known : instructions) {
        if (mnemonic == known.mnemonic) {
            return &known;
        }
    }
    return nullptr;
}

struct Branch {
    const Instruction* instruction;
    std::string target;
    size_t line;      // 1-based, in the listing as written
    size_t order;     // among the labels and branches, in the order written
    int64_t address;  // in words
};

struct NumericLabel {
    std::string number;
    size_t order;
    int64_t address;
};

// What the assembler reads of one line: a C statement's string literal
// lines hold it between quotes, with \t for a tab and \n at the end.
std::optional<std::string> assembler_line(const std::string& line, ListingText text) {
    if (text != ListingText::c_statement) {
        return line;
    }
    const size_t open = line.find('"');
    const size_t close = line.rfind('"');
    if (open == std::string::npos || close == open || line.find_first_not_of(' ') != open) {
        return std::nullopt;  // C around the statement's lines
    }
    std::string unquoted;
    for (size_t i = open + 1; i < close; ++i) {
        if (line[i] == '\\' && i + 1 < close) {
            ++i;
            unquoted += line[i] == 't' ? '\t' : line[i] == 'n' ? '\n' : line[i];
        } else {
            unquoted += line[i];
        }
    }
    while (!unquoted.empty() && unquoted.back() == '\n') {
        unquoted.pop_back();  // each literal holds one line
    }
    return unquoted;
}

bool is_label_char(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

std::string lower_case(std::string word) {
    for (char& c : word) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return word;
}

// Reads the listing's labels and branches, and the address of each.
class ListingMap {
public:
    explicit ListingMap(ListingText text) : text_(text), avra_(text == ListingText::avra) {}

    std::optional<std::string> read(const std::string& listing) {
        const std::vector<std::string> lines = lines_of(listing);
        for (size_t i = 0; i < lines.size(); ++i) {
            const std::optional<std::string> code = assembler_line(lines[i], text_);
            if (!code) {
                continue;
            }
            if (auto problem = read_statement(code->substr(0, code->find(';')), i + 1)) {
                return problem;
            }
        }
        return std::nullopt;
    }

    std::optional<std::string> first_out_of_reach() const {
        for (const Branch& branch : branches_) {
            const std::optional<int64_t> target = address_of(branch);
            if (!target) {
                return format_text("line %zu: no label %s for %s", branch.line,
                                   branch.target.c_str(), branch.instruction->mnemonic);
            }
            const int64_t distance = *target - (branch.address + 1);
            if (distance < -branch.instruction->back || distance > branch.instruction->forward) {
                return format_text(
                    "line %zu: \"%s %s\" would jump %lld words %s, and %s reaches %i back and %i "
                    "forward",
                    branch.line, branch.instruction->mnemonic, branch.target.c_str(),
                    static_cast<long long>(distance < 0 ? -distance : distance),
                    distance < 0 ? "back" : "forward", branch.instruction->mnemonic,
                    branch.instruction->back, branch.instruction->forward);
            }
        }
        return std::nullopt;
    }

private:
    std::optional<std::string> read_statement(std::string code, size_t line) {
        // Labels first: NAME: or a number and a colon.
        size_t start = code.find_first_not_of(" \t");
        while (start != std::string::npos) {
            size_t end = start;
            while (end < code.size() && is_label_char(code[end])) {
                ++end;
            }
            if (end == start || end >= code.size() || code[end] != ':') {
                break;
            }
            define(code.substr(start, end - start));
            start = code.find_first_not_of(" \t", end + 1);
        }
        if (start == std::string::npos || code[start] == '.') {
            return std::nullopt;  // no instruction, or a directive of no words
        }
        const std::vector<std::string> words = words_of(code.substr(start));
        const Instruction* instruction = instruction_named(lower_case(words[0]));
        if (instruction == nullptr) {
            return format_text("line %zu: %s is not an instruction this check knows", line,
                               words[0].c_str());
        }
        if (instruction->back > 0) {
            branches_.push_back({instruction, words.size() > 1 ? words[1] : "", line, order_++,
                                 address_});
        }
        address_ += 1;
        return std::nullopt;
    }

    void define(const std::string& label) {
        if (std::isdigit(static_cast<unsigned char>(label[0]))) {
            numeric_.push_back({label, order_++, address_});
        } else {
            named_[avra_ ? lower_case(label) : label] = address_;  // avra ignores case
        }
    }

    std::optional<int64_t> address_of(const Branch& branch) const {
        const std::string& target = branch.target;
        if (avra_ && target == "PC+1") {
            return branch.address + 1;
        }
        const char direction = target.empty() ? '\0' : target.back();
        const std::string number = target.substr(0, target.size() - 1);
        if (!number.empty() && std::isdigit(static_cast<unsigned char>(number[0])) &&
            (direction == 'b' || direction == 'f')) {
            // The nearest definition before the branch, or after it.
            std::optional<int64_t> found;
            for (const NumericLabel& label : numeric_) {
                if (label.number != number) {
                    continue;
                }
                if (direction == 'b' && label.order < branch.order) {
                    found = label.address;
                } else if (direction == 'f' && label.order > branch.order) {
                    return label.address;
                }
            }
            return found;
        }
        const auto named = named_.find(avra_ ? lower_case(target) : target);
        return named == named_.end() ? std::nullopt : std::optional<int64_t>(named->second);
    }

    std::vector<Branch> branches_;
    std::vector<NumericLabel> numeric_;
    std::map<std::string, int64_t> named_;
    ListingText text_;
    bool avra_;
    int64_t address_ = 0;
    size_t order_ = 0;
};

}  // namespace

std::optional<std::string> branch_reach_problem(const std::string& listing, ListingText text) {
    ListingMap map(text);
    if (auto problem = map.read(listing)) {
        return problem;
    }
    return map.first_out_of_reach();
}

}  // namespace cyclotrim
