// SPDX-License-Identifier: MIT
#include "delay/input/register_choice.hpp"

#include <algorithm>
#include <cctype>
#include <string_view>

#include "delay/text_format.hpp"

namespace cyclotrim {

namespace {

bool is_name_start(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool is_name_char(char c) { return is_name_start(c) || (c >= '0' && c <= '9'); }

// R<number> in any case: a register written by number.
bool is_numbered_register(const std::string& name) {
    return name.size() > 1 && (name[0] == 'R' || name[0] == 'r') &&
           std::all_of(name.begin() + 1, name.end(),
                       [](char c) { return std::isdigit(static_cast<unsigned char>(c)); });
}

// avra reads R016 as R16; GNU as refuses it.
bool has_leading_zero(const std::string& numbered) { return numbered.size() > 2 && numbered[1] == '0'; }

// x, y and z name the pointer pairs; avra takes the lower-case ones in ldi
// as their low halves (r26, r28, r30), GNU as takes none of them.
bool is_pointer_pair(const std::string& name) {
    return name.size() == 1 && std::string_view("xyzXYZ").find(name[0]) != std::string_view::npos;
}

bool ldi_can_load(const std::string& numbered) {
    const std::string digits = numbered.substr(1);
    return digits.size() <= 2 && std::stoi(digits) >= 16 && std::stoi(digits) <= 31;
}

std::string lower_case(const std::string& name) {
    std::string lower;
    for (char c : name) {
        lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return lower;
}

// The register a name stands for: R<n> and r<n> are register n, and the
// pointer halves that every device include file defines (XL = r26 to
// ZH = r31) are their registers too. Any other name (a .def alias) can
// only be compared as it is written, ignoring case as the assembler does.
std::string register_identity(const std::string& name) {
    static const char* const pointer_halves[] = {"xl", "xh", "yl", "yh", "zl", "zh"};
    const std::string lower = lower_case(name);
    for (int i = 0; i < 6; ++i) {
        if (lower == pointer_halves[i]) {
            return "r" + std::to_string(26 + i);
        }
    }
    if (is_numbered_register(name)) {
        return "r" + std::to_string(std::stoi(name.substr(1)));
    }
    return lower;
}

}  // namespace

std::optional<int> register_number(const std::string& name) {
    // R<n> as written, or a pointer half's R<n>; a name of more digits than
    // any register, or an alias, is none.
    const std::string numbered = is_numbered_register(name) ? name : register_identity(name);
    if (!is_numbered_register(numbered) || numbered.size() > 3) {
        return std::nullopt;
    }
    return std::stoi(numbered.substr(1));
}

bool is_assembler_symbol(const std::string& text) {
    return !text.empty() && is_name_start(text[0]) &&
           std::all_of(text.begin(), text.end(), is_name_char);
}

std::optional<std::string> register_refusal(const std::vector<std::string>& names) {
    for (size_t i = 0; i < names.size(); ++i) {
        const std::string& name = names[i];
        if (name.empty()) {
            return format_text("Choose a register for loop WL%i.", static_cast<int>(i));
        }
        if (!is_assembler_symbol(name)) {
            return format_text("%s is not a register name: choose one from R16 to R31.",
                               name.c_str());
        }
        if (is_pointer_pair(name)) {
            return format_text("%s names a register pair: choose one register, from R16 to R31.",
                               name.c_str());
        }
        if (is_numbered_register(name) && has_leading_zero(name)) {
            const size_t digit = std::min(name.find_first_not_of('0', 1), name.size() - 1);
            return format_text("%s has a leading zero, which GNU as does not take: write R%s.",
                               name.c_str(), name.substr(digit).c_str());
        }
        if (is_numbered_register(name) && !ldi_can_load(name)) {
            return format_text("ldi cannot load %s: choose a register from R16 to R31.",
                               name.c_str());
        }
        for (size_t j = 0; j < i; ++j) {
            if (register_identity(names[j]) == register_identity(name)) {
                return format_text("%s is chosen for two loops: each loop needs its own register.",
                                   name.c_str());
            }
        }
    }
    return std::nullopt;
}

}  // namespace cyclotrim
