// SPDX-License-Identifier: MIT
// Checks on the registers chosen for the loops of a listing.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace cyclotrim {

// A name the assembler can take as a label, a register or a .def alias:
// a letter or _, then letters, digits and _.
bool is_assembler_symbol(const std::string& text);

// Why the listing cannot use `names` (index i is the register of loop WLi),
// or nothing when every name can be loaded by ldi and no two loops share one.
// Names are compared by the register they stand for: R30, r30 and ZL are one
// register. A .def alias is compared by its spelling only, ignoring case.
std::optional<std::string> register_refusal(const std::vector<std::string>& names);

// The number of the register `name` stands for (R20 and r20 are 20, XL to
// ZH are 26 to 31), or nothing for a name this program cannot resolve (a
// .def alias).
std::optional<int> register_number(const std::string& name);

}  // namespace cyclotrim
