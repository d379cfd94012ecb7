// SPDX-License-Identifier: MIT
#include "delay/branch_reach.hpp"

#include <cctype>
#include <cstdint>
#include <algorithm>
#include <string_view>
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
    {"brne", 64, 63}, {"dec"}, {"ldi"}, {"nop"}, {"rjmp", 2048, 2047}, {"breq", 64, 63},
    {"subi"}, {"sbci"}, {"sbiw"}, {"tst"}, {"push"}, {"pop"}, {"ret"},
};

char ascii_lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool same_ignoring_case(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (ascii_lower(a[i]) != ascii_lower(b[i])) {
            return false;
        }
    }
    return true;
}

const Instruction* instruction_named(std::string_view mnemonic) {
    for (const Instruction& known : instructions) {
        if (same_ignoring_case(mnemonic, known.mnemonic)) {
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

// A label as defined: its name (a number for GNU as's local labels).
struct Label {
    std::string name;
    size_t order;
    int64_t address;
};

// What the assembler reads of a C statement's line: its string literal,
// with \t for a tab and \n at the end, into `unquoted`; false for the C
// around the statement's lines.
bool unquote(std::string_view line, std::string& unquoted) {
    const size_t open = line.find('"');
    const size_t close = line.rfind('"');
    if (open == std::string_view::npos || close == open || line.find_first_not_of(' ') != open) {
        return false;
    }
    unquoted.clear();
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
    return true;
}

bool is_label_char(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

// Reads the listing's labels and branches, and the address of each.
class ListingMap {
public:
    explicit ListingMap(ListingText text) : text_(text), avra_(text == ListingText::avra) {}

    std::optional<std::string> read(const std::string& listing) {
        std::string unquoted;
        size_t line = 0;
        for (size_t start = 0; start < listing.size(); ++line) {
            const size_t end = std::min(listing.find('\n', start), listing.size());
            std::string_view code(listing.data() + start, end - start);
            start = end + 1;
            if (text_ == ListingText::c_statement) {
                if (!unquote(code, unquoted)) {
                    continue;
                }
                code = unquoted;
            }
            if (auto problem = read_statement(code.substr(0, code.find(';')), line + 1)) {
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
    std::optional<std::string> read_statement(std::string_view code, size_t line) {
        // Labels first: NAME: or a number and a colon.
        size_t start = code.find_first_not_of(" \t");
        while (start != std::string_view::npos) {
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
        if (start == std::string_view::npos || code[start] == '.') {
            return std::nullopt;  // no instruction, or a directive of no words
        }
        code.remove_prefix(start);
        const std::string_view mnemonic = code.substr(0, code.find_first_of(" \t"));
        const Instruction* instruction = instruction_named(mnemonic);
        if (instruction == nullptr) {
            return format_text("line %zu: %s is not an instruction this check knows", line,
                               std::string(mnemonic).c_str());
        }
        if (instruction->back > 0) {
            const size_t operand = std::min(code.find_first_not_of(" \t", mnemonic.size()), code.size());
            const std::string_view target = code.substr(operand, code.find_first_of(" \t,", operand) - operand);
            branches_.push_back({instruction, std::string(target), line, order_++, address_});
        }
        address_ += 1;
        return std::nullopt;
    }

    void define(std::string_view label) { labels_.push_back({std::string(label), order_++, address_}); }

    bool names(const Label& label, std::string_view name) const {
        return avra_ ? same_ignoring_case(label.name, name) : label.name == name;  // avra ignores case
    }

    // The label a branch names: the nearest definition before it, or for a
    // named label, which is defined once, after it when there is none
    // before; GNU as's "1b" and "1f" look only back and only forward.
    std::optional<int64_t> address_of(const Branch& branch) const {
        std::string_view name = branch.target;
        if (avra_ && name == "PC+1") {
            return branch.address + 1;
        }
        const bool numeric = !name.empty() && std::isdigit(static_cast<unsigned char>(name[0]));
        const char direction = numeric ? name.back() : '\0';
        if (numeric) {
            name.remove_suffix(1);
        }
        // The labels are in the order written: the first defined after the branch.
        const auto after = std::partition_point(labels_.begin(), labels_.end(),
                                                [&](const Label& label) { return label.order < branch.order; });
        if (direction != 'f') {
            for (auto label = after; label != labels_.begin();) {
                if (names(*--label, name)) {
                    return label->address;
                }
            }
        }
        if (direction != 'b') {
            for (auto label = after; label != labels_.end(); ++label) {
                if (names(*label, name)) {
                    return label->address;
                }
            }
        }
        return std::nullopt;
    }

    std::vector<Branch> branches_;
    std::vector<Label> labels_;
    ListingText text_;
    bool avra_;
    int64_t address_ = 0;
    size_t order_ = 0;
};

}  // namespace

std::optional<std::string> branch_reach_problem(const std::string& listing, ListingText text) {
    ListingMap map(text);
    std::optional<std::string> problem = map.read(listing);
    if (!problem) {
        problem = map.first_out_of_reach();
    }
    if (!problem) {
        return std::nullopt;
    }
    return "This listing would not assemble (" + *problem +
           "). That is a fault of this program's: please report it with what you asked for.";
}

}  // namespace cyclotrim
